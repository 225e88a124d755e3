// Movie Toolbox calls: files, edits, time scales, samples and their errors.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "MovieToolbox/MovieFileReader.h"
#include "QuickTime/RecordingTestSupport.h"
#include "Support/SampleMovie.h"

namespace {

// A movie file being written, with one video track.
class ToolboxTest : public mvdtest::MovieFileTest {
  protected:
    void TearDown() override {
        DisposeHandle(reinterpret_cast<Handle>(m_description));
        MovieFileTest::TearDown();
    }
    void newVideo(TimeScale scale = 600) {
        m_track = NewMovieTrack(m_movie, FixedFromInt(4), FixedFromInt(2), kNoVolume);
        m_media = NewTrackMedia(m_track, VideoMediaType, scale, nullptr, 0);
        m_description = mvdtest::NewImageDescription(kRawCodecType, 4, 2, 32);
    }
    OSErr addFrames(int count, TimeValue64 duration, MediaSampleFlags flags = 0) {
        auto bytes = mvdtest::PatternBytes(32 * static_cast<size_t>(count), 7);
        return AddMediaSample2(m_media, bytes.data(), bytes.size(), duration, 0,
                               reinterpret_cast<SampleDescriptionHandle>(m_description),
                               static_cast<ItemCount>(count), flags, nullptr);
    }
    std::vector<qtfile::EditListEntry> finishAndReadEdits() {
        qtfile::MovieFileReader reader;
        finishAndRead(reader);
        if (reader.trackCount() == 0 || !reader.track(0).edits) {
            return {};
        }
        return reader.track(0).edits->editList.entries;
    }

    Track m_track = nullptr;
    Media m_media = nullptr;
    ImageDescriptionHandle m_description = nullptr;
};

using Edit = qtfile::EditListEntry;

TEST_F(ToolboxTest, FileCreationReplacesOnlyWhenAsked) {
    short refNum = 0;
    Movie other = nullptr;
    FSSpec location;
    ASSERT_EQ(NativePathNameToFSSpec(m_path.data(), &location, 0), noErr);
    EXPECT_EQ(CreateMovieFile(&location, 'TVOD', smCurrentScript, 0, &refNum, &other), dupFNErr);
    EXPECT_EQ(CreateMovieFile(&location, 'TVOD', smCurrentScript, createMovieFileDeleteCurFile,
                              &refNum, &other),
              noErr);
    EXPECT_NE(refNum, m_refNum);
    CloseMovieFile(refNum);
    DisposeMovie(other);

    std::string missingFolder = m_dir.file("no/such/movie.mov");
    EXPECT_EQ(NativePathNameToFSSpec(missingFolder.data(), &location, 0), dirNFErr);
    EXPECT_EQ(CreateMovieFile(&location, 'TVOD', smCurrentScript, 0, &refNum, &other), fnfErr);
    EXPECT_EQ(CloseMovieFile(12345), paramErr);
}

TEST_F(ToolboxTest, TimeScaleConversions) {
    // Rounded down (88126.5), signs and 64-bit values kept.
    const int64_t cases[][3] = {{1199, 44100, 88126}, {-1, 30, -1}, {3ll << 40, 1200, 6ll << 40}};
    TimeRecord t{};
    for (const auto& [value, scale, converted] : cases) {
        t = TimeRecord{SInt64ToWide(value), 600, nullptr};
        ConvertTimeScale(&t, static_cast<TimeScale>(scale));
        EXPECT_EQ(WideToSInt64(t.value), converted);
    }
    t.scale = 0;
    ConvertTimeScale(&t, 600);
    EXPECT_EQ(GetMoviesError(), paramErr);
}

TEST_F(ToolboxTest, InsertsBecomeOneEditEach) {
    newVideo(30);
    ASSERT_EQ(addFrames(6, 1), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(m_track, -1, 0, 2, 0x10000), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(m_track, -1, 2, 2, 0x10000), noErr);
    // Past the end: an empty edit fills the gap.
    ASSERT_EQ(InsertMediaIntoTrack(m_track, 100, 4, 2, 0x10000), noErr);
    // At the start: the new edit goes first.
    ASSERT_EQ(InsertMediaIntoTrack(m_track, 0, 5, 1, 0x10000), noErr);
    // Inside an edit: it is split there.
    ASSERT_EQ(InsertMediaIntoTrack(m_track, 40, 0, 1, 0x10000), noErr);
    EXPECT_EQ(GetTrackDuration(m_track), 20 + 20 + 20 + 20 + 40 + 20 + 40);
    EXPECT_EQ(GetMovieDuration(m_movie), 180);
    EXPECT_EQ(finishAndReadEdits(), (std::vector<Edit>{{20, 5, 0x10000},
                                                       {20, 0, 0x10000},
                                                       {20, 0, 0x10000},
                                                       {20, 1, 0x10000},
                                                       {40, 2, 0x10000},
                                                       {20, -1, 0x10000},
                                                       {40, 4, 0x10000}}));
}

TEST_F(ToolboxTest, InsertRefusesMediaThatIsNotThere) {
    newVideo();
    ASSERT_EQ(addFrames(2, 40), noErr);
    EXPECT_EQ(InsertMediaIntoTrack(m_track, -1, 0, 81, 0x10000), invalidDuration);
    EXPECT_EQ(InsertMediaIntoTrack(m_track, -1, 40, 41, 0x10000), invalidDuration);
    EXPECT_EQ(InsertMediaIntoTrack(m_track, -1, 0, 80, 0), paramErr);
    EXPECT_EQ(InsertMediaIntoTrack(m_track, -1, 0, 0, 0x10000), noErr);  // nothing to insert
    EXPECT_EQ(GetTrackDuration(m_track), 0);
}

TEST_F(ToolboxTest, MovieTimeScaleChangeConvertsEdits) {
    newVideo();
    ASSERT_EQ(addFrames(3, 40), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(m_track, -1, 0, 120, 0x10000), noErr);
    SetMovieTimeScale(m_movie, 1000);
    EXPECT_EQ(GetMovieTimeScale(m_movie), 1000);
    EXPECT_EQ(GetTrackDuration(m_track), 200);
    ASSERT_EQ(InsertMediaIntoTrack(m_track, -1, 0, 60, 0x10000), noErr);
    EXPECT_EQ(finishAndReadEdits(), (std::vector<Edit>{{200, 0, 0x10000}, {100, 0, 0x10000}}));
}

TEST_F(ToolboxTest, SampleArgumentsAreChecked) {
    newVideo();
    auto bytes = mvdtest::PatternBytes(64, 1);
    auto desc = reinterpret_cast<SampleDescriptionHandle>(m_description);
    // The first sample needs a description.
    EXPECT_EQ(AddMediaSample2(m_media, bytes.data(), 32, 1, 0, nullptr, 1, 0, nullptr),
              invalidSampleDescription);
    EXPECT_EQ(AddMediaSample2(m_media, nullptr, 32, 1, 0, desc, 1, 0, nullptr), paramErr);
    EXPECT_EQ(AddMediaSample2(m_media, bytes.data(), 0, 1, 0, desc, 1, 0, nullptr), paramErr);
    EXPECT_EQ(AddMediaSample2(m_media, bytes.data(), 33, 1, 0, desc, 2, 0, nullptr), paramErr);
    EXPECT_EQ(AddMediaSample2(m_media, bytes.data(), 32, 0, 0, desc, 1, 0, nullptr),
              invalidDuration);
    EXPECT_EQ(AddMediaSample2(m_media, bytes.data(), 32, int64_t{1} << 32, 0, desc, 1, 0, nullptr),
              invalidDuration);
    (*m_description)->idSize = 200;  // larger than the handle
    EXPECT_EQ(AddMediaSample2(m_media, bytes.data(), 32, 1, 0, desc, 1, 0, nullptr),
              invalidSampleDescription);
    (*m_description)->idSize = 86;
    EXPECT_EQ(GetMediaSampleCount(m_media), 0);
    EXPECT_EQ(GetMediaSampleDescriptionCount(m_media), 0);
    // A null description reuses the previous one.
    TimeValue64 decodeTime = -1;
    ASSERT_EQ(AddMediaSample2(m_media, bytes.data(), 32, 10, 0, desc, 1, 0, &decodeTime), noErr);
    EXPECT_EQ(decodeTime, 0);
    ASSERT_EQ(AddMediaSample2(m_media, bytes.data(), 64, 10, 0, nullptr, 2, 0, &decodeTime), noErr);
    EXPECT_EQ(decodeTime, 10);
    EXPECT_EQ(GetMediaSampleCount(m_media), 3);
    EXPECT_EQ(GetMediaSampleDescriptionCount(m_media), 1);
    EXPECT_EQ(GetMediaDuration(m_media), 30);
}

TEST_F(ToolboxTest, SampleReferencesPerCall) {
    newVideo();
    ASSERT_EQ(addFrames(1, 40), noErr);
    ASSERT_EQ(addFrames(3, 20, mediaSampleNotSync), noErr);
    SampleReference64Record refs[4];
    long count = 0;
    TimeValue sampleTime = -1;
    long descIndex = 0;
    Handle desc = NewHandle(0);
    // A time inside the second call's samples gives that call's reference.
    ASSERT_EQ(GetMediaSampleReferences64(m_media, 75, &sampleTime,
                                         reinterpret_cast<SampleDescriptionHandle>(desc),
                                         &descIndex, 4, &count, refs),
              noErr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(sampleTime, 40);
    EXPECT_EQ(descIndex, 1);
    EXPECT_EQ(refs[0].dataSize, 96u);
    EXPECT_EQ(refs[0].numberOfSamples, 3u);
    EXPECT_EQ(refs[0].durationPerSample, 20);
    EXPECT_EQ(refs[0].sampleFlags, mediaSampleNotSync);
    ASSERT_EQ(GetHandleSize(desc), 86);
    EXPECT_EQ(0, std::memcmp(*desc, *m_description, 14));
    ASSERT_EQ(
        GetMediaSampleReferences64(m_media, 0, &sampleTime, nullptr, nullptr, 4, &count, refs),
        noErr);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(WideToSInt64(refs[1].dataOffset), WideToSInt64(refs[0].dataOffset) + 32);
    EXPECT_EQ(GetMediaSampleReferences64(m_media, 100, nullptr, nullptr, nullptr, 1, &count, refs),
              timeNotInMedia);
    DisposeHandle(desc);
}

// The box, the track size and the graphics mode set through the calls are
// what the written movie holds.
TEST_F(ToolboxTest, MovieBoxAndGraphicsModeReachTheFile) {
    newVideo();
    Rect box{10, 20, 30, 60};
    SetMovieBox(m_movie, &box);
    RGBColor color{1, 2, 3};
    EXPECT_EQ(MediaSetGraphicsMode(GetMediaHandler(m_media), transparent, &color), noErr);
    ASSERT_EQ(addFrames(1, 10), noErr);
    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    ASSERT_TRUE(reader.track(0).media.information.videoHeader);
    EXPECT_EQ(reader.track(0).media.information.videoHeader->graphicsMode, transparent);
    EXPECT_EQ(reader.track(0).media.information.videoHeader->opColor, (qtfile::Color{1, 2, 3}));
    EXPECT_EQ(reader.movie().header.matrix.values[0], 10 << 16);  // 4 pixels wide into 40
    EXPECT_EQ(reader.movie().header.matrix.values[4], 10 << 16);
}

TEST_F(ToolboxTest, TrackReferencesNeedTracksOfTheSameMovie) {
    newVideo();
    Track text = NewMovieTrack(m_movie, 0, 0, kNoVolume);
    long index = 0;
    EXPECT_EQ(AddTrackReference(m_track, text, 'chap', &index), noErr);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(AddTrackReference(m_track, text, 'chap', &index), noErr);  // already there
    EXPECT_EQ(index, 1);
    EXPECT_EQ(AddTrackReference(m_track, m_track, 'chap', &index), paramErr);
    EXPECT_EQ(AddTrackReference(m_track, nullptr, 'chap', &index), invalidTrack);
}

// Adding the movie again turns the first movie atom into free space and
// keeps samples added in between.
TEST_F(ToolboxTest, AddingTheMovieAgainUpdatesIt) {
    newVideo();
    ASSERT_EQ(addFrames(1, 10), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(m_track, -1, 0, 10, 0x10000), noErr);
    short resId = movieInDataForkResID;
    ASSERT_EQ(AddMovieResource(m_movie, m_refNum, &resId, nullptr), noErr);
    ASSERT_EQ(addFrames(2, 10), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(m_track, -1, 10, 20, 0x10000), noErr);
    resId = 128;
    EXPECT_EQ(AddMovieResource(m_movie, m_refNum, &resId, nullptr), paramErr);
    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    std::vector<OSType> types;
    for (const auto& atom : reader.topLevelAtoms()) {
        types.push_back(atom.type);
    }
    EXPECT_EQ(types, (std::vector<OSType>{'ftyp', 'wide', 'mdat', 'free', 'wide', 'mdat', 'moov'}));
    EXPECT_EQ(reader.samples(0).sampleCount(), 3u);
    EXPECT_EQ(reader.track(0).edits->editList.entries.size(), 2u);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(reader.readSample(0, 2, bytes).ok());
    auto added = mvdtest::PatternBytes(64, 7);
    EXPECT_EQ(bytes, std::vector<uint8_t>(added.begin() + 32, added.end()));
}

// A write that fails (the disk is full) is reported, and the movie stays
// usable.
TEST_F(ToolboxTest, FailedWritesAreReported) {
    newVideo();
    ASSERT_EQ(addFrames(1, 10), noErr);
    {
        mvdtest::FileSizeLimit full(std::filesystem::file_size(m_path));
        EXPECT_NE(addFrames(1, 10), noErr);
        EXPECT_NE(GetMoviesError(), noErr);
        short resId = movieInDataForkResID;
        EXPECT_NE(AddMovieResource(m_movie, m_refNum, &resId, nullptr), noErr);
    }
    EXPECT_EQ(GetMediaSampleCount(m_media), 1);
    EXPECT_EQ(addFrames(1, 10), noErr);
    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    EXPECT_EQ(reader.samples(0).sampleCount(), 2u);
}

}  // namespace

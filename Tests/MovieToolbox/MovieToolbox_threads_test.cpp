// Two threads adding samples to two media of one movie at once, as a
// compression session's callback and an audio thread do.
#include <gtest/gtest.h>

#include <thread>

#include "MovieToolbox/MovieFileReader.h"
#include "MovieToolbox/Movies.h"
#include "MovieToolbox/SoundDescription.h"
#include "Support/SampleMovie.h"
#include "Support/TempDir.h"

namespace {

TEST(MovieToolboxThreads, ConcurrentSamplesAllLandIntact) {
    mvdtest::TempDir dir;
    std::string path = dir.file("threads.mov");
    ASSERT_EQ(EnterMovies(), noErr);
    FSSpec location;
    NativePathNameToFSSpec(path.data(), &location, 0);
    short refNum = 0;
    Movie movie = nullptr;
    ASSERT_EQ(CreateMovieFile(&location, 'TVOD', smCurrentScript, 0, &refNum, &movie), noErr);
    Track videoTrack = NewMovieTrack(movie, FixedFromInt(8), FixedFromInt(8), kNoVolume);
    Media video = NewTrackMedia(videoTrack, VideoMediaType, 600, nullptr, 0);
    Track audioTrack = NewMovieTrack(movie, 0, 0, kFullVolume);
    Media audio = NewTrackMedia(audioTrack, SoundMediaType, 8000, nullptr, 0);
    auto image = reinterpret_cast<SampleDescriptionHandle>(
        mvdtest::NewImageDescription(kRawCodecType, 8, 8, 32));
    AudioStreamBasicDescription asbd{8000,
                                     kAudioFormatLinearPCM,
                                     kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked,
                                     2,
                                     1,
                                     2,
                                     1,
                                     16,
                                     0};
    SoundDescriptionHandle sound = nullptr;
    ASSERT_EQ(QTSoundDescriptionCreate(&asbd, nullptr, 0, nullptr, 0, 'mvlo', &sound), noErr);

    constexpr int kCount = 300;
    auto feed = [](Media media, SampleDescriptionHandle desc, size_t size, uint32_t seedBase,
                   ItemCount samples, TimeValue64 duration) {
        for (int i = 0; i < kCount; ++i) {
            auto bytes = mvdtest::PatternBytes(size, seedBase + static_cast<uint32_t>(i));
            ASSERT_EQ(AddMediaSample2(media, bytes.data(), bytes.size(), duration, 0, desc, samples,
                                      0, nullptr),
                      noErr);
            SampleReference64Record ref;
            long count = 0;
            ASSERT_EQ(
                GetMediaSampleReferences64(
                    media, static_cast<TimeValue>(i * duration * static_cast<TimeValue64>(samples)),
                    nullptr, nullptr, nullptr, 1, &count, &ref),
                noErr);
            ASSERT_EQ(ref.dataSize, size);
        }
    };
    std::thread videoThread(feed, video, image, 256, 0, 1, 20);
    std::thread audioThread(feed, audio, reinterpret_cast<SampleDescriptionHandle>(sound), 64,
                            100000, 32, 1);
    videoThread.join();
    audioThread.join();
    ASSERT_EQ(InsertMediaIntoTrack(videoTrack, -1, 0, GetMediaDuration(video), 0x10000), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(audioTrack, -1, 0, GetMediaDuration(audio), 0x10000), noErr);
    short resId = movieInDataForkResID;
    ASSERT_EQ(AddMovieResource(movie, refNum, &resId, nullptr), noErr);
    CloseMovieFile(refNum);
    DisposeMovie(movie);
    DisposeHandle(reinterpret_cast<Handle>(image));
    DisposeHandle(reinterpret_cast<Handle>(sound));
    ExitMovies();

    qtfile::MovieFileReader reader;
    auto status = reader.open(path);
    ASSERT_TRUE(status.ok()) << status.message;
    ASSERT_EQ(reader.samples(0).sampleCount(), static_cast<uint32_t>(kCount));
    ASSERT_EQ(reader.samples(1).sampleCount(), static_cast<uint32_t>(kCount * 32));
    std::vector<uint8_t> bytes;
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(reader.readSample(0, static_cast<uint32_t>(i), bytes).ok());
        ASSERT_EQ(bytes, mvdtest::PatternBytes(256, static_cast<uint32_t>(i)));
        qtfile::SampleInfo first;
        ASSERT_TRUE(reader.sampleInfo(1, static_cast<uint32_t>(i * 32), first).ok());
        ASSERT_TRUE(reader.readAt(first.offset, 64, bytes).ok());
        ASSERT_EQ(bytes, mvdtest::PatternBytes(64, 100000 + static_cast<uint32_t>(i)));
    }
}

}  // namespace

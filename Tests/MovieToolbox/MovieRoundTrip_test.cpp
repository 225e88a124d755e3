// Movies written through the Movie Toolbox, read back with our reader: every
// field as written.
#include <gtest/gtest.h>

#include <cstring>

#include "MovieToolbox/MovieFileReader.h"
#include "MovieToolbox/SampleDescriptions.h"
#include "Support/SampleMovie.h"
#include "Support/TempDir.h"
#include "ToolboxMovie.h"

namespace {

using mvdtest::SampleMovie;
using mvdtest::WrittenTrack;

class MovieRoundTrip : public mvdtest::SampleMovieSuite {
  protected:
    void SetUp() override {
        auto status = m_reader.open(s_movie->path);
        ASSERT_TRUE(status.ok()) << status.message;
    }

    qtfile::MovieFileReader m_reader;
};

qtfile::Matrix ToMatrix(const MatrixRecord& record) {
    qtfile::Matrix m;
    std::memcpy(m.values.data(), record.matrix, sizeof record.matrix);
    return m;
}

// ftyp, wide, mdat (exactly the samples added), moov; the movie header,
// clip and the chapter reference of its one owner.
TEST_F(MovieRoundTrip, FileLayoutMovieHeaderAndChapters) {
    std::vector<OSType> types;
    for (const auto& atom : m_reader.topLevelAtoms()) {
        types.push_back(atom.type);
    }
    ASSERT_EQ(types, (std::vector<OSType>{'ftyp', 'wide', 'mdat', 'moov'}));
    ASSERT_TRUE(m_reader.fileType());
    EXPECT_EQ(m_reader.fileType()->majorBrand, OSType('qt  '));
    uint64_t dataBytes = 0;
    for (const WrittenTrack& t : s_movie->tracks) {
        for (const auto& s : t.samples) {
            dataBytes += s.reference.dataSize;
        }
    }
    EXPECT_EQ(m_reader.topLevelAtoms()[2].size, dataBytes + 8);

    const qtfile::MovieAtom& movie = m_reader.movie();
    EXPECT_EQ(movie.header.timeScale, 600u);
    EXPECT_EQ(movie.header.duration, static_cast<uint64_t>(s_movie->movieDuration));
    EXPECT_EQ(movie.header.nextTrackID, s_movie->tracks.size() + 1);
    ASSERT_TRUE(movie.clip);
    EXPECT_EQ(movie.clip->bottom, 48);
    EXPECT_EQ(movie.clip->right, 64);
    ASSERT_EQ(m_reader.trackCount(), s_movie->tracks.size());

    for (size_t i = 0; i < m_reader.trackCount(); ++i) {
        const auto& references = m_reader.track(i).references;
        if (m_reader.track(i).header.trackID != s_movie->chapterOwnerID) {
            EXPECT_FALSE(references) << i;
            continue;
        }
        ASSERT_TRUE(references);
        ASSERT_EQ(references->lists.size(), 1u);
        EXPECT_EQ(references->lists[0].referenceType, OSType('chap'));
        EXPECT_EQ(references->lists[0].trackIDs, std::vector<uint32_t>{s_movie->chapterTrackID});
    }
}

TEST_F(MovieRoundTrip, TrackHeadersEditsAndMediaHeaders) {
    for (size_t i = 0; i < m_reader.trackCount(); ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        const qtfile::TrackAtom& track = m_reader.track(i);
        const WrittenTrack& written = s_movie->tracks[i];
        EXPECT_EQ(track.header.trackID, written.trackID);
        EXPECT_EQ(track.header.width, written.width);
        EXPECT_EQ(track.header.height, written.height);
        EXPECT_EQ(track.header.layer, written.layer);
        EXPECT_EQ(track.header.volume, written.volume);
        EXPECT_EQ(track.header.matrix, ToMatrix(written.matrix));
        ASSERT_TRUE(track.edits);
        EXPECT_EQ(track.edits->editList.entries, written.edits);
        int64_t total = 0;
        for (const auto& e : written.edits) {
            total += e.trackDuration;
        }
        EXPECT_EQ(track.header.duration, static_cast<uint64_t>(total));
        EXPECT_EQ(track.media.mediaType(), written.mediaType);
        EXPECT_EQ(track.media.header.timeScale, static_cast<uint32_t>(written.mediaTimeScale));
        EXPECT_EQ(track.media.header.duration, static_cast<uint64_t>(written.mediaDuration));
        EXPECT_EQ(track.media.header.language, 0);
        EXPECT_EQ(track.media.handler.componentType, OSType('mhlr'));
        ASSERT_TRUE(track.media.information.dataHandler);
        EXPECT_EQ(track.media.information.dataHandler->name, "Apple Alias Data Handler");
        ASSERT_TRUE(track.media.information.dataInformation);
        EXPECT_EQ(track.media.information.dataInformation->references.entries.size(), 1u);
    }
    EXPECT_EQ(m_reader.track(0).header.matrix.values[6], 10 << 16);
    EXPECT_EQ(m_reader.track(0).header.layer, -1);
    EXPECT_EQ(m_reader.track(0).media.handler.name, "Apple Video Media Handler");
    EXPECT_TRUE(m_reader.track(0).media.information.videoHeader);
    EXPECT_TRUE(m_reader.track(2).media.information.soundHeader);
    ASSERT_TRUE(m_reader.track(5).media.information.baseHeader);
    EXPECT_TRUE(m_reader.track(5).media.information.baseHeader->text);
}

TEST_F(MovieRoundTrip, DescriptionsComeBackInMemoryForm) {
    for (size_t i = 0; i < m_reader.trackCount(); ++i) {
        const WrittenTrack& written = s_movie->tracks[i];
        if (written.description.empty()) {
            continue;  // text descriptions are made by the text handler
        }
        const auto& entries = m_reader.track(i).media.information.sampleTable.descriptions.entries;
        ASSERT_EQ(entries.size(), 1u);
        std::vector<uint8_t> memory;
        ASSERT_EQ(mtb::DescriptionFromFile(written.mediaType, entries[0], memory), noErr);
        std::vector<uint8_t> expected = written.description;
        expected[14] = 1;  // dataRefIndex: the movie's own file, in host order
        expected[15] = 0;
        EXPECT_EQ(memory, expected) << "track " << i + 1;
    }
}

// Every sample: where GetMediaSampleReferences64 said it went, its timing,
// its sync flag and its bytes.
TEST_F(MovieRoundTrip, EverySampleAsAdded) {
    for (size_t i = 0; i < m_reader.trackCount(); ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        const WrittenTrack& written = s_movie->tracks[i];
        uint32_t index = 0;
        for (const auto& run : written.samples) {
            uint64_t runOffset = static_cast<uint64_t>(WideToSInt64(run.reference.dataOffset));
            uint32_t size = run.reference.dataSize / run.reference.numberOfSamples;
            EXPECT_EQ(run.reference.numberOfSamples, run.count);
            EXPECT_EQ(static_cast<uint32_t>(run.reference.durationPerSample), run.duration);
            EXPECT_EQ(run.reference.sampleFlags & mediaSampleNotSync, run.sync ? 0 : 1);
            for (uint32_t k = 0; k < run.count; ++k, ++index) {
                qtfile::SampleInfo info;
                ASSERT_TRUE(m_reader.sampleInfo(i, index, info).ok());
                EXPECT_EQ(info.offset, runOffset + k * size);
                EXPECT_EQ(info.size, size);
                EXPECT_EQ(info.decodeTime,
                          static_cast<uint64_t>(run.decodeTime) + k * run.duration);
                EXPECT_EQ(info.duration, run.duration);
                EXPECT_EQ(info.sync, run.sync);
            }
            if (!run.bytes.empty()) {
                std::vector<uint8_t> bytes;
                ASSERT_TRUE(m_reader.readAt(runOffset, run.bytes.size(), bytes).ok());
                EXPECT_EQ(bytes, run.bytes);
            }
        }
        EXPECT_EQ(m_reader.samples(i).sampleCount(), index);
    }
    // Only the screen track has non-key frames, so only it has a sync table.
    const auto& screen = m_reader.track(0).media.information.sampleTable;
    ASSERT_TRUE(screen.syncSamples);
    EXPECT_EQ(screen.syncSamples->sampleNumbers, (std::vector<uint32_t>{1, 4}));
    EXPECT_FALSE(m_reader.track(1).media.information.sampleTable.syncSamples);
}

TEST_F(MovieRoundTrip, TextSamplesHoldUtf8AndTheirEncoding) {
    size_t chapters = s_movie->chapterTrackID - 1;
    const WrittenTrack& written = s_movie->tracks[chapters];
    for (uint32_t i = 0; i < written.texts.size(); ++i) {
        std::vector<uint8_t> sample;
        ASSERT_TRUE(m_reader.readSample(chapters, i, sample).ok());
        const std::string& text = written.texts[i];
        ASSERT_EQ(sample.size(), 2 + text.size() + 12);
        EXPECT_EQ((sample[0] << 8) | sample[1], static_cast<int>(text.size()));
        EXPECT_EQ(std::string(sample.begin() + 2, sample.begin() + 2 + text.size()), text);
        const uint8_t encd[12] = {0, 0, 0, 12, 'e', 'n', 'c', 'd', 0x08, 0x00, 0x01, 0x00};
        EXPECT_EQ(0, std::memcmp(sample.data() + 2 + text.size(), encd, 12));
    }
    // One description serves every sample of the same style.
    EXPECT_EQ(m_reader.track(chapters).media.information.sampleTable.descriptions.entries.size(),
              1u);
}

}  // namespace

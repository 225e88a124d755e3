// A whole recording through the movie writer with recovery on: every track
// in the movie with its durations, edits, matrix, layer and description,
// frames that decode to what was fed, and a recovery file that holds, byte
// for byte, one record per sample in the order the samples were written.
#include <gtest/gtest.h>

#include <memory>

#include "ImageCompression/MovieFrameDecoder.h"
#include "MovieToolbox/MovieFileReader.h"
#include "RecordingTestSupport.h"
#include "Support/RecordingScenario.h"
#include "Support/ScreenCodecEnvironment.h"

namespace {

using mvdtest::RecordedScenario;
using qtfile::EditListEntry;
using Scenario = RecordedScenario;

enum TrackIndex {
    kScreen = mvdtest::kScenarioScreen,
    kCursor = mvdtest::kScenarioCursor,
    kPCM = mvdtest::kScenarioPCM,
    kIMA = mvdtest::kScenarioIMA,
    kRaw = mvdtest::kScenarioRaw,
    kText = mvdtest::kScenarioText,
};

// The three segments, each cut to 60 units at 600, one after the other;
// segmentMedia is the media each segment recorded.
std::vector<EditListEntry> SegmentEdits(int64_t segmentMedia) {
    std::vector<EditListEntry> edits;
    for (int i = 0; i < Scenario::kSegments; ++i) {
        edits.push_back({Scenario::kSegmentLength, i * segmentMedia, 0x10000});
    }
    return edits;
}

std::string DescriptionFormat(const qtfile::TrackAtom& track) {
    const auto& entries = track.media.information.sampleTable.descriptions.entries;
    return entries.size() == 1 ? std::string(entries[0].begin() + 4, entries[0].begin() + 8) : "";
}

// The movie is recorded once for the whole suite.
class RecordingTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_codec = std::make_unique<mvdtest::ScreenCodecEnvironment>();
        s_movie = mvdtest::RecordScenarioMovie();
    }
    static void TearDownTestSuite() {
        s_movie.reset();
        s_codec.reset();
    }
    void SetUp() override {
        auto status = m_reader.open(s_movie->moviePath());
        ASSERT_TRUE(status.ok()) << status.message;
        ASSERT_EQ(m_reader.trackCount(), static_cast<size_t>(mvdtest::kScenarioTrackCount));
    }
    const RecordedScenario& scenario() const { return s_movie->scenario; }
    const qtfile::TrackAtom& track(TrackIndex index) const { return m_reader.track(index); }
    std::vector<EditListEntry> edits(TrackIndex index) const {
        const auto& edits = track(index).edits;
        return edits ? edits->editList.entries : std::vector<EditListEntry>{};
    }
    // Decodes a video track, comparing each frame with what was fed.
    void expectFramesAsFed(TrackIndex index, CVPixelFormatType format,
                           const std::vector<mvdtest::ScenarioSample>& fed) {
        std::vector<std::vector<uint8_t>> expected;
        for (const mvdtest::ScenarioSample& frame : fed) {
            expected.push_back(frame.bytes);
        }
        EXPECT_TRUE(mvdtest::DecodedFrames(m_reader, index, format) == expected) << index;
    }

    static std::unique_ptr<mvdtest::ScreenCodecEnvironment> s_codec;
    static std::unique_ptr<mvdtest::RecordedMovie> s_movie;
    qtfile::MovieFileReader m_reader;
};

std::unique_ptr<mvdtest::ScreenCodecEnvironment> RecordingTest::s_codec;
std::unique_ptr<mvdtest::RecordedMovie> RecordingTest::s_movie;

TEST_F(RecordingTest, TracksDurationsEditsAndDescriptions) {
    EXPECT_EQ(scenario().shortestSegments, std::vector<int64_t>(3, Scenario::kSegmentLength));
    EXPECT_EQ(m_reader.movie().header.timeScale, 600u);
    EXPECT_EQ(m_reader.movie().header.duration, 180u);
    for (int index = kScreen; index <= kText; ++index) {
        EXPECT_EQ(track(TrackIndex(index)).header.duration, 180u) << index;
    }

    const auto& screen = track(kScreen).header;
    EXPECT_EQ(screen.width, Scenario::kWidth << 16);
    EXPECT_EQ(screen.height, Scenario::kHeight << 16);
    qtfile::Matrix translated;
    translated.values[6] = 8 << 16;
    translated.values[7] = 4 << 16;
    EXPECT_EQ(screen.matrix, translated);
    EXPECT_EQ(screen.layer, 0);
    EXPECT_EQ(edits(kScreen), SegmentEdits(60));
    EXPECT_EQ(m_reader.samples(kScreen).sampleCount(), 9u);
    EXPECT_EQ(DescriptionFormat(track(kScreen)), "mvdk");

    EXPECT_EQ(track(kCursor).header.layer, -1);
    EXPECT_EQ(track(kCursor).header.matrix, qtfile::Matrix{});
    EXPECT_EQ(track(kCursor).header.width, Scenario::kCursorSize << 16);
    EXPECT_EQ(edits(kCursor), SegmentEdits(60));
    EXPECT_EQ(DescriptionFormat(track(kCursor)), "rle ");

    // The sound packets and captions of each segment run a little longer
    // than the video: the segment is cut to the shortest, the media keeps
    // all of it.
    EXPECT_EQ(track(kPCM).media.header.timeScale, 44100u);
    EXPECT_EQ(track(kPCM).header.volume, 0x100);
    EXPECT_EQ(edits(kPCM), SegmentEdits(2 * Scenario::kPCMFramesPerBuffer));
    EXPECT_EQ(m_reader.samples(kPCM).sampleCount(), 3u * 2 * Scenario::kPCMFramesPerBuffer);
    EXPECT_EQ(DescriptionFormat(track(kPCM)), "twos");
    EXPECT_EQ(track(kIMA).media.header.timeScale, 22050u);
    EXPECT_EQ(edits(kIMA), SegmentEdits(Scenario::kIMAPacketsPerSegment * 64));
    EXPECT_EQ(m_reader.samples(kIMA).sampleCount(), 3u * Scenario::kIMAPacketsPerSegment);
    EXPECT_EQ(DescriptionFormat(track(kIMA)), "ima4");
    // The raw track is not cut by pauses: one edit holds its three segments.
    EXPECT_EQ(edits(kRaw), (std::vector<EditListEntry>{{180, 0, 0x10000}}));
    EXPECT_EQ(m_reader.samples(kRaw).sampleCount(), 3u * Scenario::kRawFramesPerSegment);
    EXPECT_EQ(DescriptionFormat(track(kRaw)), "twos");
    EXPECT_EQ(edits(kText), SegmentEdits(Scenario::kCaptionDuration));
    EXPECT_EQ(DescriptionFormat(track(kText)), "text");
}

TEST_F(RecordingTest, FramesDecodeToWhatWasFed) {
    expectFramesAsFed(kScreen, kCVPixelFormatType_32BGRA, scenario().screenFrames);
    expectFramesAsFed(kCursor, kCVPixelFormatType_32ARGB, scenario().cursorFrames);
}

TEST_F(RecordingTest, RecoveryFileHoldsEveryRecordInOrder) {
    std::vector<unsigned char> expected = mvdtest::ExpectedRecoveryFile(scenario(), m_reader);
    std::vector<unsigned char> actual = mvdtest::ReadFileBytes(s_movie->recoveryPath());
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected);
}

}  // namespace

// The recorded movie as ffprobe and ffmpeg see it: every stream with its
// duration, the PCM samples of every segment and the cursor frames exactly
// as fed.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Support/FFmpegTool.h"
#include "Support/RecordingScenario.h"
#include "Support/ScreenCodecEnvironment.h"
#include "Support/TempDir.h"

namespace {

using mvdtest::RecordedScenario;
using Scenario = RecordedScenario;

class RecordingInterop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (mvdtest::FFmpegToolsMissing().empty()) {
            mvdtest::ScreenCodecEnvironment codec;
            s_movie = mvdtest::RecordScenarioMovie();
        }
    }
    static void TearDownTestSuite() { s_movie.reset(); }
    void SetUp() override {
        std::string missing = mvdtest::FFmpegToolsMissing();
        if (!missing.empty()) {
            GTEST_SKIP() << missing;
        }
        m_path = s_movie->moviePath();
    }
    const RecordedScenario& scenario() const { return s_movie->scenario; }

    static std::unique_ptr<mvdtest::RecordedMovie> s_movie;
    std::string m_path;
};

std::unique_ptr<mvdtest::RecordedMovie> RecordingInterop::s_movie;

TEST_F(RecordingInterop, FFprobeListsEveryStream) {
    std::string error;
    auto probe = mvdtest::FFprobe(m_path, {"-show_streams", "-show_format"}, &error);
    ASSERT_TRUE(probe.has_value()) << error;
    const auto& streams = (*probe)["streams"];
    ASSERT_EQ(streams.size(), 6u);
    struct Expected {
        const char* type;
        const char* tag;
    };
    const Expected expected[] = {{"video", "mvdk"}, {"video", "rle "}, {"audio", "twos"},
                                 {"audio", "ima4"}, {"audio", "twos"}, {"subtitle", "text"}};
    for (size_t i = 0; i < 6; ++i) {
        const auto& stream = streams[i];
        EXPECT_EQ(stream["codec_type"].string(), expected[i].type) << i;
        EXPECT_EQ(stream["codec_tag_string"].string(), expected[i].tag) << i;
        EXPECT_NEAR(stream["duration"].asNumber(), 0.3, 0.002) << i;
    }
    EXPECT_EQ(streams[0]["width"].asNumber(), Scenario::kWidth);
    EXPECT_EQ(streams[1]["height"].asNumber(), Scenario::kCursorSize);
    EXPECT_EQ(streams[2]["channels"].asNumber(), 2);
    EXPECT_EQ(streams[3]["sample_rate"].string(), "22050");
    EXPECT_EQ(streams[4]["sample_rate"].string(), "8000");
    EXPECT_NEAR((*probe)["format"]["duration"].asNumber(), 0.3, 0.002);
}

TEST_F(RecordingInterop, FFmpegDecodesPCMExactly) {
    std::string error;
    auto pcm = mvdtest::FFmpegDecode(m_path, {"-map", "0:a:0", "-f", "s16le"}, &error);
    ASSERT_TRUE(pcm.has_value()) << error;
    const std::vector<int16_t>& fed = scenario().pcmSamples;
    ASSERT_EQ(pcm->size(), fed.size() * 2);
    std::vector<int16_t> decoded(fed.size());
    std::memcpy(decoded.data(), pcm->data(), pcm->size());
    EXPECT_TRUE(decoded == fed);
}

TEST_F(RecordingInterop, FFmpegDecodesCursorFramesExactly) {
    std::string error;
    auto frames = mvdtest::FFmpegDecode(
        m_path, {"-map", "0:v:1", "-vsync", "passthrough", "-f", "rawvideo", "-pix_fmt", "argb"},
        &error);
    ASSERT_TRUE(frames.has_value()) << error;
    size_t frameBytes = Scenario::kCursorSize * Scenario::kCursorSize * 4;
    const auto& fed = scenario().cursorFrames;
    ASSERT_EQ(frames->size(), frameBytes * fed.size());
    for (size_t i = 0; i < fed.size(); ++i) {
        auto begin = frames->begin() + static_cast<long>(i * frameBytes);
        EXPECT_TRUE(std::equal(begin, begin + static_cast<long>(frameBytes), fed[i].bytes.begin()))
            << "frame " << i;
    }
}

}  // namespace

// Capture files converted into movies, checked by ffmpeg: it decodes the
// Animation frames itself, and they must be exactly the reader's frames
// (sprites drawn) with their lines in reverse order, each lasting what its
// frame header says.
#include <gtest/gtest.h>

#include <tuple>

#include "ConversionTestSupport.h"
#include "Support/FFmpegTool.h"
#include "Support/TempDir.h"

namespace {

using conversiontest::Pixels;
using conversiontest::ReaderFrame;

class ConversionInterop : public ::testing::TestWithParam<conversiontest::TypeAndFormat> {
  protected:
    void SetUp() override {
        if (std::string why = mvdtest::FFmpegToolsMissing(); !why.empty()) {
            GTEST_SKIP() << why;
        }
    }
};

TEST_P(ConversionInterop, FfmpegSeesTheReadersFramesAndDurations) {
    const auto [type, pixelFormat] = GetParam();
    mvdtest::TempDir dir;
    const std::string capture = dir.file("rec.mvrc");
    const std::string movie = dir.file("rec.mov");
    conversiontest::RecordCapture(capture, type, pixelFormat, 24);
    MVRCReader().convertToMOV(capture.c_str(), movie.c_str());
    const std::vector<ReaderFrame> frames = conversiontest::ReaderFrames(capture);
    ASSERT_EQ(frames.size(), 24u);

    std::string error;
    const auto decoded = mvdtest::FFmpegDecode(
        movie, {"-map", "0:v:0", "-vsync", "passthrough", "-f", "rawvideo", "-pix_fmt", "argb"},
        &error);
    ASSERT_TRUE(decoded) << error;
    const size_t frameBytes = frames[0].picture.size();
    ASSERT_EQ(decoded->size(), frameBytes * frames.size());
    for (size_t f = 0; f < frames.size(); ++f) {
        const Pixels got(decoded->begin() + f * frameBytes,
                         decoded->begin() + (f + 1) * frameBytes);
        EXPECT_EQ(got, frames[f].picture) << "frame " << f;
    }

    const auto probe = mvdtest::FFprobe(movie, {"-show_streams", "-show_packets"}, &error);
    ASSERT_TRUE(probe) << error;
    EXPECT_EQ((*probe)["streams"][0]["codec_name"].string(), "qtrle");
    EXPECT_EQ((*probe)["streams"][0]["time_base"].string(), "1/600");
    const auto& packets = (*probe)["packets"];
    ASSERT_EQ(packets.size(), frames.size());
    double pts = 0;
    for (size_t f = 0; f < frames.size(); ++f) {
        EXPECT_EQ(packets[f]["pts"].asNumber(), pts) << "frame " << f;
        EXPECT_EQ(packets[f]["duration"].asNumber(), frames[f].duration) << "frame " << f;
        pts += frames[f].duration;
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ConversionInterop, conversiontest::AllTypesAndFormats(),
                         conversiontest::TypeAndFormatName);

TEST(ConversionInteropEdges, EmptyCaptureMakesAMovieFfprobeReads) {
    if (std::string why = mvdtest::FFmpegToolsMissing(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    mvdtest::TempDir dir;
    const std::string capture = dir.file("empty.mvrc");
    const std::string movie = dir.file("empty.mov");
    conversiontest::WriteEmptyCapture(capture, kMVDPixelFormat32BGRA);
    MVRCReader().convertToMOV(capture.c_str(), movie.c_str());
    std::string error;
    const auto probe = mvdtest::FFprobe(movie, {"-show_streams", "-show_packets"}, &error);
    ASSERT_TRUE(probe) << error;
    EXPECT_EQ((*probe)["packets"].size(), 0u);
}

}  // namespace

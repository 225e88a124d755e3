// Capture files that are empty, damaged or cut short converted into movies
// (whole ones of every compression type are checked through ffmpeg).
#include <gtest/gtest.h>

#include <cstring>

#include "Capture/MVRCReader.h"
#include "Capture/MVRCWriter.h"
#include "ConversionTestSupport.h"
#include "MVDCommon/MVDException.h"
#include "Support/TempDir.h"

namespace {

using conversiontest::DecodedTrack;
using conversiontest::DecodeVideoTrack;
using conversiontest::Pixels;
using conversiontest::ReaderFrame;
using conversiontest::ReaderFrames;
using conversiontest::RecordCapture;

void ExpectMovieOf(const std::string& moviePath, const std::vector<ReaderFrame>& frames) {
    const DecodedTrack track = DecodeVideoTrack(moviePath, 0);
    ASSERT_EQ(track.frames.size(), frames.size());
    for (size_t f = 0; f < frames.size(); ++f) {
        EXPECT_EQ(track.frames[f], frames[f].picture) << "frame " << f;
        EXPECT_EQ(track.samples[f].duration, frames[f].duration) << "frame " << f;
    }
}

TEST(CaptureConversionEdges, EmptyCaptureMakesAnEmptyMovie) {
    mvdtest::TempDir dir;
    const std::string capture = dir.file("empty.mvrc");
    const std::string movie = dir.file("empty.mov");
    conversiontest::WriteEmptyCapture(capture, kMVDPixelFormat32ARGB);
    MVRCReader().convertToMOV(capture.c_str(), movie.c_str());
    qtfile::MovieFileReader reader;
    ASSERT_TRUE(reader.open(movie).ok());
    EXPECT_EQ(reader.trackCount(), 0u);
}

// A capture cut short, one whose zlib data is damaged and one with a frame
// rate of 0: the error is reported, and the movie keeps every frame read
// before it.
TEST(CaptureConversionEdges, DamageKeepsTheFramesBeforeIt) {
    mvdtest::TempDir dir;
    const std::string capture = dir.file("rec.mvrc");
    RecordCapture(capture, kMVRCCompressionDeltaRLEZlib, kMVDPixelFormat32ARGB, 12);
    const std::vector<ReaderFrame> all = ReaderFrames(capture);
    const Pixels bytes = mvdtest::ReadFileBytes(capture);

    const std::vector<size_t> starts = conversiontest::FrameRecordStarts(bytes);
    ASSERT_EQ(starts.size(), all.size());
    const auto convert = [&](const Pixels& damaged, const char* name) {
        const std::string broken = dir.file(std::string(name) + ".mvrc");
        const std::string movie = dir.file(std::string(name) + ".mov");
        mvdtest::WriteFileBytes(broken, damaged);
        bool threw = false;
        try {
            MVRCReader().convertToMOV(broken.c_str(), movie.c_str());
        } catch (const MVRCReaderException&) {
            threw = true;
        } catch (int code) {
            EXPECT_EQ(code, 1);
            threw = true;
        }
        EXPECT_TRUE(threw) << name;
        return movie;
    };

    Pixels cut(bytes.begin(), bytes.begin() + starts[7] + 30);
    ExpectMovieOf(convert(cut, "cut"), {all.begin(), all.begin() + 7});

    Pixels zlib = bytes;
    const size_t chunk = starts[5] + 5 + 14 + 16;  // the frame's one "DRDT" chunk
    zlib[chunk + 9] ^= 0xFF;                       // its zlib header

    ExpectMovieOf(convert(zlib, "zlib"), {all.begin(), all.begin() + 5});

    Pixels rate = bytes;
    std::memset(rate.data() + starts[4] + 5, 0, 4);
    ExpectMovieOf(convert(rate, "rate"), {all.begin(), all.begin() + 4});
}

}  // namespace

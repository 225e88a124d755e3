// Capture recordings that run out of disk, through the synchronous and the
// asynchronous file writer: the failure reaches the recorder (from a later
// writeFrame, at the latest from closeFile), and the file holds exactly the
// bytes an unlimited recording has up to the limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Capture/AsynchronousFileWriter.h"
#include "Capture/CaptureReadBack.h"
#include "Capture/CaptureTestContent.h"
#include "Capture/MVRCWriter.h"
#include "Capture/SynchronousFileWriter.h"
#include "Support/FileSizeLimit.h"
#include "Support/TempDir.h"

namespace {

using capturetest::ReadCapture;

using Bytes = std::vector<unsigned char>;

constexpr uint32_t kWidth = 160;
constexpr uint32_t kHeight = 100;
constexpr int kFrames = 120;

// Records kFrames frames (a whole first frame, then small changes and a
// whole frame every 20th) until a call fails.  The report names the call
// and its message, or "none".
std::string Record(const std::string& path, bool async) {
    const char* call = "setup";
    try {
        std::unique_ptr<MVRCWriter> writer =
            async ? std::make_unique<MVRCWriter>(std::make_unique<AsynchronousFileWriter>())
                  : std::make_unique<MVRCWriter>();
        tagMVDImageFormat format{kWidth, kHeight, kMVDPixelFormat32BGRA, 4};
        MVDImage image(&format);
        capturetest::PaintScreen(image, 3);
        std::mt19937 rng(11);
        writer->openFile(path);
        writer->writeHeader(&format);
        for (int f = 0; f < kFrames; ++f) {
            CGRect rect = CGRectMake(0, 0, kWidth, kHeight);
            if (f % 20 != 0) {
                const tagMVDRect r = capturetest::RandomRect(kWidth, kHeight, rng);
                capturetest::ChangeRect(image, r, rng);
                rect = capturetest::ToCGRect(r);
            } else if (f > 0) {
                capturetest::PaintNoise(image, {0, 0, int32_t(kWidth), int32_t(kHeight)}, rng);
            }
            call = "frame";
            writer->writeFrame(1, 10.0f, &image, 1, &rect);
        }
        call = "close";
        writer->closeFile();
        return "none\n";
    } catch (const FileWriterException& e) {
        return std::string(call) + "\n" + e.what();
    } catch (const std::exception& e) {
        return std::string("not a FileWriterException, in ") + call + "\n" + e.what();
    }
}

class CaptureDiskFull : public ::testing::TestWithParam<bool> {};

TEST_P(CaptureDiskFull, FailureIsReportedAndTheFramesBeforeItStayReadable) {
    const bool async = GetParam();
    mvdtest::TempDir dir;
    const std::string reference = dir.file("whole.mvrc");
    ASSERT_EQ(Record(reference, async), "none\n");
    const Bytes whole = mvdtest::ReadFileBytes(reference);
    ASSERT_EQ(ReadCapture(reference).frames.size(), size_t(kFrames));

    // Cut in the middle of the recording and just before its end marker.
    for (const rlim_t limit : {rlim_t(whole.size() * 2 / 5), rlim_t(whole.size() - 3)}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        const std::string path = dir.file("cut" + std::to_string(limit) + ".mvrc");
        std::istringstream report(
            mvdtest::RunWithFileSizeLimit(limit, [&] { return Record(path, async); }));
        std::string call, message;
        std::getline(report, call);
        std::getline(report, message);
        EXPECT_TRUE(call == "frame" || call == "close") << call << ": " << message;
        EXPECT_TRUE(message == "fwrite failed" || message == "fclose failed") << message;

        const Bytes cut = mvdtest::ReadFileBytes(path);
        ASSERT_EQ(cut.size(), size_t(limit));
        ASSERT_TRUE(std::equal(cut.begin(), cut.end(), whole.begin()))
            << "the bytes before the failure differ from an unlimited recording";
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, CaptureDiskFull, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Asynchronous" : "Synchronous";
                         });

// A failed write is final: the synchronous writer refuses later writes
// instead of continuing after a hole, as the asynchronous one does.
TEST(CaptureDiskFull, AFailedWriteIsFinal) {
    SynchronousFileWriter writer;
    writer.open("/dev/full");
    writer.setBufferSize(16);
    const Bytes big(4096, 7);
    EXPECT_THROW(writer.write(big.data(), int(big.size())), FileWriterException);
    EXPECT_THROW(writer.write("a", 1), FileWriterException);
    EXPECT_THROW(writer.close(), FileWriterException);

    // closeFile closes the file even when its end marker cannot be written,
    // so the writer can start the next recording.
    mvdtest::TempDir dir;
    tagMVDImageFormat format{8, 8, kMVDPixelFormat32BGRA, 4};
    MVDImage image(&format);
    CGRect whole = CGRectMake(0, 0, 8, 8);
    MVRCWriter capture;
    capture.openFile("/dev/full");
    capture.writeHeader(&format);
    EXPECT_THROW(
        {
            for (int f = 0; f < 200; ++f) {
                capture.writeFrame(1, 10.0f, &image, 1, &whole);
            }
        },
        FileWriterException);
    EXPECT_THROW(capture.closeFile(), FileWriterException);
    capture.openFile(dir.file("next.mvrc"));
    capture.writeHeader(&format);
    capture.writeFrame(1, 10.0f, &image, 1, &whole);
    capture.closeFile();
    EXPECT_EQ(ReadCapture(dir.file("next.mvrc")).frames.size(), 1u);
}

}  // namespace

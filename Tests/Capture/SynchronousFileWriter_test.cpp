#include "Capture/SynchronousFileWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Capture/MVRCWriter.h"
#include "Support/TempDir.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Order across buffer sizes is shown by the capture files, which this
// writer writes by default.
TEST(SynchronousFileWriter, ReopeningTruncates) {
    mvdtest::TempDir dir;
    SynchronousFileWriter writer;
    writer.open(dir.file("a"));
    writer.write("hello", 5);
    writer.close();
    writer.close();  // closing twice is harmless
    writer.open(dir.file("a"));
    writer.write("x", 1);
    writer.close();
    EXPECT_EQ(mvdtest::ReadFileBytes(dir.file("a")), Bytes{'x'});
}

TEST(SynchronousFileWriter, FailuresAreReported) {
    mvdtest::TempDir dir;
    SynchronousFileWriter writer;
    try {
        writer.open(dir.file("no/such/folder"));
        FAIL() << "open did not throw";
    } catch (const FileWriterException& e) {
        EXPECT_STREQ(e.what(), "fopen failed");
    }
    EXPECT_THROW(writer.write("x", 1), FileWriterException);  // not open

    // /dev/full takes no byte: a write larger than the stream buffer fails
    // at once, smaller ones at the latest when the file is closed.
    writer.open("/dev/full");
    writer.setBufferSize(64);
    const Bytes big(4096, 1);
    EXPECT_THROW(writer.write(big.data(), int(big.size())), FileWriterException);
    EXPECT_THROW(writer.close(), FileWriterException);
    writer.open("/dev/full");
    writer.write("abc", 3);
    try {
        writer.close();
        FAIL() << "close did not throw";
    } catch (const FileWriterException& e) {
        EXPECT_STREQ(e.what(), "fclose failed");
    }
}

TEST(SynchronousFileWriter, CaptureWriterReportsAFullDisk) {
    tagMVDImageFormat format{64, 64, kMVDPixelFormat32ARGB, 4};
    MVDImage image(&format);
    MVRCWriter writer;
    writer.openFile("/dev/full");
    writer.writeHeader(&format);
    CGRect whole = CGRectMake(0, 0, 64, 64);
    EXPECT_THROW(
        {
            for (int f = 0; f < 4; ++f) {
                writer.writeFrame(1, 10.0f, &image, 1, &whole);
            }
            writer.closeFile();
        },
        FileWriterException);
}

}  // namespace

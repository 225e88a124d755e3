#include "Capture/AsynchronousFileWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Capture/MVRCWriter.h"
#include "CaptureTestContent.h"
#include "Support/TempDir.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Writes of random sizes, some larger than the staging buffer, with random
// flushes: the file holds every byte in the order written.
TEST(AsynchronousFileWriter, KeepsOrderAcrossManyJobs) {
    mvdtest::TempDir dir;
    const std::string path = dir.file("order");
    Bytes expected;
    std::mt19937 rng(17);
    {
        AsynchronousFileWriter writer;
        writer.setBufferSize(1000);
        writer.open(path);
        for (int i = 0; i < 3000; ++i) {
            const size_t n = rng() % 16 == 0 ? 1000 + rng() % 3000 : rng() % 300;
            Bytes chunk(n);
            for (auto& b : chunk) {
                b = static_cast<unsigned char>(rng());
            }
            writer.write(chunk.data(), int(n));
            expected.insert(expected.end(), chunk.begin(), chunk.end());
            if (rng() % 50 == 0) {
                writer.flush();
            }
        }
        writer.close();
        EXPECT_FALSE(writer.isOpen());
    }
    EXPECT_EQ(mvdtest::ReadFileBytes(path), expected);
}

// A full buffer, one byte more, a new capacity while open and a write larger
// than the buffer keep the bytes in order. Bytes written just before close,
// or before destruction without close, are in the file once the call returns.
TEST(AsynchronousFileWriter, StagingAndStopping) {
    mvdtest::TempDir dir;
    AsynchronousFileWriter writer;
    writer.open(dir.file("staging"));
    const Bytes mebibyte(0x100000, 7);
    writer.write(mebibyte.data(), int(mebibyte.size()));
    writer.write("x", 1);
    writer.flush();
    writer.flush();
    writer.write("abc", 3);
    writer.setBufferSize(2);
    writer.write("de", 2);
    writer.write("fgh", 3);
    writer.close();
    Bytes expected = mebibyte;
    for (char c : std::string("xabcdefgh")) {
        expected.push_back(static_cast<unsigned char>(c));
    }
    EXPECT_EQ(mvdtest::ReadFileBytes(dir.file("staging")), expected);

    for (int round = 0; round < 20; ++round) {
        const std::string path = dir.file("stop" + std::to_string(round));
        const Bytes payload(5000 + round * 997, static_cast<unsigned char>(round));
        {
            AsynchronousFileWriter stopping;
            stopping.setBufferSize(round % 2 == 0 ? 4096 : 0x100000);
            stopping.open(path);
            stopping.write(payload.data(), int(payload.size()));
            stopping.write("!", 1);
            if (round % 2 == 0) {
                stopping.close();
            }
        }
        ASSERT_EQ(mvdtest::ReadFileBytes(path).size(), payload.size() + 1) << round;
    }
}

TEST(AsynchronousFileWriter, FailuresAreReported) {
    mvdtest::TempDir dir;
    AsynchronousFileWriter writer;
    try {
        writer.open(dir.file("missing/folder/file"));
        FAIL() << "open did not throw";
    } catch (const FileWriterException& e) {
        EXPECT_STREQ(e.what(), "fopen failed");
    }
    EXPECT_FALSE(writer.isOpen());

    // The disk thread's failure reaches the producer on a later call, and
    // at the latest on close.
    writer.setBufferSize(16);
    writer.open("/dev/full");
    const Bytes big(1 << 16, 3);
    bool thrown = false;
    for (int i = 0; i < 2000 && !thrown; ++i) {
        try {
            writer.write(big.data(), int(big.size()));
        } catch (const FileWriterException& e) {
            EXPECT_STREQ(e.what(), "fwrite failed");
            thrown = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(thrown);
    EXPECT_THROW(writer.close(), FileWriterException);
    EXPECT_FALSE(writer.isOpen());

    AsynchronousFileWriter quiet;
    quiet.open("/dev/full");
    quiet.write("abc", 3);
    EXPECT_THROW(quiet.close(), FileWriterException);
}

// The capture writer over the asynchronous writer makes the same file as
// over the synchronous one.
TEST(AsynchronousFileWriter, CaptureFilesMatchTheSynchronousWriter) {
    mvdtest::TempDir dir;
    tagMVDImageFormat format{120, 80, kMVDPixelFormat32ARGB, 4};
    std::vector<Bytes> files;
    for (bool async : {false, true}) {
        MVDImage image(&format);
        capturetest::PaintScreen(image, 2);
        std::mt19937 rng(8);
        const std::string path = dir.file(async ? "async.mvrc" : "sync.mvrc");
        std::unique_ptr<MVRCWriter> writer =
            async ? std::make_unique<MVRCWriter>(std::make_unique<AsynchronousFileWriter>())
                  : std::make_unique<MVRCWriter>();
        writer->openFile(path);
        writer->writeHeader(&format);
        CGRect whole = CGRectMake(0, 0, 120, 80);
        writer->writeFrame(1, 30.0f, &image, 1, &whole);
        for (int f = 0; f < 40; ++f) {
            const tagMVDRect r = capturetest::RandomRect(120, 80, rng);
            capturetest::ChangeRect(image, r, rng);
            CGRect rect = capturetest::ToCGRect(r);
            writer->writeFrame(1, 30.0f, &image, 1, &rect);
        }
        writer->closeFile();
        files.push_back(mvdtest::ReadFileBytes(path));
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_GT(files[0].size(), 120u * 80u);
}

}  // namespace

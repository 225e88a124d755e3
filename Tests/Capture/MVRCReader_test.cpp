// The reader against damaged and hostile files.
#include "Capture/MVRCReader.h"
#include "Capture/CaptureReadBack.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Capture/MVRCWriter.h"
#include "CaptureTestContent.h"
#include "Support/TempDir.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Writes a short recording of every kind of record: key and difference
// frames of the given type, an empty frame, sprites with and without image.
Bytes Recording(MVRCCompressionType type, const std::string& path) {
    tagMVDImageFormat format{23, 17, kMVDPixelFormat32BGRA, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 1);
    MVDImage cursor(3, 3, kMVDPixelFormat32BGRA, 4, nullptr);
    std::mt19937 rng(5);
    MVRCWriter writer;
    writer.setCompressionType(type);
    writer.openFile(path);
    writer.writeHeader(&format);
    CGRect whole = CGRectMake(0, 0, 23, 17);
    writer.writeFrame(1, 20.0f, &image, 1, &whole, &cursor, CGRectMake(2, 2, 3, 3));
    for (int f = 0; f < 3; ++f) {
        const tagMVDRect r = capturetest::RandomRect(23, 17, rng);
        capturetest::ChangeRect(image, r, rng);
        CGRect rect = capturetest::ToCGRect(r);
        writer.writeFrame(1, 20.0f, &image, 1, &rect, nullptr, CGRectMake(f, f, 3, 3));
    }
    writer.writeFrame(1, 20.0f, &image, 0, nullptr);
    writer.closeFile();
    return mvdtest::ReadFileBytes(path);
}

enum class Outcome { kRead, kReaderException, kZlibFailure };

// Reads a whole file; every failure must be one of the two documented ones.
Outcome ReadAll(const std::string& path, std::string* message = nullptr) {
    try {
        const capturetest::ReadBack read = capturetest::ReadCapture(path);
        if (read.error.empty()) {
            return Outcome::kRead;
        }
        if (message != nullptr) {
            *message = read.error;
        }
        return Outcome::kReaderException;
    } catch (int code) {
        EXPECT_EQ(code, 1);
        return Outcome::kZlibFailure;
    }
}

std::string Failure(const Bytes& file) {
    mvdtest::TempDir dir;
    const std::string path = dir.file("bad.mvrc");
    mvdtest::WriteFileBytes(path, file);
    std::string message;
    EXPECT_EQ(ReadAll(path, &message), Outcome::kReaderException);
    return message;
}

void Put32(Bytes* file, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        (*file)[offset + i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

// Offsets in a type-2 recording: the first frame starts after the header.
constexpr size_t kFirstFrame = 22;
constexpr size_t kFirstRectList = kFirstFrame + 5 + 14;
constexpr size_t kFirstChunk = kFirstRectList + 16;

class CaptureReaderDamage : public ::testing::Test {
  protected:
    mvdtest::TempDir m_dir;
    Bytes m_file = Recording(kMVRCCompressionDeltaRLE, m_dir.file("good.mvrc"));
};

// One damage per validation path: a value written at an offset.
struct Damage {
    size_t offset;
    uint32_t value;
    int width;  // bytes, little-endian
    const char* message;
    bool whole = false;  // the whole message, not a part of it
};

TEST_F(CaptureReaderDamage, EachDamageHasItsMessage) {
    const Damage damages[] = {
        {4, 1, 1, "Should've gotten an MVRC\n", true},
        {6, 1000000, 4, "Unsupported frame format: 1000000 x 17"},
        {18, 3, 4, "3 bytes per pixel"},
        {14, 0x12345678, 4, "Unsupported pixel format"},
        {kFirstFrame + 1, 'X', 1, "Should've gotten an SMPL", true},
        {kFirstFrame + 5 + 9, 5, 1, "Compression type not supported!", true},
        {kFirstChunk, 'd', 1, "Should've gotten an DRDT", true},
        {kFirstFrame + 5 + 10, 0xFFFFFFFF, 4, "Rectangle count 4294967295 does not fit"},
        {kFirstRectList, 1, 4, "lies outside the frame"},  // x = 1 with the frame's width
        {kFirstRectList + 12, 0x80000000, 4, "lies outside the frame"},
        {kFirstChunk + 5, 0x7FFFFFFF, 4, "runs past the end of the file"},
        {kFirstChunk + 9, 0, 2, ""},  // the first code becomes an end of line
    };
    for (const Damage& d : damages) {
        Bytes file = m_file;
        for (int i = 0; i < d.width; ++i) {
            file[d.offset + i] = static_cast<unsigned char>(d.value >> (8 * i));
        }
        const std::string message = Failure(file);
        EXPECT_TRUE(d.whole ? message == d.message : message.find(d.message) != std::string::npos)
            << message;
    }
    EXPECT_EQ(Failure(Bytes(m_file.begin(), m_file.begin() + 10)), "Should've gotten an MVRC\n");
    // A missing end marker is an error, not a clean end.
    EXPECT_NE(Failure(Bytes(m_file.begin(), m_file.end() - 5)).find("Unexpected end of file"),
              std::string::npos);
    MVRCReader reader;
    EXPECT_THROW(reader.openFile(m_dir.file("none.mvrc").c_str()), MVRCReaderException);
}

TEST_F(CaptureReaderDamage, DamagedZlibStreamThrowsOne) {
    const Bytes file = Recording(kMVRCCompressionDeltaRLEZlib, m_dir.file("z.mvrc"));
    Bytes bad = file;
    bad[kFirstChunk + 9] ^= 0xFF;  // the zlib header
    const std::string path = m_dir.file("badz.mvrc");
    mvdtest::WriteFileBytes(path, bad);
    EXPECT_EQ(ReadAll(path), Outcome::kZlibFailure);
    // A stream cut short inside its chunk is a reader error.
    bad = file;
    const uint32_t size = MVRCLoad32(&bad[kFirstChunk + 5]);
    Put32(&bad, kFirstChunk + 5, size / 2);
    bad.erase(bad.begin() + kFirstChunk + 9 + size / 2, bad.begin() + kFirstChunk + 9 + size);
    EXPECT_NE(Failure(bad).find("ends before its stream does"), std::string::npos);
}

// Every cut of every kind of recording fails cleanly; so does every
// single-byte change (ASan watches the buffers while this runs).
TEST(CaptureReaderSweep, CutsAndFlippedBytesNeverEscape) {
    mvdtest::TempDir dir;
    const std::string path = dir.file("sweep.mvrc");
    for (uint8_t type = 0; type < kMVRCCompressionTypeCount; ++type) {
        const Bytes file = Recording(static_cast<MVRCCompressionType>(type), dir.file("src.mvrc"));
        for (size_t n = 0; n < file.size(); n += 1 + n / 64) {
            mvdtest::WriteFileBytes(path, Bytes(file.begin(), file.begin() + n));
            ASSERT_EQ(ReadAll(path), Outcome::kReaderException)
                << "type " << int(type) << " cut " << n;
        }
        std::mt19937 rng(type);
        for (int i = 0; i < 300; ++i) {
            Bytes bad = file;
            bad[rng() % bad.size()] ^= static_cast<unsigned char>(1 + rng() % 255);
            mvdtest::WriteFileBytes(path, bad);
            ReadAll(path);
        }
    }
}

TEST(CaptureReader, SampleDurationAndPPMDump) {
    _MVRCFrameHeader frame{15, 2, 0, 2, 0};
    EXPECT_EQ(MVRCReader::sampleDuration(frame, 600), 80u);
    frame.frameRate = 0;
    EXPECT_FALSE(MVRCReader::sampleDuration(frame, 600).has_value());
    frame = {1, 0xFFFFFFFF, 0, 2, 0};
    EXPECT_EQ(MVRCReader::sampleDuration(frame, 600), 0xFFFFFFFFu);

    // Type 4 chunks pass through the scratch buffer; the dump writes one
    // PPM per rectangle that the buffer still holds.
    mvdtest::TempDir dir;
    const std::string path = dir.file("yuv.mvrc");
    Recording(kMVRCCompressionYUVDeltaRLE, path);
    MVRCReader reader;
    reader.setPPMDirectory(dir.path());
    reader.openFile(path.c_str());
    reader.readHeader(nullptr);
    _MVRCFrameHeader header;
    ASSERT_TRUE(reader.readFrame(&header, nullptr));
    CGRect small[2] = {CGRectMake(0, 0, 2, 2), CGRectMake(0, 0, 23, 17)};
    reader.writeDirtyRectsAsPPM(2, small);
    const Bytes ppm = mvdtest::ReadFileBytes(dir.file("0 dirtyrect 0.ppm"));
    const std::string head = "P6\n2 2\n255\n";
    ASSERT_EQ(ppm.size(), head.size() + 12);
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + long(head.size())), head);
    CGRect outside = CGRectMake(20, 0, 5, 5);
    EXPECT_THROW(reader.writeDirtyRectsAsPPM(1, &outside), MVRCReaderException);
}

}  // namespace

// The reader against damaged and hostile files.
#include "Capture/MVRCReader.h"

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
        MVRCReader reader;
        reader.openFile(path.c_str());
        _MVRCHeader header;
        reader.readHeader(&header);
        tagMVDImageFormat format = header.format();
        MVDImage out(&format);
        _MVRCFrameHeader frame;
        while (reader.readFrame(&frame, &out)) {
        }
        return Outcome::kRead;
    } catch (const MVRCReaderException& e) {
        if (message != nullptr) {
            *message = e.what();
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

TEST_F(CaptureReaderDamage, HeaderErrors) {
    Bytes file = m_file;
    file[4] = 1;
    EXPECT_EQ(Failure(file), "Should've gotten an MVRC\n");
    EXPECT_EQ(Failure(Bytes(m_file.begin(), m_file.begin() + 10)), "Should've gotten an MVRC\n");
    file = m_file;
    Put32(&file, 6, 1000000);
    EXPECT_NE(Failure(file).find("Unsupported frame format: 1000000 x 17"), std::string::npos);
    file = m_file;
    Put32(&file, 18, 3);
    EXPECT_NE(Failure(file).find("3 bytes per pixel"), std::string::npos);
    file = m_file;
    Put32(&file, 14, 0x12345678);
    EXPECT_NE(Failure(file).find("Unsupported pixel format"), std::string::npos);

    MVRCReader reader;
    EXPECT_THROW(reader.openFile(m_dir.file("none.mvrc").c_str()), MVRCReaderException);
}

TEST_F(CaptureReaderDamage, RecordErrors) {
    Bytes file = m_file;
    file[kFirstFrame + 1] = 'X';
    EXPECT_EQ(Failure(file), "Should've gotten an SMPL");
    file = m_file;
    file[kFirstFrame + 5 + 9] = 5;
    EXPECT_EQ(Failure(file), "Compression type not supported!");
    file = m_file;
    file[kFirstChunk] = 'd';
    EXPECT_EQ(Failure(file), "Should've gotten an DRDT");
    file = m_file;
    Put32(&file, kFirstFrame + 5 + 10, 0xFFFFFFFF);
    EXPECT_NE(Failure(file).find("Rectangle count 4294967295 does not fit"), std::string::npos);
    file = m_file;
    Put32(&file, kFirstRectList, 1);  // x = 1 with the frame's width
    EXPECT_NE(Failure(file).find("lies outside the frame"), std::string::npos);
    file = m_file;
    Put32(&file, kFirstRectList + 12, 0x80000000);
    EXPECT_NE(Failure(file).find("lies outside the frame"), std::string::npos);
    file = m_file;
    Put32(&file, kFirstChunk + 5, 0x7FFFFFFF);
    EXPECT_NE(Failure(file).find("runs past the end of the file"), std::string::npos);
    file = m_file;
    file[kFirstChunk + 9] = 0;  // the first code becomes an end of line...
    file[kFirstChunk + 10] = 0;
    EXPECT_EQ(ReadAll([&] {
                  const std::string p = m_dir.file("eol.mvrc");
                  mvdtest::WriteFileBytes(p, file);
                  return p;
              }()),
              Outcome::kReaderException);
    // A missing end marker is an error, not a clean end.
    EXPECT_NE(Failure(Bytes(m_file.begin(), m_file.end() - 5)).find("Unexpected end of file"),
              std::string::npos);
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

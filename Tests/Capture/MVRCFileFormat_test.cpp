// Exact bytes of the capture file where its layout has edge cases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Capture/MVRCReader.h"
#include "Capture/MVRCWriter.h"
#include "CaptureTestContent.h"
#include "Support/TempDir.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Append32(Bytes* b, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b->push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
}

void AppendTag(Bytes* b, const char* tag) {
    for (int i = 0; i < 5; ++i) {
        b->push_back(static_cast<unsigned char>(tag[i]));
    }
}

Bytes Header(uint32_t w, uint32_t h, uint32_t format) {
    Bytes b;
    AppendTag(&b, "MVRC");
    b.push_back(1);
    Append32(&b, w);
    Append32(&b, h);
    Append32(&b, format);
    Append32(&b, 4);
    return b;
}

Bytes FrameHeader(uint32_t rate, uint32_t duration, bool key, uint8_t type, uint32_t count) {
    Bytes b;
    AppendTag(&b, "SMPL");
    Append32(&b, rate);
    Append32(&b, duration);
    b.push_back(key ? 1 : 0);
    b.push_back(type);
    Append32(&b, count);
    return b;
}

void AppendRect(Bytes* b, int32_t x, int32_t y, int32_t w, int32_t h) {
    for (int32_t v : {x, y, w, h}) {
        Append32(b, static_cast<uint32_t>(v));
    }
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

const Bytes kEnd{'E', 'O', 'F', ' ', 0};

class CaptureFileBytes : public ::testing::Test {
  protected:
    tagMVDImageFormat m_format{4, 2, kMVDPixelFormat32ARGB, 4};
    MVDImage m_image{&m_format};
    mvdtest::TempDir m_dir;
    std::string m_path = m_dir.file("f.mvrc");

    void SetUp() override {
        for (size_t i = 0; i < m_image.byteSize(); ++i) {
            m_image.m_pData[i] = static_cast<unsigned char>(i);
        }
    }
    Bytes keyFrameOfType0() {
        Bytes b = FrameHeader(30, 1, true, 0, 1);
        AppendRect(&b, 0, 0, 4, 2);
        AppendTag(&b, "DRDT");
        Append32(&b, 32);
        b.insert(b.end(), m_image.m_pData, m_image.m_pData + 32);
        return b;
    }
};

// A recording stopped before its first frame reads as empty.
TEST_F(CaptureFileBytes, HeaderThenEndMarkerReadsAsEmpty) {
    MVRCWriter writer;
    writer.openFile(m_path);
    writer.writeHeader(&m_format);
    writer.closeFile();
    MVRCReader reader;
    reader.openFile(m_path.c_str());
    reader.readHeader(nullptr);
    _MVRCFrameHeader frame;
    EXPECT_FALSE(reader.readFrame(&frame, nullptr));
}

// The key frame stores the whole image as one rectangle, whatever the
// caller passed; a frame without rectangles has no chunk, except in type 1.
TEST_F(CaptureFileBytes, KeyFramesAndEmptyFrames) {
    for (uint8_t type = 0; type < 5; ++type) {
        MVRCWriter writer;
        writer.openFile(m_path);
        writer.setCompressionType(static_cast<MVRCCompressionType>(type));
        writer.writeHeader(&m_format);
        CGRect whole = CGRectMake(0, 0, 4, 2);
        writer.writeFrame(1, 30.0f, &m_image, 1, &whole);
        writer.writeFrame(2, 29.97f, &m_image, 0, nullptr);
        writer.closeFile();
        const Bytes file = mvdtest::ReadFileBytes(m_path);
        Bytes empty = FrameHeader(29, 2, false, type, 0);
        if (type == kMVRCCompressionZlib) {
            AppendTag(&empty, "DRDT");
            Append32(&empty, 0);
        }
        const Bytes tail = Cat({empty, kEnd});
        ASSERT_GT(file.size(), tail.size());
        EXPECT_EQ(Bytes(file.end() - tail.size(), file.end()), tail) << "type " << int(type);
        if (type == kMVRCCompressionNone) {
            EXPECT_EQ(file, Cat({Header(4, 2, 32), keyFrameOfType0(), empty, kEnd}));
        }
    }
}

TEST_F(CaptureFileBytes, StoredValuesAreTruncated) {
    tagMVDImageFormat big{200, 20, kMVDPixelFormat32ARGB, 4};
    MVDImage image(&big);
    MVRCWriter writer;
    writer.setCompressionType(kMVRCCompressionNone);
    writer.openFile(m_path);
    writer.writeHeader(&big);
    CGRect whole = CGRectMake(0, 0, 200, 20);
    writer.writeFrame(1, 10.0f, &image, 1, &whole);
    CGRect rects[2] = {CGRectMake(10.7f, 5.2f, 99.9f, 3.5f), CGRectMake(0, 0, 1, 1)};
    writer.writeFrame(1, -1.0f, &image, 2, rects);
    writer.closeFile();
    const Bytes file = mvdtest::ReadFileBytes(m_path);
    const size_t second = 22 + 19 + 16 + 9 + 200 * 20 * 4;
    Bytes expected = FrameHeader(0, 1, false, 0, 2);
    AppendRect(&expected, 10, 5, 99, 3);
    AppendRect(&expected, 0, 0, 1, 1);
    AppendTag(&expected, "DRDT");
    Append32(&expected, 99 * 3 * 4);
    ASSERT_GT(file.size(), second + expected.size());
    EXPECT_EQ(Bytes(file.begin() + second, file.begin() + second + expected.size()), expected);

    EXPECT_EQ(MVRCWriter::storedFrameRate(29.97f), 29u);
    EXPECT_EQ(MVRCWriter::storedFrameRate(-1.0f), 0u);
    EXPECT_EQ(MVRCWriter::storedFrameRate(1e12f), 0xFFFFFFFFu);
    EXPECT_EQ(MVRCWriter::storedFrameRate(std::nanf("")), 0u);
    const tagMVDRect huge = MVRCWriter::truncatedRect(CGRectMake(-1e20f, 1e20f, -2.9f, 7.99f));
    EXPECT_EQ(huge.x, INT32_MIN);
    EXPECT_EQ(huge.y, INT32_MAX);
    EXPECT_EQ(huge.width, -2);
    EXPECT_EQ(huge.height, 7);
}

TEST_F(CaptureFileBytes, SpriteChunks) {
    MVDImage sprite(2, 1, kMVDPixelFormat32BGRA, 4, nullptr);
    for (int i = 0; i < 8; ++i) {
        sprite.m_pData[i] = static_cast<unsigned char>(0xA0 + i);
    }
    MVRCWriter writer;
    writer.setCompressionType(kMVRCCompressionNone);
    writer.openFile(m_path);
    writer.writeHeader(&m_format);
    CGRect whole = CGRectMake(0, 0, 4, 2);
    // The image's own size is stored, whatever the rectangle says.
    writer.writeFrame(1, 30.0f, &m_image, 1, &whole, &sprite, CGRectMake(1.5f, 2.5f, 9, 9));
    writer.writeFrame(1, 30.0f, &m_image, 0, nullptr, nullptr, CGRectMake(-3, 1, 2, 1));
    writer.closeFile();

    Bytes withImage;
    AppendTag(&withImage, "SPDT");
    AppendRect(&withImage, 1, 2, 2, 1);
    withImage.push_back(1);
    Append32(&withImage, kMVDPixelFormat32BGRA);
    withImage.push_back(0);
    Append32(&withImage, 8);
    withImage.insert(withImage.end(), sprite.m_pData, sprite.m_pData + 8);
    Bytes reuse;
    AppendTag(&reuse, "SPDT");
    AppendRect(&reuse, -3, 1, 2, 1);
    reuse.push_back(0);
    ASSERT_EQ(reuse.size(), 22u);
    EXPECT_EQ(mvdtest::ReadFileBytes(m_path), Cat({Header(4, 2, 32), keyFrameOfType0(), withImage,
                                                   FrameHeader(30, 1, false, 0, 0), reuse, kEnd}));
}

// Rate 0 makes every frame a key frame.
TEST_F(CaptureFileBytes, KeyFrameRate) {
    for (long rate : {3L, 0L}) {
        MVRCWriter writer;
        writer.setKeyFrameRate(rate);
        writer.openFile(m_path);
        writer.writeHeader(&m_format);
        CGRect dot = CGRectMake(1, 1, 1, 1);
        for (int f = 0; f < 10; ++f) {
            writer.writeFrame(1, 30.0f, &m_image, 1, &dot);
        }
        writer.closeFile();
        MVRCReader reader;
        reader.openFile(m_path.c_str());
        reader.readHeader(nullptr);
        _MVRCFrameHeader frame;
        int f = 0;
        for (; reader.readFrame(&frame, nullptr); ++f) {
            ASSERT_EQ(frame.keyFrame, f % std::max(rate, 1L) == 0 ? 1 : 0) << rate << " " << f;
        }
        EXPECT_EQ(f, 10);
    }
}

TEST(CaptureWriter, RefusesWhatItCannotWrite) {
    MVRCWriter writer;
    mvdtest::TempDir dir;
    EXPECT_THROW(writer.openFile(dir.file("missing/x.mvrc")), FileWriterException);
    writer.openFile(dir.file("x.mvrc"));
    tagMVDImageFormat format{8, 8, kMVDPixelFormat32ARGB, 4};
    MVDImage image(&format);
    CGRect whole = CGRectMake(0, 0, 8, 8);
    EXPECT_THROW(writer.writeFrame(1, 1.0f, &image, 1, &whole), MVDException);  // no header
    tagMVDImageFormat threeBytes{8, 8, kMVDPixelFormat32ARGB, 3};
    tagMVDImageFormat huge{100000, 8, kMVDPixelFormat32ARGB, 4};
    EXPECT_THROW(writer.writeHeader(&threeBytes), MVDException);
    EXPECT_THROW(writer.writeHeader(&huge), MVDException);
    writer.writeHeader(&format);
    tagMVDImageFormat other{8, 7, kMVDPixelFormat32ARGB, 4};
    MVDImage wrongSize(&other);
    EXPECT_THROW(writer.writeFrame(1, 1.0f, &wrongSize, 1, &whole), MVDException);
    EXPECT_THROW(writer.setCompressionType(static_cast<MVRCCompressionType>(5)), MVDException);
    EXPECT_EQ(writer.createAudioTrack(1, 2, 3, 4), nullptr);
}

}  // namespace

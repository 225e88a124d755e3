// Recordings written by MVRCWriter and read back by MVRCReader, frame by
// frame, for every compression type and both pixel formats.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "Capture/MVRCReader.h"
#include "Capture/MVRCWriter.h"
#include "CaptureTestContent.h"
#include "Support/TempDir.h"

namespace {

using capturetest::Bytes;
using capturetest::ToCGRect;

struct Recorded {
    std::vector<unsigned char> pixels;  // the frame the recorder passed
    bool key;
};

// Compares a decoded frame with the source: exactly, or for YUV coding
// within the converter's loss (alpha comes back as 255 either way).
void ExpectFrame(const MVDImage& got, const std::vector<unsigned char>& want, bool lossy,
                 int frame) {
    ASSERT_EQ(got.byteSize(), want.size());
    if (!lossy) {
        ASSERT_EQ(Bytes(got), want) << "frame " << frame;
        return;
    }
    int worst = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        worst = std::max(worst, std::abs(int(got.m_pData[i]) - int(want[i])));
    }
    EXPECT_LE(worst, 3) << "frame " << frame;
}

class CaptureRoundTrip
    : public ::testing::TestWithParam<std::tuple<MVRCCompressionType, uint32_t>> {};

TEST_P(CaptureRoundTrip, EveryFrameReadsBackAsWritten) {
    const auto [type, pixelFormat] = GetParam();
    const uint32_t width = 97;
    const uint32_t height = 61;
    tagMVDImageFormat format{width, height, pixelFormat, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 7);

    mvdtest::TempDir dir;
    const std::string path = dir.file("rec.mvrc");
    std::mt19937 rng(99 + type);
    std::vector<Recorded> recorded;
    {
        MVRCWriter writer;
        writer.openFile(path);
        writer.setCompressionType(type);
        writer.setKeyFrameRate(7);
        writer.writeHeader(&format);
        for (int f = 0; f < 24; ++f) {
            std::vector<CGRect> rects;
            const int kind = f % 6;
            if (f == 0) {
                rects.push_back(CGRectMake(0, 0, CGFloat(width), CGFloat(height)));
            } else if (kind == 3) {
                // A whole-frame update at a stray origin: a key frame.
                rects.push_back(CGRectMake(3, 4, CGFloat(width), CGFloat(height)));
                capturetest::ChangeRect(image, {3, 4, int32_t(width) - 3, int32_t(height) - 4},
                                        rng);
            } else if (kind != 5) {  // kind 5: nothing changed
                const int count = 1 + int(rng() % 4);
                for (int i = 0; i < count; ++i) {
                    const tagMVDRect r = capturetest::RandomRect(width, height, rng);
                    capturetest::ChangeRect(image, r, rng);
                    rects.push_back(ToCGRect(r));
                }
            }
            writer.writeFrame(1 + f % 3, 25.0f, &image, unsigned(rects.size()), rects.data());
            recorded.push_back({Bytes(image), f % 7 == 0 || kind == 3});
        }
        writer.closeFile();
    }

    MVRCReader reader;
    reader.openFile(path.c_str());
    _MVRCHeader header;
    reader.readHeader(&header);
    MVDImage out(&format);
    _MVRCFrameHeader frame;
    for (size_t f = 0; f < recorded.size(); ++f) {
        ASSERT_TRUE(reader.readFrame(&frame, &out)) << "frame " << f;
        EXPECT_EQ(frame.compressionType, type);
        EXPECT_EQ(frame.keyFrame, recorded[f].key ? 1 : 0) << "frame " << f;
        EXPECT_EQ(frame.duration, 1 + f % 3);
        EXPECT_EQ(frame.frameRate, 25u);
        ExpectFrame(out, recorded[f].pixels, type == kMVRCCompressionYUVDeltaRLE, int(f));
    }
    EXPECT_FALSE(reader.readFrame(&frame, &out));
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, CaptureRoundTrip,
    ::testing::Combine(::testing::Values(kMVRCCompressionNone, kMVRCCompressionZlib,
                                         kMVRCCompressionDeltaRLE, kMVRCCompressionDeltaRLEZlib,
                                         kMVRCCompressionYUVDeltaRLE),
                       ::testing::Values(kMVDPixelFormat32ARGB, kMVDPixelFormat32BGRA)),
    [](const auto& info) {
        return "type" + std::to_string(int(std::get<0>(info.param))) +
               (std::get<1>(info.param) == kMVDPixelFormat32BGRA ? "_BGRA" : "_ARGB");
    });

// Sprites are drawn over the frame handed out, never into the canvas; a
// chunk without image moves the last image sent.
TEST(CaptureSprites, CursorIsDrawnOnTheCopyOnly) {
    tagMVDImageFormat format{64, 48, kMVDPixelFormat32BGRA, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 3);
    MVDImage cursor(6, 5, kMVDPixelFormat32BGRA, 4, nullptr);
    for (size_t i = 0; i < cursor.byteSize(); i += 4) {
        cursor.m_pData[i] = 0, cursor.m_pData[i + 1] = 0, cursor.m_pData[i + 2] = 255;
        cursor.m_pData[i + 3] = i % 8 == 0 ? 255 : 128;  // half of it translucent
    }
    mvdtest::TempDir dir;
    const std::string path = dir.file("sprites.mvrc");
    {
        MVRCWriter writer;
        writer.openFile(path);
        writer.writeHeader(&format);
        CGRect none{};
        CGRect whole = CGRectMake(0, 0, 64, 48);
        writer.writeFrame(1, 30.0f, &image, 1, &whole, &cursor, CGRectMake(10, 10, 6, 5));
        writer.writeFrame(1, 30.0f, &image, 0, &none, nullptr, CGRectMake(60, 45, 6, 5));
        writer.writeFrame(1, 30.0f, &image, 0, &none);  // no sprite chunk
        writer.closeFile();
    }
    MVRCReader reader;
    reader.openFile(path.c_str());
    reader.readHeader(nullptr);
    MVDImage out(&format);
    _MVRCFrameHeader frame;
    const tagMVDRect places[2] = {{10, 10, 6, 5}, {60, 45, 6, 5}};  // the second one clipped
    for (const tagMVDRect& place : places) {
        ASSERT_TRUE(reader.readFrame(&frame, &out));
        MVDImage expected(&format);
        image.blitOnto(&expected);
        tagMVDRect r = place;
        expected.alphaBlit(&cursor, &r);
        EXPECT_EQ(Bytes(out), Bytes(expected));
        EXPECT_EQ(Bytes(*reader.canvas()), Bytes(image));
        ASSERT_TRUE(reader.frameHasSprite());
        EXPECT_EQ(reader.frameSpriteRect().x, place.x);
        EXPECT_EQ(Bytes(*reader.sprite()), Bytes(cursor));
    }
    ASSERT_TRUE(reader.readFrame(&frame, &out));
    EXPECT_FALSE(reader.frameHasSprite());
    EXPECT_EQ(Bytes(out), Bytes(image));
    EXPECT_FALSE(reader.readFrame(&frame, &out));
}

// Rectangles reaching outside the frame are clipped when written, and the
// alpha byte is not stored by the Delta RLE types.
TEST(CaptureRoundTrip, ClippedRectanglesAndAlpha) {
    tagMVDImageFormat format{40, 30, kMVDPixelFormat32ARGB, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 11);
    mvdtest::TempDir dir;
    const std::string path = dir.file("clip.mvrc");
    MVRCWriter writer;
    writer.openFile(path);
    writer.writeHeader(&format);
    CGRect whole = CGRectMake(0, 0, 40, 30);
    writer.writeFrame(1, 10.0f, &image, 1, &whole);
    std::mt19937 rng(4);
    capturetest::ChangeRect(image, {30, 20, 10, 10}, rng);
    image.m_pData[(25 * 40 + 35) * 4] = 0x12;  // an alpha the file will not keep
    CGRect outside[2] = {CGRectMake(30, 20, 50, 50), CGRectMake(-5, -5, 3, 3)};
    writer.writeFrame(1, 10.0f, &image, 2, outside);
    writer.closeFile();

    MVRCReader reader;
    reader.openFile(path.c_str());
    reader.readHeader(nullptr);
    MVDImage out(&format);
    _MVRCFrameHeader frame;
    ASSERT_TRUE(reader.readFrame(&frame, &out));
    ASSERT_TRUE(reader.readFrame(&frame, &out));
    ASSERT_EQ(reader.frameRects().size(), 2u);
    EXPECT_EQ(reader.frameRects()[0].width, 10);
    EXPECT_EQ(reader.frameRects()[0].height, 10);
    EXPECT_EQ(reader.frameRects()[1].width, 0);
    image.m_pData[(25 * 40 + 35) * 4] = 0xFF;
    EXPECT_EQ(Bytes(out), Bytes(image));
}

}  // namespace

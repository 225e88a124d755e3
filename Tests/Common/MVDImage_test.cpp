#include "MVDCommon/MVDImage.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "MVDCommon/MVDException.h"
#include "Support/TempDir.h"

namespace {

using Pixel = std::array<unsigned char, 4>;

Pixel At(const MVDImage& image, unsigned x, unsigned y) {
    const unsigned char* p = image.m_pData + y * image.rowBytes() + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

void Set(MVDImage& image, unsigned x, unsigned y, Pixel value) {
    unsigned char* p = image.m_pData + y * image.rowBytes() + x * 4;
    for (int i = 0; i < 4; ++i)
        p[i] = value[i];
}

TEST(MVDImage, BlitOntoCopiesAndRefusesOtherFormats) {
    MVDImage a(2, 2, kMVDPixelFormat32BGRA, 4, nullptr);
    MVDImage b(2, 2, kMVDPixelFormat32BGRA, 4, nullptr);
    Set(a, 1, 1, {10, 20, 30, 40});
    a.blitOnto(&b);
    EXPECT_EQ(At(b, 1, 1), (Pixel{10, 20, 30, 40}));
    MVDImage other(2, 2, kMVDPixelFormat32ARGB, 4, nullptr);
    EXPECT_THROW(a.blitOnto(&other), MVDException);
}

// Straight alpha "over": c = (s*a + d*(255-a)) / 255 rounded, alpha = a + d_a*(255-a)/255.
TEST(MVDImage, AlphaBlitBlendsInBothLayouts) {
    // BGRA destination, opaque grey (100); BGRA source blue=200 at alpha 51 (20 %).
    MVDImage dst(2, 1, kMVDPixelFormat32BGRA, 4, nullptr);
    Set(dst, 0, 0, {100, 100, 100, 255});
    Set(dst, 1, 0, {100, 100, 100, 0});
    MVDImage src(2, 1, kMVDPixelFormat32BGRA, 4, nullptr);
    Set(src, 0, 0, {200, 0, 255, 51});
    Set(src, 1, 0, {200, 0, 255, 51});
    tagMVDRect r{0, 0, 2, 1};
    dst.alphaBlit(&src, &r);
    // blue: (200*51 + 100*204 + 127)/255 = 120; green: (0 + 20400 + 127)/255 = 80;
    // red: (255*51 + 20400 + 127)/255 = 131.
    EXPECT_EQ(At(dst, 0, 0), (Pixel{120, 80, 131, 255}));
    EXPECT_EQ(At(dst, 1, 0), (Pixel{120, 80, 131, 51}));

    // ARGB source over ARGB destination, fully opaque and fully clear pixels.
    MVDImage dst2(2, 1, kMVDPixelFormat32ARGB, 4, nullptr);
    Set(dst2, 0, 0, {255, 1, 2, 3});
    Set(dst2, 1, 0, {255, 1, 2, 3});
    MVDImage src2(2, 1, kMVDPixelFormat32ARGB, 4, nullptr);
    Set(src2, 0, 0, {255, 9, 8, 7});
    Set(src2, 1, 0, {0, 9, 8, 7});
    dst2.alphaBlit(&src2, &r);
    EXPECT_EQ(At(dst2, 0, 0), (Pixel{255, 9, 8, 7}));
    EXPECT_EQ(At(dst2, 1, 0), (Pixel{255, 1, 2, 3}));
}

TEST(MVDImage, AlphaBlitMixedLayoutsAndClipsAtEdges) {
    MVDImage dst(2, 2, kMVDPixelFormat32BGRA, 4, nullptr);
    MVDImage cursor(2, 2, kMVDPixelFormat32ARGB, 4, nullptr);
    for (unsigned y = 0; y < 2; ++y)
        for (unsigned x = 0; x < 2; ++x)
            Set(cursor, x, y, {255, 10, 20, 30});
    tagMVDRect r{1, -1, 2, 2};  // only the cursor's bottom-left pixel lands on (1, 0)
    dst.alphaBlit(&cursor, &r);
    EXPECT_EQ(At(dst, 1, 0), (Pixel{30, 20, 10, 255}));
    EXPECT_EQ(At(dst, 0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(At(dst, 1, 1), (Pixel{0, 0, 0, 0}));
    tagMVDRect wrong{0, 0, 1, 1};
    EXPECT_THROW(dst.alphaBlit(&cursor, &wrong), MVDException);
}

// The converters and the frame commands flip with it too, so only this
// test would see it go wrong.
TEST(MVDImage, FlipInPlaceReversesRows) {
    MVDImage image(1, 3, kMVDPixelFormat32BGRA, 4, nullptr);
    for (unsigned y = 0; y < 3; ++y)
        Set(image, 0, y, {static_cast<unsigned char>(y), 0, 0, 0});
    image.flipInPlace();
    EXPECT_EQ(At(image, 0, 0)[0], 2);
    EXPECT_EQ(At(image, 0, 1)[0], 1);
    EXPECT_EQ(At(image, 0, 2)[0], 0);
}

TEST(MVDImage, WritePPMIsBinaryP6InRGBOrder) {
    mvdtest::TempDir dir;
    MVDImage image(2, 1, kMVDPixelFormat32ARGB, 4, nullptr);
    Set(image, 0, 0, {255, 1, 2, 3});
    Set(image, 1, 0, {0, 4, 5, 6});
    std::string path = dir.file("a.ppm");
    ASSERT_TRUE(image.writePPM(path.data()));
    std::string expected = "P6\n2 1\n255\n";
    expected += std::string("\x01\x02\x03\x04\x05\x06", 6);
    auto bytes = mvdtest::ReadFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    std::string bad = dir.file("missing/a.ppm");
    EXPECT_FALSE(image.writePPM(bad.data()));
}

TEST(MVDImage, PixelBufferConvertsBetweenLayouts) {
    MVDImage image(3, 2, kMVDPixelFormat32ARGB, 4, nullptr);
    Set(image, 2, 1, {0xAA, 0x11, 0x22, 0x33});
    CVPixelBufferRef bgra = image.getCVPixelBufferWithPixelFormat(kMVDPixelFormat32BGRA);
    ASSERT_NE(bgra, nullptr);
    EXPECT_EQ(CVPixelBufferGetWidth(bgra), 3u);
    EXPECT_EQ(CVPixelBufferGetHeight(bgra), 2u);
    EXPECT_EQ(CVPixelBufferGetPixelFormatType(bgra), kCVPixelFormatType_32BGRA);
    const auto* base = static_cast<unsigned char*>(CVPixelBufferGetBaseAddress(bgra));
    const unsigned char* p = base + CVPixelBufferGetBytesPerRow(bgra) + 8;
    EXPECT_EQ((Pixel{p[0], p[1], p[2], p[3]}), (Pixel{0x33, 0x22, 0x11, 0xAA}));

    // Kept alive by the image while the caller holds its own reference.
    CVPixelBufferRetain(bgra);
    CVPixelBufferRef argb = image.getCVPixelBufferWithPixelFormat(kMVDPixelFormat32ARGB);
    const auto* q = static_cast<unsigned char*>(CVPixelBufferGetBaseAddress(argb)) +
                    CVPixelBufferGetBytesPerRow(argb) + 8;
    EXPECT_EQ((Pixel{q[0], q[1], q[2], q[3]}), (Pixel{0xAA, 0x11, 0x22, 0x33}));
    EXPECT_EQ(p[3], 0xAA);  // the earlier buffer is still valid
    CVPixelBufferRelease(bgra);
    EXPECT_EQ(image.getCVPixelBufferWithPixelFormat('2vuy'), nullptr);
}

}  // namespace

#include "Capture/ColorSpaceConverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

using Layout = ColorSpaceConverter::ChannelLayout;
using Bytes = std::vector<unsigned char>;

struct YUV {
    int y, u, v;
};

YUV ToYUV(Bytes pixel, Layout layout = Layout::kAlphaFirst) {
    unsigned char y, u, v;
    ColorSpaceConverter::convertBGRAToYUV444(1, 1, pixel.data(), &y, &u, &v, layout);
    return {y, u, v};
}

Bytes ToPixel(unsigned char y, unsigned char u, unsigned char v,
              Layout layout = Layout::kAlphaFirst) {
    Bytes pixel(4, 0);
    ColorSpaceConverter::convertYUV444ToBGRA(1, 1, &y, &u, &v, pixel.data(), layout);
    return pixel;
}

TEST(ColorSpaceConverter, StudioRangeEndsAndClamping) {
    // Memory order alpha, red, green, blue.
    const YUV black = ToYUV({0x7F, 0, 0, 0});
    const YUV white = ToYUV({0x00, 255, 255, 255});
    EXPECT_EQ(black.y, 16);
    EXPECT_EQ(black.u, 128);
    EXPECT_EQ(black.v, 128);
    EXPECT_EQ(white.y, 235);
    EXPECT_EQ(white.u, 128);
    EXPECT_EQ(white.v, 128);
    EXPECT_EQ(ToPixel(16, 128, 128), (Bytes{255, 0, 0, 0}));
    EXPECT_EQ(ToPixel(235, 128, 128), (Bytes{255, 255, 255, 255}));
    // Red and blue clamp from above; green lands at 125.
    EXPECT_EQ(ToPixel(255, 255, 255), (Bytes{255, 255, 125, 255}));
}

TEST(ColorSpaceConverter, AlphaLastLayoutReadsTheSameColours) {
    // Pure blue in both layouts gives one YUV triple.
    const YUV argbBlue = ToYUV({255, 0, 0, 255}, Layout::kAlphaFirst);
    const YUV bgraBlue = ToYUV({255, 0, 0, 255}, Layout::kAlphaLast);
    const YUV argbRed = ToYUV({255, 255, 0, 0}, Layout::kAlphaFirst);
    EXPECT_EQ(argbBlue.y, bgraBlue.y);
    EXPECT_EQ(argbBlue.u, bgraBlue.u);
    EXPECT_EQ(argbBlue.v, bgraBlue.v);
    EXPECT_NE(argbBlue.u, argbRed.u);
    EXPECT_EQ(ToPixel(235, 128, 128, Layout::kAlphaLast), (Bytes{255, 255, 255, 255}));
    EXPECT_EQ(ToPixel(16, 128, 128, Layout::kAlphaLast), (Bytes{0, 0, 0, 255}));
}

// The round trip loses at most a few levels per channel, for every colour.
TEST(ColorSpaceConverter, RoundTripLossIsSmallForEveryColour) {
    const int count = 256 * 256;
    Bytes pixels(size_t(count) * 4);
    Bytes y(count), u(count), v(count), back(pixels.size());
    int worst = 0;
    for (int r = 0; r < 256; ++r) {
        for (int i = 0; i < count; ++i) {
            pixels[i * 4 + 0] = 0;
            pixels[i * 4 + 1] = static_cast<unsigned char>(r);
            pixels[i * 4 + 2] = static_cast<unsigned char>(i >> 8);
            pixels[i * 4 + 3] = static_cast<unsigned char>(i);
        }
        ColorSpaceConverter::convertBGRAToYUV444(256, 256, pixels.data(), y.data(), u.data(),
                                                 v.data());
        ColorSpaceConverter::convertYUV444ToBGRA(256, 256, y.data(), u.data(), v.data(),
                                                 back.data());
        for (size_t i = 0; i < pixels.size(); ++i) {
            if (i % 4 == 0) {
                ASSERT_EQ(back[i], 255);
            } else {
                worst = std::max(worst, std::abs(int(back[i]) - int(pixels[i])));
            }
        }
    }
    EXPECT_LE(worst, 3);
}

// A packed conversion of a 3 x 2 rectangle at (5, 7) touches exactly those
// six image pixels, in row order.
TEST(ColorSpaceConverter, PackedRectanglesMapToImagePositions) {
    const int width = 10;
    const int height = 10;
    Bytes image(size_t(width) * height * 4);
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<unsigned char>(i * 7);
    }
    Bytes y(6), u(6), v(6);
    ColorSpaceConverter::convertRectBGRAToPackedYUV444(width, height, 5, 7, 3, 2, image.data(),
                                                       y.data(), u.data(), v.data());
    const int positions[6] = {75, 76, 77, 85, 86, 87};
    for (int k = 0; k < 6; ++k) {
        const YUV expected =
            ToYUV(Bytes(image.begin() + positions[k] * 4, image.begin() + positions[k] * 4 + 4));
        EXPECT_EQ(y[k], expected.y) << k;
        EXPECT_EQ(u[k], expected.u) << k;
        EXPECT_EQ(v[k], expected.v) << k;
    }

    Bytes out(image.size(), 0x5A);
    ColorSpaceConverter::convertPackedYUV444ToRectBGRA(width, height, 5, 7, 3, 2, y.data(),
                                                       u.data(), v.data(), out.data());
    for (int p = 0; p < width * height; ++p) {
        const bool inside = std::find(positions, positions + 6, p) != positions + 6;
        EXPECT_EQ(out[p * 4] == 255, inside) << p;  // alpha written only inside
        if (inside) {
            const int k = int(std::find(positions, positions + 6, p) - positions);
            EXPECT_EQ(Bytes(out.begin() + p * 4, out.begin() + p * 4 + 4),
                      ToPixel(y[k], u[k], v[k]));
        }
    }
    // Rect layout: the planes hold the values at image positions.
    Bytes ry(100, 0), ru(100, 0), rv(100, 0);
    ColorSpaceConverter::convertRectBGRAToRectYUV444(width, height, 5, 7, 3, 2, image.data(),
                                                     ry.data(), ru.data(), rv.data());
    EXPECT_EQ(ry[86], y[4]);
    EXPECT_EQ(ry[84], 0);
    // Empty rectangles do nothing.
    Bytes untouched = out;
    ColorSpaceConverter::convertPackedYUV444ToRectBGRA(width, height, 0, 0, 0, 5, y.data(),
                                                       u.data(), v.data(), out.data());
    EXPECT_EQ(out, untouched);
}

}  // namespace

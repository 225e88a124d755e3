// The converter's fixed points, its loss, and the order of packed planes
// (writing them back is covered by the YUV type of the capture round trip).
#include "Capture/ColorSpaceConverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

using Layout = ColorSpaceConverter::ChannelLayout;
using Bytes = std::vector<unsigned char>;

Bytes ToYUV(Bytes pixel, Layout layout) {
    Bytes yuv(3);
    ColorSpaceConverter::convertBGRAToYUV444(1, 1, pixel.data(), &yuv[0], &yuv[1], &yuv[2], layout);
    return yuv;
}

Bytes ToPixel(Bytes yuv, Layout layout) {
    Bytes pixel(4, 0);
    ColorSpaceConverter::convertYUV444ToBGRA(1, 1, &yuv[0], &yuv[1], &yuv[2], pixel.data(), layout);
    return pixel;
}

// Studio range ends, clamping, and both channel layouts (alpha ignored on
// the way in, 255 on the way out).
TEST(ColorSpaceConverter, FixedPointsInBothLayouts) {
    const Layout first = Layout::kAlphaFirst, last = Layout::kAlphaLast;
    EXPECT_EQ(ToYUV({0x7F, 0, 0, 0}, first), (Bytes{16, 128, 128}));
    EXPECT_EQ(ToYUV({0x00, 255, 255, 255}, first), (Bytes{235, 128, 128}));
    EXPECT_EQ(ToYUV({255, 0, 0, 255}, first), ToYUV({255, 0, 0, 255}, last));  // blue
    EXPECT_NE(ToYUV({255, 0, 0, 255}, first), ToYUV({255, 255, 0, 0}, first));
    EXPECT_EQ(ToPixel({16, 128, 128}, first), (Bytes{255, 0, 0, 0}));
    EXPECT_EQ(ToPixel({235, 128, 128}, first), (Bytes{255, 255, 255, 255}));
    EXPECT_EQ(ToPixel({16, 128, 128}, last), (Bytes{0, 0, 0, 255}));
    // Red and blue clamp from above; green lands at 125.
    EXPECT_EQ(ToPixel({255, 255, 255}, first), (Bytes{255, 255, 125, 255}));
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

// A packed 3 x 2 rectangle at (5, 7) holds those six pixels in row order.
TEST(ColorSpaceConverter, PackedPlanesFollowRowOrder) {
    Bytes image(10 * 10 * 4);
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<unsigned char>(i * 7);
    }
    Bytes y(6), u(6), v(6);
    ColorSpaceConverter::convertRectBGRAToPackedYUV444(10, 10, 5, 7, 3, 2, image.data(), y.data(),
                                                       u.data(), v.data());
    const int positions[6] = {75, 76, 77, 85, 86, 87};
    for (int k = 0; k < 6; ++k) {
        const auto pixel = image.begin() + positions[k] * 4;
        EXPECT_EQ(ToYUV(Bytes(pixel, pixel + 4), Layout::kAlphaFirst), (Bytes{y[k], u[k], v[k]}))
            << k;
    }
}

}  // namespace

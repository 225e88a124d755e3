#include "Capture/ColorSpaceConverter.h"

#include <cstddef>

#include "MVDCommon/MVDTypes.h"

namespace {

// Byte offsets of red, green, blue and alpha inside a pixel.
struct Offsets {
    int r, g, b, a;
};

Offsets OffsetsOf(ColorSpaceConverter::ChannelLayout layout) {
    if (layout == ColorSpaceConverter::ChannelLayout::kAlphaLast) {
        return {2, 1, 0, 3};
    }
    return {1, 2, 3, 0};
}

inline unsigned char Clamp(int v) {
    return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline void ToYUV(const unsigned char* p, const Offsets& o, unsigned char* y, unsigned char* u,
                  unsigned char* v) {
    const int r = p[o.r];
    const int g = p[o.g];
    const int b = p[o.b];
    *y = static_cast<unsigned char>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    *u = static_cast<unsigned char>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
    *v = static_cast<unsigned char>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

inline void ToPixel(int y, int u, int v, const Offsets& o, unsigned char* p) {
    const int c = y - 16;
    const int d = u - 128;
    const int e = v - 128;
    p[o.r] = Clamp((298 * c + 409 * e + 128) >> 8);
    p[o.g] = Clamp((298 * c - 100 * d - 208 * e + 128) >> 8);
    p[o.b] = Clamp((298 * c + 516 * d + 128) >> 8);
    p[o.a] = 255;
}

inline size_t ImageIndex(int imageWidth, int x, int y) {
    return static_cast<size_t>(y) * static_cast<size_t>(imageWidth) + static_cast<size_t>(x);
}

// Visits the rectangle row by row, handing each pixel's image index and its
// packed index (row-major within the rectangle) to f.
template <class F>
void ForEachPixel(int imageWidth, int x, int y, int w, int h, F f) {
    if (w <= 0 || h <= 0) {
        return;
    }
    size_t packed = 0;
    for (int row = 0; row < h; ++row) {
        const size_t base = ImageIndex(imageWidth, x, y + row);
        for (int col = 0; col < w; ++col, ++packed) {
            f(base + static_cast<size_t>(col), packed);
        }
    }
}

}  // namespace

ColorSpaceConverter::ChannelLayout ColorSpaceConverter::layoutForPixelFormat(
    unsigned long pixelFormat) {
    return pixelFormat == kMVDPixelFormat32BGRA ? ChannelLayout::kAlphaLast
                                                : ChannelLayout::kAlphaFirst;
}

void ColorSpaceConverter::convertRectBGRAToRectYUV444(int imageWidth, int, int x, int y, int w,
                                                      int h, unsigned char* pixels,
                                                      unsigned char* Y, unsigned char* U,
                                                      unsigned char* V, ChannelLayout layout) {
    const Offsets o = OffsetsOf(layout);
    ForEachPixel(imageWidth, x, y, w, h,
                 [&](size_t i, size_t) { ToYUV(pixels + i * 4, o, Y + i, U + i, V + i); });
}

void ColorSpaceConverter::convertRectBGRAToPackedYUV444(int imageWidth, int, int x, int y, int w,
                                                        int h, unsigned char* pixels,
                                                        unsigned char* Y, unsigned char* U,
                                                        unsigned char* V, ChannelLayout layout) {
    const Offsets o = OffsetsOf(layout);
    ForEachPixel(imageWidth, x, y, w, h,
                 [&](size_t i, size_t k) { ToYUV(pixels + i * 4, o, Y + k, U + k, V + k); });
}

void ColorSpaceConverter::convertPackedYUV444ToRectBGRA(int imageWidth, int, int x, int y, int w,
                                                        int h, unsigned char* Y, unsigned char* U,
                                                        unsigned char* V, unsigned char* pixels,
                                                        ChannelLayout layout) {
    const Offsets o = OffsetsOf(layout);
    ForEachPixel(imageWidth, x, y, w, h,
                 [&](size_t i, size_t k) { ToPixel(Y[k], U[k], V[k], o, pixels + i * 4); });
}

void ColorSpaceConverter::convertRectYUV444ToRectBGRA(int imageWidth, int, int x, int y, int w,
                                                      int h, unsigned char* Y, unsigned char* U,
                                                      unsigned char* V, unsigned char* pixels,
                                                      ChannelLayout layout) {
    const Offsets o = OffsetsOf(layout);
    ForEachPixel(imageWidth, x, y, w, h,
                 [&](size_t i, size_t) { ToPixel(Y[i], U[i], V[i], o, pixels + i * 4); });
}

void ColorSpaceConverter::convertBGRAToYUV444(int width, int height, unsigned char* pixels,
                                              unsigned char* Y, unsigned char* U, unsigned char* V,
                                              ChannelLayout layout) {
    convertRectBGRAToRectYUV444(width, height, 0, 0, width, height, pixels, Y, U, V, layout);
}

void ColorSpaceConverter::convertYUV444ToBGRA(int width, int height, unsigned char* Y,
                                              unsigned char* U, unsigned char* V,
                                              unsigned char* pixels, ChannelLayout layout) {
    convertRectYUV444ToRectBGRA(width, height, 0, 0, width, height, Y, U, V, pixels, layout);
}

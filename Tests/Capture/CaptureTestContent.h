// Screen-like test frames for the capture tests: flat areas, a gradient
// window, text-like glyph rows and a patch of noise, all opaque.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "CoreGraphics/CGGeometry.h"
#include "MVDCommon/MVDImage.h"

namespace capturetest {

// Writes an opaque colour into a pixel of either 32-bit layout.
inline void PutPixel(MVDImage& image, uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b) {
    unsigned char* p = image.m_pData + (size_t(y) * image.m_width + x) * 4;
    if (image.m_pixelFormat == kMVDPixelFormat32BGRA) {
        p[0] = b, p[1] = g, p[2] = r, p[3] = 255;
    } else {
        p[0] = 255, p[1] = r, p[2] = g, p[3] = b;
    }
}

// Paints rows of glyph-like strokes over (x, y, w, h): mostly background
// with short runs of ink, as text on a screen.
inline void PaintText(MVDImage& image, const tagMVDRect& r, std::mt19937& rng) {
    const uint8_t ink = static_cast<uint8_t>(rng() % 80);
    for (int32_t yy = r.y; yy < r.y + r.height; ++yy) {
        for (int32_t xx = r.x; xx < r.x + r.width; ++xx) {
            const bool stroke = (rng() % 7) < 2 && (yy % 12) < 9;
            const uint8_t v = stroke ? ink : 250;
            PutPixel(image, xx, yy, v, v, stroke ? uint8_t(ink + 40) : 250);
        }
    }
}

inline void PaintNoise(MVDImage& image, const tagMVDRect& r, std::mt19937& rng) {
    for (int32_t yy = r.y; yy < r.y + r.height; ++yy) {
        for (int32_t xx = r.x; xx < r.x + r.width; ++xx) {
            const uint32_t v = rng();
            PutPixel(image, xx, yy, uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16));
        }
    }
}

// A desktop: flat background, a window with a gradient title bar, text
// lines and a small photo-like patch of noise.
inline void PaintScreen(MVDImage& image, uint32_t seed) {
    std::mt19937 rng(seed);
    const int32_t w = static_cast<int32_t>(image.m_width);
    const int32_t h = static_cast<int32_t>(image.m_height);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            PutPixel(image, x, y, 40, 90, 140);
        }
    }
    for (int32_t y = h / 8; y < h / 8 + std::max(h / 16, 1); ++y) {
        for (int32_t x = w / 8; x < w / 8 + w / 2; ++x) {
            PutPixel(image, x, y, uint8_t(x * 255 / w), uint8_t(y * 255 / h), 160);
        }
    }
    PaintText(image, {w / 8, h / 8 + h / 16, w / 2, h / 2}, rng);
    PaintNoise(image, {w - w / 5, h - h / 5, w / 8, h / 8}, rng);
}

// A random rectangle inside the frame, mostly small and text-sized.
inline tagMVDRect RandomRect(uint32_t width, uint32_t height, std::mt19937& rng) {
    const bool large = rng() % 8 == 0;
    const uint32_t maxW = large ? width : std::max(width / 6, 1u);
    const uint32_t maxH = large ? height : std::max(height / 10, 1u);
    const uint32_t rw = 1 + rng() % maxW;
    const uint32_t rh = 1 + rng() % maxH;
    const uint32_t x = rng() % (width - rw + 1);
    const uint32_t y = rng() % (height - rh + 1);
    return {int32_t(x), int32_t(y), int32_t(rw), int32_t(rh)};
}

// Changes the pixels inside r with text or noise.
inline void ChangeRect(MVDImage& image, const tagMVDRect& r, std::mt19937& rng) {
    if (rng() % 4 == 0) {
        PaintNoise(image, r, rng);
    } else {
        PaintText(image, r, rng);
    }
}

inline CGRect ToCGRect(const tagMVDRect& r) {
    return CGRectMake(CGFloat(r.x), CGFloat(r.y), CGFloat(r.width), CGFloat(r.height));
}

inline std::vector<unsigned char> Bytes(const MVDImage& image) {
    return std::vector<unsigned char>(image.m_pData, image.m_pData + image.byteSize());
}

}  // namespace capturetest

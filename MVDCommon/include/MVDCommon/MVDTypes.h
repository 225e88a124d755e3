// Value types shared by the recording classes.
#pragma once

#include <cstdint>

// Size and layout of the frames of a recording.
struct tagMVDImageFormat {
    uint32_t width;
    uint32_t height;
    uint32_t pixelFormat;  // Core Video code: 32 (alpha, red, green, blue) or 'BGRA'
    uint32_t bytesPerPixel;
};

// A rectangle of pixels, top-left origin.
struct tagMVDRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// Pixel formats of recorded frames, 4 bytes per pixel each.
constexpr uint32_t kMVDPixelFormat32ARGB = 0x00000020;  // alpha first in memory
constexpr uint32_t kMVDPixelFormat32BGRA = 0x42475241;  // 'BGRA': alpha last in memory

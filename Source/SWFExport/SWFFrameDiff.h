// Finding where two frames of the same format differ.  Frames are
// bottom-up: picture row y (top row 0) lies at memory row height - 1 - y.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Portability/Geometry.h"

struct SWFFrameView {
    const uint8_t* bits = nullptr;  // memory row 0, the bottom row of the picture
    size_t stride = 0;              // bytes from one memory row to the next
    int32_t width = 0;
    int32_t height = 0;
    int bytesPerPixel = 0;

    const uint8_t* Row(int32_t y) const {
        return bits + static_cast<size_t>(height - 1 - y) * stride;
    }
};

// Index of the first byte where a and b differ, or n when they agree.
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t n);
// One past the index of the last byte where a and b differ, or 0.
size_t LastDifference(const uint8_t* a, const uint8_t* b, size_t n);

// The smallest rectangle inside `search` (which must lie inside both
// frames) holding every pixel whose bytes differ between the two frames.
// False, with `found` untouched, when no pixel differs or `search` is empty.
bool FindChangedPixels(const SWFFrameView& current, const SWFFrameView& reference,
                       const RECT& search, RECT* found);

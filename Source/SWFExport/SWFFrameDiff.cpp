#include "SWFExport/SWFFrameDiff.h"

#include <cstring>

namespace {

uint64_t Load64(const uint8_t* p) {
    uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// The pixel holding byte `byte` of a run of pixels that starts at pixel
// `origin`.
int32_t PixelAt(int32_t origin, size_t byte, int bytesPerPixel) {
    return origin + static_cast<int32_t>(byte / static_cast<size_t>(bytesPerPixel));
}

}  // namespace

size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t n) {
    size_t i = 0;
    while (i + 32 <= n) {
        if (std::memcmp(a + i, b + i, 32) != 0) {
            break;
        }
        i += 32;
    }
    while (i + 8 <= n && Load64(a + i) == Load64(b + i)) {
        i += 8;
    }
    while (i < n && a[i] == b[i]) {
        ++i;
    }
    return i;
}

size_t LastDifference(const uint8_t* a, const uint8_t* b, size_t n) {
    size_t end = n;
    while (end >= 32 && std::memcmp(a + end - 32, b + end - 32, 32) == 0) {
        end -= 32;
    }
    while (end >= 8 && Load64(a + end - 8) == Load64(b + end - 8)) {
        end -= 8;
    }
    while (end > 0 && a[end - 1] == b[end - 1]) {
        --end;
    }
    return end;
}

bool FindChangedPixels(const SWFFrameView& current, const SWFFrameView& reference,
                       const RECT& search, RECT* found) {
    if (search.right <= search.left || search.bottom <= search.top) {
        return false;
    }
    const int bpp = current.bytesPerPixel;
    const size_t offset = static_cast<size_t>(search.left) * bpp;
    const size_t length = static_cast<size_t>(search.right - search.left) * bpp;
    auto rowDiffers = [&](int32_t y) {
        return std::memcmp(current.Row(y) + offset, reference.Row(y) + offset, length) != 0;
    };

    int32_t top = search.top;
    while (top < search.bottom && !rowDiffers(top)) {
        ++top;
    }
    if (top == search.bottom) {
        return false;
    }
    int32_t bottom = search.bottom;
    while (!rowDiffers(bottom - 1)) {
        --bottom;
    }

    // The first changed row gives a first column span; later rows can only
    // widen it, so only the bytes outside the span found so far are looked at.
    const uint8_t* cur = current.Row(top) + offset;
    const uint8_t* ref = reference.Row(top) + offset;
    int32_t left = PixelAt(search.left, FirstDifference(cur, ref, length), bpp);
    int32_t right = PixelAt(search.left, LastDifference(cur, ref, length) - 1, bpp) + 1;
    for (int32_t y = top + 1; y < bottom && (left > search.left || right < search.right); ++y) {
        cur = current.Row(y) + offset;
        ref = reference.Row(y) + offset;
        const size_t prefix = static_cast<size_t>(left - search.left) * bpp;
        const size_t first = FirstDifference(cur, ref, prefix);
        if (first < prefix) {
            left = PixelAt(search.left, first, bpp);
        }
        const size_t suffixStart = static_cast<size_t>(right - search.left) * bpp;
        const size_t last =
            LastDifference(cur + suffixStart, ref + suffixStart, length - suffixStart);
        if (last > 0) {
            right = PixelAt(search.left, suffixStart + last - 1, bpp) + 1;
        }
    }
    *found = RECT{left, top, right, bottom};
    return true;
}

#include "SWFExport/CSWFHelper.h"

#include <cstdlib>
#include <cstring>

size_t CSWFHelper::PaddedRowBytes(int32_t width, int bitCount) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bitCount) / 8 + 3) & ~size_t{3};
}

namespace {

// 24-bit blue, green, red to 32-bit blue, green, red, 0.
void WidenRow(const uint8_t* in, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x, in += 3, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 0;
    }
}

}  // namespace

bool CSWFHelper::ConvertToSwfBitmap(const uint8_t* pixels, const tagBITMAPINFOHEADER* header,
                                    SwfBitmap* slot, size_t sourceStride) {
    if (pixels == nullptr || header == nullptr || slot == nullptr || slot->pixels == nullptr) {
        return false;
    }
    const int bitCount = header->biBitCount;
    if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
        return false;
    }
    const int32_t width = header->biWidth;
    const int64_t height = std::llabs(int64_t{header->biHeight});
    const int outBits = bitCount == 24 ? 32 : bitCount;
    const size_t inRow = static_cast<size_t>(width) * (bitCount / 8);
    const size_t outRow = PaddedRowBytes(width, outBits);
    if (width <= 0 || height == 0 || height > INT32_MAX ||
        outRow * static_cast<uint64_t>(height) > slot->capacity) {
        return false;
    }
    const size_t stride = sourceStride != 0 ? sourceStride : PaddedRowBytes(width, bitCount);
    const bool bottomUp = header->biHeight > 0;
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* in = pixels + static_cast<size_t>(bottomUp ? height - 1 - y : y) * stride;
        uint8_t* out = slot->pixels + static_cast<size_t>(y) * outRow;
        if (bitCount == 24) {
            WidenRow(in, out, width);
        } else {
            std::memcpy(out, in, inRow);
        }
        std::memset(out + static_cast<size_t>(width) * (outBits / 8), 0,
                    outRow - static_cast<size_t>(width) * (outBits / 8));
    }
    slot->width = width;
    slot->height = static_cast<int32_t>(height);
    slot->bitCount = static_cast<uint16_t>(outBits);
    slot->colorsUsed = header->biClrUsed;
    slot->colorTable = nullptr;
    slot->dataSize = static_cast<uint32_t>(outRow * static_cast<size_t>(height));
    return true;
}

void CSWFHelper::SwapBitsInBitmap(SwfBitmap* slot) {
    if (slot == nullptr || slot->pixels == nullptr) {
        return;
    }
    const size_t rowBytes = PaddedRowBytes(slot->width, slot->bitCount);
    for (int32_t y = 0; y < slot->height; ++y) {
        uint8_t* p = slot->pixels + static_cast<size_t>(y) * rowBytes;
        if (slot->bitCount == 16) {
            for (int32_t x = 0; x < slot->width; ++x, p += 2) {
                const uint8_t low = p[0];
                p[0] = p[1];
                p[1] = low;
            }
        } else if (slot->bitCount == 32) {
            for (int32_t x = 0; x < slot->width; ++x, p += 4) {
                const uint8_t blue = p[0];
                const uint8_t green = p[1];
                p[0] = 0xFF;
                p[1] = p[2];
                p[2] = green;
                p[3] = blue;
            }
        }
    }
}

int CSWFHelper::AddBitmap(FObjCollection*, const SwfBitmap*) {
    return 0;
}

int CSWFHelper::AddJpeg(FObjCollection*, const uint8_t*, uint32_t) {
    return 0;
}

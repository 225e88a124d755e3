#include "ImageCompression/PixelConversion.h"

#include <cstdint>
#include <cstring>

#include "QuickDraw/PixMap.h"

namespace icm {
namespace {

// Each format reads a pixel as 0xAARRGGBB and writes one back.
struct Format {
    OSType code;
    int bytes;
    uint32_t (*load)(const uint8_t* p);
    void (*store)(uint8_t* p, uint32_t argb);
};

uint32_t Expand5(uint32_t v) {
    return (v << 3) | (v >> 2);
}

const Format kFormats[] = {
    {k32ARGBPixelFormat, 4,
     [](const uint8_t* p) {
         return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
     },
     [](uint8_t* p, uint32_t v) {
         p[0] = uint8_t(v >> 24);
         p[1] = uint8_t(v >> 16);
         p[2] = uint8_t(v >> 8);
         p[3] = uint8_t(v);
     }},
    {k32BGRAPixelFormat, 4,
     [](const uint8_t* p) {
         return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
     },
     [](uint8_t* p, uint32_t v) {
         p[0] = uint8_t(v);
         p[1] = uint8_t(v >> 8);
         p[2] = uint8_t(v >> 16);
         p[3] = uint8_t(v >> 24);
     }},
    {k24RGBPixelFormat, 3,
     [](const uint8_t* p) {
         return 0xFF000000u | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
     },
     [](uint8_t* p, uint32_t v) {
         p[0] = uint8_t(v >> 16);
         p[1] = uint8_t(v >> 8);
         p[2] = uint8_t(v);
     }},
    {k24BGRPixelFormat, 3,
     [](const uint8_t* p) {
         return 0xFF000000u | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
     },
     [](uint8_t* p, uint32_t v) {
         p[0] = uint8_t(v);
         p[1] = uint8_t(v >> 8);
         p[2] = uint8_t(v >> 16);
     }},
    {k16BE555PixelFormat, 2,
     [](const uint8_t* p) {
         const uint32_t v = uint32_t{p[0]} << 8 | p[1];
         return 0xFF000000u | Expand5((v >> 10) & 31) << 16 | Expand5((v >> 5) & 31) << 8 |
                Expand5(v & 31);
     },
     [](uint8_t* p, uint32_t v) {
         const uint32_t packed = ((v >> 19) & 31) << 10 | ((v >> 11) & 31) << 5 | ((v >> 3) & 31);
         p[0] = uint8_t(packed >> 8);
         p[1] = uint8_t(packed);
     }},
};

const Format* Find(OSType code) {
    for (const Format& format : kFormats) {
        if (format.code == code) {
            return &format;
        }
    }
    return nullptr;
}

// The two 32-bit orders are each other's byte reversal.
void ReverseLine(const uint8_t* src, uint8_t* dst, int width) {
    for (int x = 0; x < width; ++x) {
        uint32_t v;
        std::memcpy(&v, src + 4 * x, 4);
        v = __builtin_bswap32(v);
        std::memcpy(dst + 4 * x, &v, 4);
    }
}

}  // namespace

int ConvertibleBytesPerPixel(OSType format) {
    const Format* f = Find(format);
    return f != nullptr ? f->bytes : 0;
}

bool ConvertPixels(const PixelPlane& src, const MutablePixelPlane& dst, int width, int height) {
    const Format* from = Find(src.format);
    const Format* to = Find(dst.format);
    if (from == nullptr || to == nullptr || width < 1 || height < 1) {
        return false;
    }
    const bool swap32 = from->bytes == 4 && to->bytes == 4 && from != to;
    for (int y = 0; y < height; ++y) {
        const auto* s =
            static_cast<const uint8_t*>(src.base) + static_cast<ptrdiff_t>(y) * src.rowBytes;
        auto* d = static_cast<uint8_t*>(dst.base) + static_cast<ptrdiff_t>(y) * dst.rowBytes;
        if (from == to) {
            std::memcpy(d, s, static_cast<size_t>(width) * from->bytes);
        } else if (swap32) {
            ReverseLine(s, d, width);
        } else {
            for (int x = 0; x < width; ++x) {
                to->store(d + x * to->bytes, from->load(s + x * from->bytes));
            }
        }
    }
    return true;
}

}  // namespace icm

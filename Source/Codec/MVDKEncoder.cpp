#include "Codec/MVDKEncoder.h"

#include <bitset>
#include <limits>

#include "Codec/MVDKFrameEncoder.h"

const uint16_t sysPalette[20] = {0x6B59, 0x4000, 0x0200, 0x4200, 0x0010, 0x4010, 0x0210,
                                 0x6318, 0x6378, 0x533E, 0x7FFE, 0x5294, 0x4210, 0x7C00,
                                 0x03E0, 0x7FE0, 0x001F, 0x7C1F, 0x03FF, 0x7FFF};

namespace mvdk {
namespace detail {

namespace {
// Membership of every 16-bit value, so that quantisation tests a pixel with
// one lookup instead of 20 compares.
const std::bitset<65536>& SystemColorSet() {
    static const std::bitset<65536> set = [] {
        std::bitset<65536> s;
        for (uint16_t v : sysPalette)
            s.set(v);
        return s;
    }();
    return set;
}
}  // namespace

bool IsSystemColor16(uint16_t value) {
    return SystemColorSet().test(value);
}

}  // namespace detail

namespace {

using namespace detail;

uint16_t QuantisationMask(uint32_t flags) {
    if (flags & kMVDKDrop2Bits)
        return 0x739C;
    if (flags & kMVDKDrop1Bit)
        return 0x7BDE;
    return 0xFFFF;
}

bool Quantises(uint32_t flags) {
    return (flags & (kMVDKDrop2Bits | kMVDKDrop1Bit)) != 0;
}

template <class Px>
int32_t Run(const Px& px, const EncodeRequest& request, uint8_t* dst) {
    return FrameCoder<Px>(px, request, dst).run();
}

// Calls f with the pixel policy for a depth-16 source under these flags.
template <class F>
auto With16(uint32_t flags, F&& f) {
    if (Quantises(flags))
        return f(Pixels16<true>{QuantisationMask(flags)});
    return f(Pixels16<false>{});
}

// Calls f with the pixel policy for a 4-byte source.
template <class F>
auto With32(bool fourByteOut, bool swap, F&& f) {
    if (!fourByteOut)
        return f(Pixels32<3, false>{});
    if (swap)
        return f(Pixels32<4, true>{});
    return f(Pixels32<4, false>{});
}

bool FourByteSource(const MVDKFrameInfo& info) {
    return info.depth == 32 || (info.depth == 24 && info.srcPixelSize == 32);
}

int32_t EncodeWithPlanes(const MVDKFrameInfo* info, const void* prev, const void* src, void* dst,
                         uint32_t flags, int32_t maxSize, int32_t rowBytes, int swap) {
    const Plane prevPlane = prev ? SourcePlane(*info, prev, rowBytes) : Plane{};
    EncodeRequest request;
    request.info = info;
    request.src = SourcePlane(*info, src, rowBytes);
    request.prev = prev ? &prevPlane : nullptr;
    request.flags = flags;
    request.maxSize = maxSize;
    request.swap = swap != 0;
    return EncodeFrame(request, static_cast<uint8_t*>(dst));
}

}  // namespace

Plane SourcePlane(const MVDKFrameInfo& info, const void* base, int32_t rowBytes) {
    const auto* bytes = static_cast<const uint8_t*>(base);
    if (FourByteSource(info) && info.flipped != 0)
        return {bytes, rowBytes};
    return {bytes + static_cast<ptrdiff_t>(info.height - 1) * rowBytes, -ptrdiff_t{rowBytes}};
}

int32_t EncodeFrame(const EncodeRequest& request, uint8_t* dst) {
    const MVDKFrameInfo& info = *request.info;
    if (StreamBytesPerPixel(info.depth) == 0)
        return 0;
    if (EncodeBound(info.width, info.height, info.depth) >
        static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        return 0;
    }
    if (info.width <= 0 || info.height <= 0) {
        dst[0] = kEscape;
        dst[1] = kEndOfFrame;
        return 2;
    }
    const auto run = [&](const auto& px) { return Run(px, request, dst); };
    switch (info.depth) {
        case 16:
            return With16(request.flags, run);
        case 24:
            if (info.srcPixelSize == 32)
                return With32(false, false, run);
            return run(Pixels24{});
        case 32:
            return With32(true, request.swap, run);
        default:
            return run(Pixels8{});
    }
}

}  // namespace mvdk

using namespace mvdk;
using namespace mvdk::detail;

int IsSysColor16(uint16_t value) {
    return IsSystemColor16(value) ? 1 : 0;
}

int32_t MVDK_Encode(const MVDKFrameInfo* info, const void* prev, const void* src, void* dst,
                    uint32_t flags, int32_t maxSize, int32_t rowBytes, int swap) {
    if (info == nullptr || src == nullptr || dst == nullptr)
        return 0;
    if (FourByteSource(*info)) {
        return Encode32(info, static_cast<const uint8_t*>(prev), static_cast<const uint8_t*>(src),
                        static_cast<uint8_t*>(dst), flags, maxSize, rowBytes, swap);
    }
    return EncodeWithPlanes(info, prev, src, dst, flags, maxSize, rowBytes, swap);
}

int32_t Encode32(const MVDKFrameInfo* info, const uint8_t* prev, const uint8_t* src, uint8_t* dst,
                 uint32_t flags, int32_t maxSize, int32_t rowBytes, int swap) {
    if (info == nullptr || src == nullptr || dst == nullptr)
        return 0;
    MVDKFrameInfo fourByte = *info;
    if (fourByte.depth != 32) {
        fourByte.depth = 24;
        fourByte.srcPixelSize = 32;
    }
    return EncodeWithPlanes(&fourByte, prev, src, dst, flags, maxSize, rowBytes, swap);
}

void EncodeFragment16(int32_t count, uint32_t flags, const uint8_t** src, uint8_t** dst) {
    With16(flags, [&](const auto& px) {
        CodeFragment(px, count, (flags & kMVDKLiteralsOnly) != 0, *src, *dst);
        return 0;
    });
}

void EncodeFragment24(int32_t count, uint32_t flags, const uint8_t** src, uint8_t** dst) {
    CodeFragment(Pixels24{}, count, (flags & kMVDKLiteralsOnly) != 0, *src, *dst);
}

void EncodeFragment32(int32_t count, uint32_t flags, const uint8_t** src, uint8_t** dst,
                      int fourByteOut, int swap) {
    With32(fourByteOut != 0, swap != 0, [&](const auto& px) {
        CodeFragment(px, count, (flags & kMVDKLiteralsOnly) != 0, *src, *dst);
        return 0;
    });
}

// Helpers for the screen codec tests: encoding into guarded buffers, source
// frames at every depth made from 32-bit screen pictures, and the pictures
// the decoder is expected to produce from them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Codec/MVDKDecoder.h"
#include "Codec/MVDKEncoder.h"
#include "Codec/MVDKFormat.h"
#include "Support/ScreenContent.h"

namespace codectest {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;

// MVDK_Encode into a buffer of exactly EncodeBound bytes followed by guard
// bytes; fails the test when the guard is touched or the bound exceeded.
inline Bytes Encode(const MVDKFrameInfo& info, const void* prev, const void* src, uint32_t flags,
                    int32_t maxSize, int32_t rowBytes, int swap, int32_t* result = nullptr) {
    const size_t bound = mvdk::EncodeBound(info.width, info.height, info.depth);
    Bytes out(bound + kGuardBytes, kGuard);
    const int32_t n = MVDK_Encode(&info, prev, src, out.data(), flags, maxSize, rowBytes, swap);
    if (result)
        *result = n;
    for (size_t i = bound; i < out.size(); ++i) {
        EXPECT_EQ(out[i], kGuard) << "encoder wrote past its bound at " << i;
    }
    EXPECT_LE(static_cast<size_t>(std::max(n, 0)), bound);
    out.resize(static_cast<size_t>(std::max(n, 0)));
    return out;
}

// A source frame in the layout the encoder reads at one depth.
struct Source {
    MVDKFrameInfo info{};
    int32_t rowBytes = 0;
    Bytes bytes;
    const uint8_t* data() const { return bytes.data(); }
};

// How a 32-bit picture becomes a source frame.
enum class Layout {
    Indexed8,  // one byte per pixel, a 3-3-2 palette index
    RGB555,    // 16-bit big-endian
    BGR24,     // 3 bytes blue, green, red
    Wide24,    // depth 24 from the 4-byte picture as it is
    Wide32,    // depth 32 from the 4-byte picture as it is
};

inline uint16_t ToRGB555(uint32_t argb) {
    return static_cast<uint16_t>((argb >> 9 & 0x7C00) | (argb >> 6 & 0x03E0) | (argb >> 3 & 0x1F));
}

// Builds a source frame; pad adds bytes at the end of every row.
inline Source MakeSource(const mvdtest::ScreenImage& image, Layout layout, size_t pad = 0) {
    Source s;
    const int32_t w = image.width(), h = image.height();
    static constexpr uint16_t kDepth[] = {8, 16, 24, 24, 32};
    static constexpr int kBytes[] = {1, 2, 3, 4, 4};
    const auto index = static_cast<int>(layout);
    s.info = {static_cast<uint32_t>(kBytes[index] * 8), w, h, 0, kDepth[index]};
    s.rowBytes = static_cast<int32_t>(static_cast<size_t>(w) * kBytes[index] + pad);
    s.bytes.assign(static_cast<size_t>(s.rowBytes) * h, 0x5A);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* line = s.bytes.data() + static_cast<size_t>(y) * s.rowBytes;
        if (layout == Layout::Wide24 || layout == Layout::Wide32) {
            std::memcpy(line, image.line(y), static_cast<size_t>(w) * 4);
            continue;
        }
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t p = image.pixel(x, y);
            uint8_t* o = line + static_cast<size_t>(x) * kBytes[index];
            if (layout == Layout::Indexed8) {
                o[0] = static_cast<uint8_t>((p >> 16 & 0xE0) | (p >> 11 & 0x1C) | (p >> 6 & 0x03));
            } else if (layout == Layout::RGB555) {
                const uint16_t v = ToRGB555(p);
                o[0] = static_cast<uint8_t>(v >> 8);
                o[1] = static_cast<uint8_t>(v);
            } else {
                o[0] = static_cast<uint8_t>(p), o[1] = static_cast<uint8_t>(p >> 8);
                o[2] = static_cast<uint8_t>(p >> 16);
            }
        }
    }
    return s;
}

// The same frame stored bottom line first and marked flipped.
inline Source Flipped(const Source& s) {
    Source f = s;
    f.info.flipped = 1;
    for (int32_t y = 0; y < s.info.height; ++y) {
        std::copy_n(s.bytes.begin() + (s.info.height - 1 - y) * s.rowBytes, s.rowBytes,
                    f.bytes.begin() + y * s.rowBytes);
    }
    return f;
}

// A decoded picture, in the decoder's layout for the frame's depth.
struct Picture {
    int32_t width = 0, height = 0, rowBytes = 0;
    uint16_t depth = 0;
    Bytes bytes;
    MVDKFrameInfo info() const { return {0, width, height, 0, depth}; }
};

inline Picture Blank(const MVDKFrameInfo& info, uint8_t fill = 0) {
    Picture p{info.width, info.height, 0, info.depth, {}};
    p.rowBytes = info.width * mvdk::DecodedBytesPerPixel(info.depth);
    p.bytes.assign(static_cast<size_t>(p.rowBytes) * info.height, fill);
    return p;
}

// What the decoder must show for a source frame: the quantised value at
// depth 16 (mask 0xFFFF when not quantising), the stream pixel reordered to
// alpha, red, green, blue at depths 24 and 32.
inline Picture Expected(const Source& s, bool swap, uint16_t mask16 = 0xFFFF) {
    Picture p = Blank(s.info);
    const int in = mvdk::SourceBytesPerPixel(s.info.depth, s.info.srcPixelSize);
    const int out = mvdk::DecodedBytesPerPixel(s.info.depth);
    for (int32_t y = 0; y < s.info.height; ++y) {
        for (int32_t x = 0; x < s.info.width; ++x) {
            const uint8_t* i = s.data() + static_cast<size_t>(y) * s.rowBytes + x * in;
            uint8_t* o = p.bytes.data() + static_cast<size_t>(y) * p.rowBytes + x * out;
            switch (s.info.depth) {
                case 8:
                    o[0] = i[0];
                    break;
                case 16: {
                    uint16_t v = static_cast<uint16_t>(i[0] << 8 | i[1]);
                    if (!IsSysColor16(v))
                        v &= mask16;
                    o[0] = static_cast<uint8_t>(v >> 8), o[1] = static_cast<uint8_t>(v);
                    break;
                }
                case 24:
                    o[0] = 0xFF, o[1] = i[2], o[2] = i[1], o[3] = i[0];
                    break;
                default:
                    for (int k = 0; k < 4; ++k)
                        o[k] = swap ? i[k] : i[3 - k];
            }
        }
    }
    return p;
}

inline void Decode(Picture& picture, const Bytes& stream) {
    const MVDKFrameInfo info = picture.info();
    MVDK_Decode(&info, picture.bytes.data(), stream.data(), picture.rowBytes,
                static_cast<uint32_t>(stream.size()));
}

// Builds a stream from byte values, e.g. S({3, 7, 0, 1}).
inline Bytes S(std::initializer_list<int> values) {
    Bytes b;
    for (int v : values)
        b.push_back(static_cast<uint8_t>(v));
    return b;
}

}  // namespace codectest

// Pixel policies of the MVDK encoder: how one source pixel is compared and
// how it is written into the stream, for each source layout and depth.
//
// Each policy gives
//   kSrcBytes   bytes per source pixel,
//   kGroup      how many pixels the difference scan compares at once,
//   kPadOdd     literals of odd length are followed by a pad byte,
//   key(p)      the value compared for runs, literal ends and (single
//               pixels) previous-frame matching,
//   put(o, p)   writes one pixel, returns the advanced output,
//   putMany(o, p, n)  writes n consecutive pixels.
// Internal to the codec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mvdk::detail {

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline void Store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

// True when the N bytes at a and b are equal, compared a word at a time.
template <int N>
inline bool EqualBytes(const uint8_t* a, const uint8_t* b) {
    if constexpr (N % 8 == 0) {
        uint64_t diff = 0;
        for (int i = 0; i < N; i += 8)
            diff |= Load64(a + i) ^ Load64(b + i);
        return diff == 0;
    } else if constexpr (N == 4) {
        return Load32(a) == Load32(b);
    } else {
        return std::memcmp(a, b, N) == 0;
    }
}

// Length of the equal prefix of a and b in whole 16-byte chunks, looking at
// no more than limit bytes.  The difference scan spends most of its time
// here on frames that changed little, so it compares 64 bytes per step.
inline size_t EqualPrefix(const uint8_t* a, const uint8_t* b, size_t limit) {
    size_t i = 0;
#if defined(__SSE2__)
    const auto load = [](const uint8_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    const auto same = [&](size_t at) { return _mm_cmpeq_epi8(load(a + at), load(b + at)); };
    for (; i + 64 <= limit; i += 64) {
        const __m128i all = _mm_and_si128(_mm_and_si128(same(i), same(i + 16)),
                                          _mm_and_si128(same(i + 32), same(i + 48)));
        if (_mm_movemask_epi8(all) != 0xFFFF)
            break;
    }
    for (; i + 16 <= limit; i += 16) {
        if (_mm_movemask_epi8(same(i)) != 0xFFFF)
            break;
    }
#else
    for (; i + 16 <= limit; i += 16) {
        if (((Load64(a + i) ^ Load64(b + i)) | (Load64(a + i + 8) ^ Load64(b + i + 8))) != 0)
            break;
    }
#endif
    return i;
}

// True when value is one of the 20 system colours that quantisation keeps.
bool IsSystemColor16(uint16_t value);

// Depth 8 (and below): one byte, copied.
struct Pixels8 {
    static constexpr int kSrcBytes = 1;
    static constexpr int kGroup = 4;
    static constexpr bool kPadOdd = true;
    uint8_t key(const uint8_t* p) const { return *p; }
    uint8_t* put(uint8_t* o, const uint8_t* p) const {
        *o = *p;
        return o + 1;
    }
    uint8_t* putMany(uint8_t* o, const uint8_t* p, int n) const {
        std::memcpy(o, p, static_cast<size_t>(n));
        return o + n;
    }
};

// Depth 16: RGB555 stored big-endian in the source, little-endian in the
// stream.  With kQuantise every value that is not a system colour is masked
// and the masked value is compared and written.
template <bool kQuantise>
struct Pixels16 {
    static constexpr int kSrcBytes = 2;
    static constexpr int kGroup = kQuantise ? 1 : 2;
    static constexpr bool kPadOdd = false;
    uint16_t mask = 0xFFFF;

    uint16_t key(const uint8_t* p) const {
        const uint16_t v = static_cast<uint16_t>(p[0] << 8 | p[1]);
        if constexpr (kQuantise) {
            return IsSystemColor16(v) ? v : static_cast<uint16_t>(v & mask);
        }
        return v;
    }
    uint8_t* put(uint8_t* o, const uint8_t* p) const {
        const uint16_t v = key(p);
        o[0] = static_cast<uint8_t>(v);
        o[1] = static_cast<uint8_t>(v >> 8);
        return o + 2;
    }
    uint8_t* putMany(uint8_t* o, const uint8_t* p, int n) const {
        for (int i = 0; i < n; ++i)
            o = put(o, p + 2 * i);
        return o;
    }
};

// Depth 24 from 3-byte sources: blue, green, red copied.
struct Pixels24 {
    static constexpr int kSrcBytes = 3;
    static constexpr int kGroup = 1;
    static constexpr bool kPadOdd = false;
    uint32_t key(const uint8_t* p) const {
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16;
    }
    uint8_t* put(uint8_t* o, const uint8_t* p) const {
        o[0] = p[0];
        o[1] = p[1];
        o[2] = p[2];
        return o + 3;
    }
    uint8_t* putMany(uint8_t* o, const uint8_t* p, int n) const {
        std::memcpy(o, p, static_cast<size_t>(n) * 3);
        return o + 3 * n;
    }
};

// 4-byte sources, compared as whole pixels.  kOutBytes 4: the bytes in
// memory order, or reversed with kSwap.  kOutBytes 3: the first three bytes
// in memory order.
template <int kOutBytes, bool kSwap>
struct Pixels32 {
    static_assert(kOutBytes == 4 || (kOutBytes == 3 && !kSwap));
    static constexpr int kSrcBytes = 4;
    static constexpr int kGroup = 1;
    static constexpr bool kPadOdd = false;
    uint32_t key(const uint8_t* p) const { return Load32(p); }
    uint8_t* put(uint8_t* o, const uint8_t* p) const {
        if constexpr (kOutBytes == 3) {
            std::memcpy(o, p, 3);
        } else if constexpr (kSwap) {
            Store32(o, __builtin_bswap32(Load32(p)));
        } else {
            std::memcpy(o, p, 4);
        }
        return o + kOutBytes;
    }
    uint8_t* putMany(uint8_t* o, const uint8_t* p, int n) const {
        if constexpr (kOutBytes == 4 && !kSwap) {
            std::memcpy(o, p, static_cast<size_t>(n) * 4);
            return o + 4 * n;
        } else if constexpr (kOutBytes == 3) {
            // 4-byte stores, each overwriting the spare byte of the one before;
            // the last pixel is written exactly.
            for (int i = 0; i + 1 < n; ++i, o += 3)
                Store32(o, Load32(p + 4 * i));
            return n > 0 ? put(o, p + 4 * (n - 1)) : o;
        } else {
            for (int i = 0; i < n; ++i)
                o = put(o, p + 4 * i);
            return o;
        }
    }
};

}  // namespace mvdk::detail

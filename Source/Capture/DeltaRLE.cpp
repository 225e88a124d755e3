#include "Capture/DeltaRLE.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kMaxCount = 255;
constexpr unsigned char kEndOfLine = 0;
constexpr unsigned char kEndOfRect = 1;
constexpr unsigned char kSkip = 2;

inline uint32_t LoadWord(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreWord(unsigned char* p, uint32_t v) {
    std::memcpy(p, &v, sizeof v);
}

// How one element (a 32-bit pixel or a plane byte) is compared and stored.
// kOffset and kStored pick the bytes of the element that go into the stream.
template <int kStride, int kOffset, int kStored>
struct Element {
    static constexpr int stride = kStride;
    uint32_t mask;

    uint32_t key(const unsigned char* p) const {
        if constexpr (kStride == 1) {
            return *p;
        } else {
            return LoadWord(p) & mask;
        }
    }
    void put(unsigned char*& d, const unsigned char* p) const {
        std::memcpy(d, p + kOffset, kStored);
        d += kStored;
    }
};

using Pixel4 = Element<4, 0, 4>;      // mask 0xFFFFFFFF: all four bytes
using PixelHigh3 = Element<4, 1, 3>;  // mask 0xFFFFFF00: bytes 1..3
using PixelLow3 = Element<4, 0, 3>;   // other masks: bytes 0..2
using Byte = Element<1, 0, 1>;

template <class E>
int RunLength(const E& e, const unsigned char* src, int max) {
    const uint32_t first = e.key(src);
    int r = 1;
    while (r < max && e.key(src + r * E::stride) == first) {
        ++r;
    }
    return r;
}

// Length of a literal within the first n elements (n >= 3): it ends where
// four equal elements begin, at index 3 or later, and leaves at least three
// elements for the next code when no such place exists.
template <class E>
int LiteralLength(const E& e, const unsigned char* src, int n) {
    if (n - 3 < 4) {
        return 3;
    }
    int runStart = 3;
    uint32_t previous = e.key(src + 3 * E::stride);
    for (int j = 4; j < n; ++j) {
        const uint32_t current = e.key(src + j * E::stride);
        if (current != previous) {
            runStart = j;
            previous = current;
        } else if (j - runStart == 3) {
            return runStart;
        }
    }
    return n - 3;
}

template <class E>
unsigned char* EncodeFragment(const E& e, const unsigned char* src, int count, unsigned char* d) {
    int remaining = count;
    while (remaining > 0) {
        const int n = std::min(remaining, kMaxCount);
        const int r = RunLength(e, src, n);
        if (r >= 2) {
            *d++ = static_cast<unsigned char>(r);
            e.put(d, src);
            src += r * E::stride;
            remaining -= r;
        } else if (n < 3) {
            for (int i = 0; i < n; ++i, src += E::stride) {
                *d++ = 1;
                e.put(d, src);
            }
            remaining -= n;
        } else {
            const int length = LiteralLength(e, src, n);
            *d++ = 0;
            *d++ = static_cast<unsigned char>(length);
            for (int i = 0; i < length; ++i, src += E::stride) {
                e.put(d, src);
            }
            remaining -= length;
        }
    }
    return d;
}

// The scan step of difference coding; see findDiffLengthAndRunLength32.
void ScanDiff(const unsigned char* prev, const unsigned char* cur, int count, uint32_t mask,
              int* diffLength, int* runLength) {
    int same = 0;
    for (int i = 0; i < count; ++i) {
        if (((LoadWord(prev + i * 4) ^ LoadWord(cur + i * 4)) & mask) == 0) {
            ++same;
            continue;
        }
        if (same >= 4) {
            *diffLength = i - same;
            *runLength = same;
            return;
        }
        same = 0;
    }
    if (same >= 4 || same == count) {
        *diffLength = count - same;
        *runLength = same;
    } else {
        *diffLength = count;
        *runLength = 0;
    }
}

inline const unsigned char* PixelAt(const void* image, int imageWidth, int x, int y) {
    return static_cast<const unsigned char*>(image) +
           (static_cast<size_t>(y) * static_cast<size_t>(imageWidth) + static_cast<size_t>(x)) * 4;
}

template <class E>
int CompressKey(const E& e, const void* cur, int imageWidth, int x, int y, int w, int h,
                unsigned char* dst) {
    unsigned char* d = dst;
    for (int line = 0; line < h; ++line) {
        d = EncodeFragment(e, PixelAt(cur, imageWidth, x, y + line), std::max(w, 0), d);
        if (line + 1 < h) {
            *d++ = 0;
            *d++ = kEndOfLine;
        }
    }
    *d++ = 0;
    *d++ = kEndOfRect;
    return static_cast<int>(d - dst);
}

// skipX and skipY are the offset from where the decoder stands to where the
// encoder stands; skipX turns negative when the encoder moves to a new line.
template <class E>
int CompressDelta(const E& e, const void* prev, const void* cur, int imageWidth, int x, int y,
                  int w, int h, unsigned char* dst) {
    unsigned char* d = dst;
    int skipX = 0;
    int skipY = 0;
    for (int line = 0; line < h; ++line) {
        const unsigned char* p = PixelAt(prev, imageWidth, x, y + line);
        const unsigned char* c = PixelAt(cur, imageWidth, x, y + line);
        int column = 0;
        while (column < w) {
            int diff;
            int run;
            ScanDiff(p + column * 4, c + column * 4, w - column, e.mask, &diff, &run);
            if (diff > 0) {
                if (skipX < 0) {
                    *d++ = 0;
                    *d++ = kEndOfLine;
                    skipX = column;
                    skipY -= 1;
                }
                while (skipX + skipY != 0) {
                    const int dx = std::min(skipX, kMaxCount);
                    const int dy = std::min(skipY, kMaxCount);
                    *d++ = 0;
                    *d++ = kSkip;
                    *d++ = static_cast<unsigned char>(dx);
                    *d++ = static_cast<unsigned char>(dy);
                    skipX -= dx;
                    skipY -= dy;
                }
                d = EncodeFragment(e, c + column * 4, diff, d);
                column += diff;
            }
            // The unchanged stretch after the changed part is skipped at
            // once; scanning it again would find it unchanged too.
            column += run;
            skipX += run;
        }
        skipX -= w;
        skipY += 1;
    }
    *d++ = 0;
    *d++ = kEndOfRect;
    return static_cast<int>(d - dst);
}

template <class E>
int Compress(const E& e, void* prev, void* cur, int imageWidth, int x, int y, int w, int h,
             void* dst) {
    auto* out = static_cast<unsigned char*>(dst);
    if (prev == nullptr) {
        return CompressKey(e, cur, imageWidth, x, y, w, h, out);
    }
    return CompressDelta(e, prev, cur, imageWidth, x, y, w, h, out);
}

int CompressMasked(void* prev, void* cur, int imageWidth, int x, int y, int w, int h, void* dst,
                   uint32_t mask) {
    if (mask == 0xFFFFFFFFu) {
        return Compress(Pixel4{mask}, prev, cur, imageWidth, x, y, w, h, dst);
    }
    if (mask == 0xFFFFFF00u) {
        return Compress(PixelHigh3{mask}, prev, cur, imageWidth, x, y, w, h, dst);
    }
    return Compress(PixelLow3{mask}, prev, cur, imageWidth, x, y, w, h, dst);
}

// Rebuilds the pixel word of the kStored bytes at s.
template <int kStored>
inline uint32_t ReadPixel(const unsigned char* s, uint32_t mask) {
    if constexpr (kStored == 4) {
        return LoadWord(s);
    } else {
        uint32_t v = uint32_t{s[0]} | uint32_t{s[1]} << 8 | uint32_t{s[2]} << 16;
        if (mask == 0xFFFFFF00u) {
            v <<= 8;
        }
        return v | ~mask;
    }
}

template <int kStored>
bool Decompress(void* dst, const void* srcVoid, int srcLength, int imageWidth, int imageHeight,
                int x, int y, int w, int h, uint32_t mask) {
    if (srcVoid == nullptr || srcLength < 0 || x < 0 || y < 0 || w < 0 || h < 0 ||
        int64_t{x} + w > imageWidth || int64_t{y} + h > imageHeight) {
        return false;
    }
    const auto* src = static_cast<const unsigned char*>(srcVoid);
    const size_t length = static_cast<size_t>(srcLength);
    auto* image = static_cast<unsigned char*>(dst);
    size_t i = 0;
    int line = 0;    // within the rectangle, 0..h
    int column = 0;  // within the rectangle, 0..w
    auto target = [&]() {
        return image + (static_cast<size_t>(y + line) * static_cast<size_t>(imageWidth) +
                        static_cast<size_t>(x + column)) *
                           4;
    };
    while (i + 2 <= length) {
        const int a = src[i];
        const int b = src[i + 1];
        if (a != 0) {
            if (i + 1 + kStored > length || line >= h || column + a > w) {
                return false;
            }
            const uint32_t pixel = ReadPixel<kStored>(src + i + 1, mask);
            unsigned char* out = target();
            for (int k = 0; k < a; ++k) {
                StoreWord(out + k * 4, pixel);
            }
            column += a;
            i += 1 + kStored;
            continue;
        }
        i += 2;
        if (b == kEndOfRect) {
            return true;
        }
        if (b == kEndOfLine) {
            line += 1;
            column = 0;
            if (line > h) {
                return false;
            }
        } else if (b == kSkip) {
            if (i + 2 > length) {
                return false;
            }
            column += src[i];
            line += src[i + 1];
            i += 2;
            if (column > w || line > h) {
                return false;
            }
        } else {
            if (i + static_cast<size_t>(b) * kStored > length || line >= h || column + b > w) {
                return false;
            }
            unsigned char* out = target();
            for (int k = 0; k < b; ++k) {
                StoreWord(out + k * 4, ReadPixel<kStored>(src + i + k * kStored, mask));
            }
            column += b;
            i += static_cast<size_t>(b) * kStored;
        }
    }
    return false;
}

}  // namespace

int DeltaRLE::compress32(void* prev, void* cur, int imageWidth, int /*imageHeight*/, int x, int y,
                         int w, int h, void* dst, unsigned int mask) {
    return CompressMasked(prev, cur, imageWidth, x, y, w, h, dst, mask);
}

int DeltaRLE::compress32to32(void* prev, void* cur, int imageWidth, int /*imageHeight*/, int x,
                             int y, int w, int h, void* dst) {
    return CompressMasked(prev, cur, imageWidth, x, y, w, h, dst, 0xFFFFFFFFu);
}

bool DeltaRLE::decompress32(void* dst, const void* src, int srcLength, int imageWidth,
                            int imageHeight, int x, int y, int w, int h, unsigned int mask) {
    if (mask == 0xFFFFFFFFu) {
        return Decompress<4>(dst, src, srcLength, imageWidth, imageHeight, x, y, w, h, mask);
    }
    return Decompress<3>(dst, src, srcLength, imageWidth, imageHeight, x, y, w, h, mask);
}

bool DeltaRLE::decompress32to32(void* dst, const void* src, int srcLength, int imageWidth,
                                int imageHeight, int x, int y, int w, int h) {
    return Decompress<4>(dst, src, srcLength, imageWidth, imageHeight, x, y, w, h, 0xFFFFFFFFu);
}

void DeltaRLE::encodeFragment32(const unsigned char* src, int count, unsigned char* dst,
                                int* consumed, int* written, unsigned int mask) {
    unsigned char* end;
    if (mask == 0xFFFFFFFFu) {
        end = EncodeFragment(Pixel4{mask}, src, count, dst);
    } else if (mask == 0xFFFFFF00u) {
        end = EncodeFragment(PixelHigh3{mask}, src, count, dst);
    } else {
        end = EncodeFragment(PixelLow3{mask}, src, count, dst);
    }
    *consumed = std::max(count, 0) * 4;
    *written = static_cast<int>(end - dst);
}

void DeltaRLE::encodeFragment32to32(const unsigned char* src, int count, unsigned char* dst,
                                    int* consumed, int* written) {
    encodeFragment32(src, count, dst, consumed, written, 0xFFFFFFFFu);
}

void DeltaRLE::encodeFragment8(const unsigned char* src, int count, unsigned char* dst,
                               int* consumed, int* written) {
    unsigned char* end = EncodeFragment(Byte{0xFFu}, src, count, dst);
    *consumed = std::max(count, 0);
    *written = static_cast<int>(end - dst);
}

int DeltaRLE::decodeFragment8(const unsigned char* src, int srcLength, unsigned char* dst,
                              int dstLength) {
    if (srcLength < 0 || dstLength < 0) {
        return -1;
    }
    const size_t length = static_cast<size_t>(srcLength);
    const size_t capacity = static_cast<size_t>(dstLength);
    size_t i = 0;
    size_t out = 0;
    while (i < length) {
        if (i + 2 > length) {
            return -1;
        }
        const unsigned a = src[i];
        const unsigned b = src[i + 1];
        i += 2;
        if (a != 0) {
            if (out + a > capacity) {
                return -1;
            }
            std::memset(dst + out, static_cast<int>(b), a);
            out += a;
        } else if (b > 1) {  // 0, 0 copies nothing and 0, 1 is no code
            if (i + b > length || out + b > capacity) {
                return -1;
            }
            std::memcpy(dst + out, src + i, b);
            i += b;
            out += b;
        }
    }
    return static_cast<int>(out);
}

void DeltaRLE::decodeFragment32to32(const unsigned char* code, unsigned char* dst) {
    const uint32_t pixel = LoadWord(code + 1);
    for (int k = 0; k < code[0]; ++k) {
        StoreWord(dst + k * 4, pixel);
    }
}

int DeltaRLE::getRunLength32(const unsigned char* src, int max, unsigned int mask) {
    return RunLength(Pixel4{mask}, src, std::max(max, 1));
}

int DeltaRLE::getRunLength8(const unsigned char* src, int max) {
    return RunLength(Byte{0xFFu}, src, std::max(max, 1));
}

void DeltaRLE::findDiffLengthAndRunLength32(void* prev, void* cur, int count, int* diffLength,
                                            int* runLength, unsigned int mask) {
    ScanDiff(static_cast<const unsigned char*>(prev), static_cast<const unsigned char*>(cur),
             std::max(count, 0), mask, diffLength, runLength);
}

size_t DeltaRLE::maxCompressedSize32(int w, int h) {
    // A coded pixel costs at most 5 bytes (a run of one), a skipped one at
    // most a byte of skip codes; each line adds an end of line and the skip
    // codes that reach it.
    const size_t width = static_cast<size_t>(std::max(w, 0));
    const size_t height = static_cast<size_t>(std::max(h, 0));
    return height * (width * 7 + 16) + 64;
}

size_t DeltaRLE::maxCompressedSize8(int count) {
    // Literals cost 2 bytes per 3 or more; runs of one appear only for the
    // last two bytes.
    return static_cast<size_t>(std::max(count, 0)) * 2 + 4;
}

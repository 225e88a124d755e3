#include "ImageCompression/AnimationCodec.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "Base/MacErrors.h"

namespace {

constexpr UInt16 kHeaderHasLineBand = 0x0008;
constexpr size_t kChunkSizeBytes = 4;
constexpr size_t kBandHeaderBytes = 2 + 8;
constexpr size_t kShortestDrawingSample = 8;
constexpr int kMaxLiteral = 127;
constexpr int kMaxRun = 128;
constexpr int kMaxSkip = 254;
constexpr UInt8 kEndOfLine = 0xFF;
constexpr UInt32 kChunkSizeMask = 0x3FFFFFFF;  // the top bits may carry flags

inline UInt32 LoadPixel(const UInt8* p) {
    UInt32 v;
    std::memcpy(&v, p, 4);
    return v;
}

inline UInt32 LoadPixel(const UInt8* row, int x) {
    return LoadPixel(row + 4 * static_cast<size_t>(x));
}

inline void StoreSwapped(UInt8* dst, const UInt8* src) {
    dst[0] = src[3];
    dst[1] = src[2];
    dst[2] = src[1];
    dst[3] = src[0];
}

// Copies pixels between the coded order (alpha, red, green, blue) and a
// picture's order; the swap is its own inverse, so both directions share it.
inline void CopyPixels(UInt8* dst, const UInt8* src, int count, AnimationPixelOrder order) {
    if (order == AnimationPixelOrder::kARGB) {
        std::memcpy(dst, src, 4 * static_cast<size_t>(count));
        return;
    }
    for (int i = 0; i < count; ++i) {
        StoreSwapped(dst + 4 * i, src + 4 * i);
    }
}

inline UInt8* PutBE16(UInt8* p, UInt16 v) {
    p[0] = static_cast<UInt8>(v >> 8);
    p[1] = static_cast<UInt8>(v);
    return p + 2;
}

inline void PutBE32(UInt8* p, UInt32 v) {
    p[0] = static_cast<UInt8>(v >> 24);
    p[1] = static_cast<UInt8>(v >> 16);
    p[2] = static_cast<UInt8>(v >> 8);
    p[3] = static_cast<UInt8>(v);
}

bool ValidSize(int width, int height) {
    return width >= 1 && height >= 1 && width <= kAnimationMaxDimension &&
           height <= kAnimationMaxDimension;
}

template <typename Image>
bool ValidImage(const Image& image) {
    if (image.pixels == nullptr || !ValidSize(image.width, image.height)) {
        return false;
    }
    long magnitude = image.rowBytes < 0 ? -image.rowBytes : image.rowBytes;
    return magnitude >= 4L * image.width;
}

template <typename Byte, typename Image>
Byte* Row(const Image& image, int y) {
    return static_cast<Byte*>(image.pixels) + static_cast<ptrdiff_t>(y) * image.rowBytes;
}

bool RowsEqual(const AnimationConstImage& a, const AnimationConstImage& b, int y) {
    return std::memcmp(Row<const UInt8>(a, y), Row<const UInt8>(b, y),
                       4 * static_cast<size_t>(a.width)) == 0;
}

// Number of pixels from x on where rows a and b hold the same value, compared
// two pixels at a time.
int CountEqualPixels(const UInt8* a, const UInt8* b, int x, int width) {
    int n = x;
    while (n + 2 <= width) {
        UInt64 va, vb;
        std::memcpy(&va, a + 4 * static_cast<size_t>(n), 8);
        std::memcpy(&vb, b + 4 * static_cast<size_t>(n), 8);
        if (va != vb) {
            break;
        }
        n += 2;
    }
    while (n < width && LoadPixel(a, n) == LoadPixel(b, n)) {
        ++n;
    }
    return n - x;
}

// Length of the run of equal pixels starting at x, at most kMaxRun.
int RunLength(const UInt8* row, int x, int width) {
    const UInt32 value = LoadPixel(row, x);
    const int end = std::min(width, x + kMaxRun);
    int n = x + 1;
    while (n < end && LoadPixel(row, n) == value) {
        ++n;
    }
    return n - x;
}

// Writes a skip of `count` pixels: into the line's skip byte while no code
// has been written yet, then as (0, skip byte) codes of up to 254 pixels.
UInt8* PutSkip(UInt8* out, int count, UInt8* lineSkipByte) {
    if (out == lineSkipByte + 1) {
        const int now = std::min(count, kMaxSkip);
        *lineSkipByte = static_cast<UInt8>(now + 1);
        count -= now;
    }
    while (count > 0) {
        const int now = std::min(count, kMaxSkip);
        *out++ = 0;
        *out++ = static_cast<UInt8>(now + 1);
        count -= now;
    }
    return out;
}

// Codes one line.  In a difference frame (`prev` non-null) pixels equal to
// the previous frame's are skipped; a skip costs 2 bytes (3 when it splits a
// literal), less than the 4 of a literal pixel.  Runs start at 2 equal pixels:
// 5 bytes, against 8 as literals.
template <bool kDifference>
UInt8* EncodeLine(const UInt8* cur, const UInt8* prev, int width, AnimationPixelOrder order,
                  UInt8* out) {
    UInt8* lineSkipByte = out;
    *out++ = 1;
    int x = 0;
    while (x < width) {
        if constexpr (kDifference) {
            const int same = CountEqualPixels(cur, prev, x, width);
            if (x + same == width) {
                break;
            }
            out = PutSkip(out, same, lineSkipByte);
            x += same;
        }
        const int run = RunLength(cur, x, width);
        if (run >= 2) {
            *out++ = static_cast<UInt8>(-run);
            CopyPixels(out, cur + 4 * static_cast<size_t>(x), 1, order);
            out += 4;
            x += run;
            continue;
        }
        const int start = x++;
        while (x < width && x - start < kMaxLiteral) {
            const UInt32 value = LoadPixel(cur, x);
            if (kDifference && value == LoadPixel(prev, x)) {
                break;
            }
            if (x + 1 < width && LoadPixel(cur, x + 1) == value) {
                break;
            }
            ++x;
        }
        const int count = x - start;
        *out++ = static_cast<UInt8>(count);
        CopyPixels(out, cur + 4 * static_cast<size_t>(start), count, order);
        out += 4 * static_cast<size_t>(count);
    }
    *out++ = kEndOfLine;
    return out;
}

size_t FinishSample(UInt8* out, const UInt8* end) {
    const auto size = static_cast<size_t>(end - out);
    PutBE32(out, static_cast<UInt32>(size));
    return size;
}

UInt8* PutBandHeader(UInt8* out, int firstLine, int lineCount) {
    UInt8* p = PutBE16(out + kChunkSizeBytes, kHeaderHasLineBand);
    p = PutBE16(p, static_cast<UInt16>(firstLine));
    p = PutBE16(p, 0);
    p = PutBE16(p, static_cast<UInt16>(lineCount));
    return PutBE16(p, 0);
}

struct LineBand {
    int first = 0;
    int count = 0;
};

// The difference frame coder; reports the band of lines it coded (empty when
// nothing changed).
size_t EncodeDifference(const AnimationConstImage& frame, const AnimationConstImage& previous,
                        UInt8* out, LineBand* band) {
    const int height = frame.height;
    int top = 0;
    while (top < height && RowsEqual(frame, previous, top)) {
        ++top;
    }
    if (top == height) {
        // One line holding only its end code: a sample that changes nothing.
        UInt8* p = PutBandHeader(out, 0, 1);
        *p++ = 1;
        *p++ = kEndOfLine;
        *band = {};
        return FinishSample(out, p);
    }
    int bottom = height - 1;
    while (bottom > top && RowsEqual(frame, previous, bottom)) {
        --bottom;
    }
    *band = {top, bottom - top + 1};
    UInt8* p = PutBandHeader(out, band->first, band->count);
    for (int y = top; y <= bottom; ++y) {
        if (y != top && y != bottom && RowsEqual(frame, previous, y)) {
            *p++ = 1;
            *p++ = kEndOfLine;
            continue;
        }
        p = EncodeLine<true>(Row<const UInt8>(frame, y), Row<const UInt8>(previous, y), frame.width,
                             frame.order, p);
    }
    return FinishSample(out, p);
}

// Reads a sample front to back; every read is checked against what is left.
class SampleReader {
  public:
    SampleReader(const UInt8* data, size_t size) : m_p(data), m_end(data + size) {}

    size_t left() const { return static_cast<size_t>(m_end - m_p); }
    bool byte(UInt8* v) {
        if (m_p == m_end) {
            return false;
        }
        *v = *m_p++;
        return true;
    }
    bool be16(UInt16* v) {
        if (left() < 2) {
            return false;
        }
        *v = static_cast<UInt16>((m_p[0] << 8) | m_p[1]);
        m_p += 2;
        return true;
    }
    // The next `count` bytes, or null when fewer are left.
    const UInt8* take(size_t count) {
        if (left() < count) {
            return nullptr;
        }
        const UInt8* p = m_p;
        m_p += count;
        return p;
    }

  private:
    const UInt8* m_p;
    const UInt8* m_end;
};

enum class LineResult { kDone, kEndOfSample, kBad };

// Draws one coded line into `row`.
LineResult DecodeLine(SampleReader& in, UInt8* row, int width, AnimationPixelOrder order) {
    UInt8 skip;
    if (!in.byte(&skip)) {
        return LineResult::kBad;
    }
    if (skip == 0) {
        return LineResult::kEndOfSample;
    }
    int x = skip - 1;
    for (;;) {
        if (x > width) {
            return LineResult::kBad;
        }
        UInt8 codeByte;
        if (!in.byte(&codeByte)) {
            return LineResult::kBad;
        }
        const auto code = static_cast<SInt8>(codeByte);
        if (code == -1) {
            return LineResult::kDone;
        }
        if (code == 0) {
            if (!in.byte(&skip) || skip == 0) {
                return LineResult::kBad;
            }
            x += skip - 1;
            continue;
        }
        const int count = code > 0 ? code : -code;
        if (count > width - x) {
            return LineResult::kBad;
        }
        UInt8* dst = row + 4 * static_cast<size_t>(x);
        x += count;
        if (code > 0) {
            const UInt8* src = in.take(4 * static_cast<size_t>(count));
            if (src == nullptr) {
                return LineResult::kBad;
            }
            CopyPixels(dst, src, count, order);
            continue;
        }
        const UInt8* src = in.take(4);
        if (src == nullptr) {
            return LineResult::kBad;
        }
        CopyPixels(dst, src, 1, order);
        const UInt32 value = LoadPixel(dst);
        for (int i = 1; i < count; ++i) {
            std::memcpy(dst + 4 * i, &value, 4);
        }
    }
}

}  // namespace

size_t AnimationMaxSampleSize(int width, int height) {
    if (!ValidSize(width, height)) {
        return 0;
    }
    const size_t w = static_cast<size_t>(width);
    const size_t line = 2 + 4 * w + (w + kMaxLiteral - 1) / kMaxLiteral;
    return kChunkSizeBytes + kBandHeaderBytes + line * static_cast<size_t>(height);
}

size_t AnimationEncodeKeyFrame(const AnimationConstImage& frame, UInt8* out) {
    if (out == nullptr || !ValidImage(frame)) {
        return 0;
    }
    UInt8* p = PutBE16(out + kChunkSizeBytes, 0);
    for (int y = 0; y < frame.height; ++y) {
        p = EncodeLine<false>(Row<const UInt8>(frame, y), nullptr, frame.width, frame.order, p);
    }
    return FinishSample(out, p);
}

size_t AnimationEncodeDifferenceFrame(const AnimationConstImage& frame,
                                      const AnimationConstImage& previous, UInt8* out) {
    if (out == nullptr || !ValidImage(frame) || !ValidImage(previous) ||
        frame.width != previous.width || frame.height != previous.height ||
        frame.order != previous.order) {
        return 0;
    }
    LineBand band;
    return EncodeDifference(frame, previous, out, &band);
}

OSErr AnimationDecodeFrame(const void* sample, size_t size, const AnimationImage& picture) {
    if (!ValidImage(picture) || (sample == nullptr && size > 0)) {
        return paramErr;
    }
    if (size < kShortestDrawingSample) {
        return noErr;
    }
    const auto* bytes = static_cast<const UInt8*>(sample);
    const UInt32 chunkSize =
        ((UInt32{bytes[0]} << 24) | (UInt32{bytes[1]} << 16) | (UInt32{bytes[2]} << 8) | bytes[3]) &
        kChunkSizeMask;
    if (chunkSize > size) {
        return codecBadDataErr;
    }
    if (chunkSize < kShortestDrawingSample) {
        return noErr;
    }
    SampleReader in(bytes + kChunkSizeBytes, chunkSize - kChunkSizeBytes);
    UInt16 header = 0;
    in.be16(&header);
    int firstLine = 0;
    int lineCount = picture.height;
    if (header & kHeaderHasLineBand) {
        UInt16 first, reserved, count, reserved2;
        if (!in.be16(&first) || !in.be16(&reserved) || !in.be16(&count) || !in.be16(&reserved2)) {
            return codecBadDataErr;
        }
        if (first > picture.height || count > picture.height - first) {
            return codecBadDataErr;
        }
        firstLine = first;
        lineCount = count;
    }
    for (int y = firstLine; y < firstLine + lineCount; ++y) {
        switch (DecodeLine(in, Row<UInt8>(picture, y), picture.width, picture.order)) {
            case LineResult::kDone:
                break;
            case LineResult::kEndOfSample:
                return noErr;
            case LineResult::kBad:
                return codecBadDataErr;
        }
    }
    return noErr;
}

AnimationEncoder::AnimationEncoder(int width, int height, AnimationPixelOrder order)
    : m_width(width), m_height(height), m_order(order) {
    if (!ValidSize(width, height)) {
        throw std::invalid_argument("Animation picture size out of range");
    }
    m_sample.resize(AnimationMaxSampleSize(width, height));
    m_previous.resize(4 * static_cast<size_t>(width) * static_cast<size_t>(height));
}

std::span<const UInt8> AnimationEncoder::encode(const void* pixels, long rowBytes, bool keyFrame) {
    const AnimationConstImage frame{pixels, rowBytes, m_width, m_height, m_order};
    if (!ValidImage(frame)) {
        return {};
    }
    size_t size;
    m_lastWasKeyFrame = keyFrame || !m_hasPrevious;
    if (m_lastWasKeyFrame) {
        size = AnimationEncodeKeyFrame(frame, m_sample.data());
        keepLines(frame, 0, m_height);
        m_hasPrevious = true;
    } else {
        const AnimationConstImage previous{m_previous.data(), 4L * m_width, m_width, m_height,
                                           m_order};
        LineBand band;
        size = EncodeDifference(frame, previous, m_sample.data(), &band);
        keepLines(frame, band.first, band.count);
    }
    return {m_sample.data(), size};
}

void AnimationEncoder::keepLines(const AnimationConstImage& frame, int firstLine, int lineCount) {
    const size_t lineBytes = 4 * static_cast<size_t>(m_width);
    for (int y = firstLine; y < firstLine + lineCount; ++y) {
        std::memcpy(m_previous.data() + static_cast<size_t>(y) * lineBytes,
                    Row<const UInt8>(frame, y), lineBytes);
    }
}

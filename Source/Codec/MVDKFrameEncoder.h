// The MVDK run-length coder, written once for every pixel layout: fragment
// coding (runs and literals), key frames and difference frames.  The pixel
// policies of MVDKPixels.h supply what differs between depths.  Internal to
// the codec; the entry points are in MVDKEncoder.h.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Codec/MVDKFormat.h"
#include "Codec/MVDKPixels.h"

namespace mvdk {

// The lines of a picture in stream order: line 0 is the bottom line as
// displayed; stride is the (possibly negative) distance to the next one.
struct Plane {
    const uint8_t* line0 = nullptr;
    ptrdiff_t stride = 0;
    const uint8_t* line(int32_t k) const { return line0 + k * stride; }
};

// Pixels [begin, end) of one stream line that a difference frame coded.
struct LineSpan {
    int32_t begin;
    int32_t end;
};

// Everything one frame encoding needs.
struct EncodeRequest {
    const MVDKFrameInfo* info = nullptr;
    Plane src;
    const Plane* prev = nullptr;  // null: key frame
    uint32_t flags = 0;
    int32_t maxSize = 0;  // 0: no limit
    bool swap = false;
    // When set (height entries), a difference frame records per stream line
    // the span of pixels it coded; {width, 0} when it coded none.
    LineSpan* changed = nullptr;
};

// The source lines of a frame in stream order: the last line in memory
// first, or the first line first when a 4-byte source is flipped.
Plane SourcePlane(const MVDKFrameInfo& info, const void* base, int32_t rowBytes);

// Encodes one frame into dst, which must hold EncodeBound() bytes.  Returns
// the stream length, -1 when the limit was exceeded, 0 for an unsupported
// depth or a frame whose stream could exceed 2^31 - 1 bytes.
int32_t EncodeFrame(const EncodeRequest& request, uint8_t* dst);

namespace detail {

// Number of leading pixels equal to the first one, at most n.
template <class Px>
inline int RunLength(const Px& px, const uint8_t* p, int n) {
    const auto first = px.key(p);
    int r = 1;
    while (r < n && px.key(p + r * Px::kSrcBytes) == first)
        ++r;
    return r;
}

// Length of the literal that starts at p, given n >= 3 pixels to look at:
// it ends just before the first place (from index 3 on, at most n - 4)
// where four equal pixels begin, else at max(3, n - 3).
template <class Px>
inline int LiteralLength(const Px& px, const uint8_t* p, int n) {
    if (n >= 7) {
        auto last = px.key(p + 3 * Px::kSrcBytes);
        int same = 1;
        for (int j = 4; j < n; ++j) {
            const auto k = px.key(p + j * Px::kSrcBytes);
            if (k != last) {
                last = k;
                same = 1;
            } else if (++same == 4) {
                return j - 3;
            }
        }
    }
    return std::max(3, n - 3);
}

// Codes count consecutive pixels as runs and literals, advancing src and dst.
template <class Px>
void CodeFragment(const Px& px, int32_t count, bool literalsOnly, const uint8_t*& src,
                  uint8_t*& dst) {
    constexpr int kBytes = Px::kSrcBytes;
    while (count > 0) {
        const int n = std::min<int32_t>(count, kMaxCount);
        if (!literalsOnly) {
            const int r = RunLength(px, src, n);
            if (r >= 2) {
                *dst++ = static_cast<uint8_t>(r);
                dst = px.put(dst, src);
                src += r * kBytes;
                count -= r;
                continue;
            }
        }
        if (n < kMinLiteral) {
            for (int i = 0; i < n; ++i, src += kBytes) {
                *dst++ = 1;
                dst = px.put(dst, src);
            }
            return;
        }
        const int length = literalsOnly ? std::max(3, n - 3) : LiteralLength(px, src, n);
        *dst++ = kEscape;
        *dst++ = static_cast<uint8_t>(length);
        dst = px.putMany(dst, src, length);
        if (Px::kPadOdd && (length & 1) != 0)
            *dst++ = 0;
        src += length * kBytes;
        count -= length;
    }
}

// Result of scanning a line remainder against the previous frame: code
// `changed` pixels, then `unchanged` pixels (0, or 4 and more) match.
struct Scan {
    int32_t changed;
    int32_t unchanged;
};

// Pixels are matched kGroup at a time while more than kGroup remain (a group
// counts only when all of it matches), then one at a time.  An unchanged
// stretch ends the changed part once it is 4 pixels long and followed by a
// mismatch or the end of the line.  Equal stretches are first taken in bulk,
// a whole number of groups that all match and leave at least one pixel,
// which cannot change the outcome.
template <class Px>
inline Scan ScanLine(const Px& px, const uint8_t* s, const uint8_t* p, int32_t remaining) {
    constexpr int kBytes = Px::kSrcBytes;
    constexpr int kGroup = Px::kGroup;
    int32_t matched = 0;
    int32_t i = 0;
    while (i < remaining) {
        const int32_t left = remaining - i;
        const uint8_t* a = s + i * kBytes;
        const uint8_t* b = p + i * kBytes;
        const size_t equal = EqualPrefix(a, b, static_cast<size_t>(left - 1) * kBytes);
        if (equal != 0) {
            const int32_t bulk = static_cast<int32_t>(equal / kBytes) / kGroup * kGroup;
            matched += bulk;
            i += bulk;
            if (bulk != 0)
                continue;
        }
        int step = 1;
        bool same;
        if (kGroup > 1 && left > kGroup) {
            step = kGroup;
            same = EqualBytes<kGroup * kBytes>(a, b);
        } else {
            same = px.key(a) == px.key(b);
        }
        if (same) {
            matched += step;
        } else {
            if (matched >= 4)
                return {i - matched, matched};
            matched = 0;
        }
        i += step;
    }
    return matched >= 4 ? Scan{remaining - matched, matched} : Scan{remaining, 0};
}

template <class Px>
class FrameCoder {
  public:
    FrameCoder(const Px& px, const EncodeRequest& request, uint8_t* dst)
        : m_px(px),
          m_request(request),
          m_width(request.info->width),
          m_height(request.info->height),
          m_literalsOnly((request.flags & kMVDKLiteralsOnly) != 0),
          m_begin(dst),
          m_out(dst) {}

    int32_t run() {
        const int32_t result = m_request.prev ? differenceFrame() : keyFrame();
        if (result < 0)
            return result;
        escape(kEndOfFrame);
        return length();
    }

  private:
    int32_t length() const { return static_cast<int32_t>(m_out - m_begin); }
    bool overLimit() const { return m_request.maxSize != 0 && length() > m_request.maxSize; }

    void escape(uint8_t code) {
        m_out[0] = kEscape;
        m_out[1] = code;
        m_out += 2;
    }

    void code(const uint8_t* pixels, int32_t count) {
        CodeFragment(m_px, count, m_literalsOnly, pixels, m_out);
    }

    int32_t keyFrame() {
        for (int32_t k = 0; k < m_height; ++k) {
            code(m_request.src.line(k), m_width);
            if (k + 1 < m_height) {
                escape(kEndOfLine);
                if (overLimit())
                    return -1;
            }
        }
        return 0;
    }

    // skipX, skipY: how far the decoder's cursor is from the next pixel to
    // code (columns may be negative when the cursor is further right on an
    // earlier line).
    void moveCursor(int32_t x, int32_t& skipX, int32_t& skipY) {
        if (skipX < 0) {
            escape(kEndOfLine);
            skipX = x;
            skipY -= 1;
        }
        while (skipX + skipY != 0) {
            const int32_t dx = std::min(skipX, kMaxCount);
            const int32_t dy = std::min(skipY, kMaxCount);
            escape(kSkip);
            m_out[0] = static_cast<uint8_t>(dx);
            m_out[1] = static_cast<uint8_t>(dy);
            m_out += 2;
            skipX -= dx;
            skipY -= dy;
        }
    }

    // Bit j set when line first + j of [first, end) equals the previous
    // frame byte for byte.  The lines are compared in memory order, which
    // the hardware prefetches well, whereas the coding below walks them in
    // stream order (bottom line first); the block is small enough to stay
    // in cache between the two.
    uint64_t unchangedLines(int32_t first, int32_t end) const {
        const size_t lineBytes = static_cast<size_t>(m_width) * Px::kSrcBytes;
        const bool upwards = m_request.src.stride < 0;
        uint64_t same = 0;
        for (int32_t n = 0; n < end - first; ++n) {
            const int32_t k = upwards ? end - 1 - n : first + n;
            if (std::memcmp(m_request.src.line(k), m_request.prev->line(k), lineBytes) == 0)
                same |= uint64_t{1} << (k - first);
        }
        return same;
    }

    // Codes the changed stretches of stream line k; returns the span coded.
    LineSpan differenceLine(int32_t k, int32_t& skipX, int32_t& skipY) {
        constexpr int kBytes = Px::kSrcBytes;
        const uint8_t* s = m_request.src.line(k);
        const uint8_t* p = m_request.prev->line(k);
        LineSpan span{m_width, 0};
        for (int32_t x = 0; x < m_width;) {
            const Scan scan = ScanLine(m_px, s + x * kBytes, p + x * kBytes, m_width - x);
            if (scan.changed > 0) {
                moveCursor(x, skipX, skipY);
                code(s + x * kBytes, scan.changed);
                span.begin = std::min(span.begin, x);
                x += scan.changed;
                span.end = x;
            }
            x += scan.unchanged;
            skipX += scan.unchanged;
        }
        return span;
    }

    // A line equal to the previous one is skipped whole when it is at least
    // 4 pixels wide, exactly as scanning it would find; narrower lines are
    // always scanned.
    int32_t differenceFrame() {
        int32_t skipX = 0;
        int32_t skipY = 0;
        const bool wide = m_width >= 4;
        for (int32_t first = 0; first < m_height; first += kBlockLines) {
            const int32_t end = std::min(m_height, first + kBlockLines);
            const uint64_t same = wide ? unchangedLines(first, end) : 0;
            for (int32_t k = first; k < end; ++k) {
                LineSpan span{m_width, 0};
                if ((same >> (k - first) & 1) != 0)
                    skipX += m_width;
                else
                    span = differenceLine(k, skipX, skipY);
                if (m_request.changed)
                    m_request.changed[k] = span;
                skipX -= m_width;
                skipY += 1;
                if (overLimit())
                    return -1;
            }
        }
        return 0;
    }

    static constexpr int32_t kBlockLines = 32;

    const Px& m_px;
    const EncodeRequest& m_request;
    const int32_t m_width;
    const int32_t m_height;
    const bool m_literalsOnly;
    uint8_t* const m_begin;
    uint8_t* m_out;
};

}  // namespace detail
}  // namespace mvdk

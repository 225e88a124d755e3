#include "Codec/MVDKDecoder.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "Codec/MVDKPixels.h"

namespace {

using mvdk::detail::Load32;
using mvdk::detail::Store32;

// Output layouts: kIn stream bytes become kOut destination bytes.
struct Out8 {
    static constexpr int kIn = 1;
    static constexpr int kOut = 1;
    static constexpr bool kPadOdd = true;
    static void fill(uint8_t* o, const uint8_t* p, int n) { std::memset(o, *p, n); }
    static void copy(uint8_t* o, const uint8_t* p, int n) { std::memcpy(o, p, n); }
};

struct Out16 {
    static constexpr int kIn = 2;
    static constexpr int kOut = 2;
    static constexpr bool kPadOdd = false;
    static void fill(uint8_t* o, const uint8_t* p, int n) {
        const uint8_t pair[4] = {p[1], p[0], p[1], p[0]};
        const uint32_t two = Load32(pair);
        for (; n >= 2; n -= 2, o += 4)
            Store32(o, two);
        if (n)
            std::memcpy(o, pair, 2);
    }
    static void copy(uint8_t* o, const uint8_t* p, int n) {
        for (int i = 0; i < n; ++i, o += 2, p += 2) {
            o[0] = p[1];
            o[1] = p[0];
        }
    }
};

// Stream blue, green, red becomes 0xFF, red, green, blue.
struct Out24 {
    static constexpr int kIn = 3;
    static constexpr int kOut = 4;
    static constexpr bool kPadOdd = false;
    static uint32_t pixel(const uint8_t* p) {
        const uint8_t argb[4] = {0xFF, p[2], p[1], p[0]};
        return Load32(argb);
    }
    static void fill(uint8_t* o, const uint8_t* p, int n) {
        const uint32_t v = pixel(p);
        for (int i = 0; i < n; ++i)
            Store32(o + 4 * i, v);
    }
    static void copy(uint8_t* o, const uint8_t* p, int n) {
        for (int i = 0; i < n; ++i)
            Store32(o + 4 * i, pixel(p + 3 * i));
    }
};

// Stream blue, green, red, alpha becomes alpha, red, green, blue.
struct Out32 {
    static constexpr int kIn = 4;
    static constexpr int kOut = 4;
    static constexpr bool kPadOdd = false;
    static void fill(uint8_t* o, const uint8_t* p, int n) {
        const uint32_t v = __builtin_bswap32(Load32(p));
        for (int i = 0; i < n; ++i)
            Store32(o + 4 * i, v);
    }
    static void copy(uint8_t* o, const uint8_t* p, int n) {
        for (int i = 0; i < n; ++i)
            Store32(o + 4 * i, __builtin_bswap32(Load32(p + 4 * i)));
    }
};

template <class Out>
class StreamDecoder {
  public:
    StreamDecoder(const MVDKFrameInfo& info, uint8_t* base, ptrdiff_t rowBytes, const uint8_t* data,
                  size_t length)
        : m_base(base),
          m_rowBytes(rowBytes),
          m_width(info.width),
          m_height(info.height),
          m_data(data),
          m_length(length) {}

    void run() {
        uint8_t* row = lineStart();
        while (m_length - m_pos >= 2) {
            const uint8_t count = m_data[m_pos];
            const uint8_t code = m_data[m_pos + 1];
            if (count != 0) {
                if (!has(1 + Out::kIn) || m_col + count > m_width)
                    return;
                Out::fill(row + m_col * Out::kOut, m_data + m_pos + 1, count);
                m_col += count;
                m_pos += 1 + Out::kIn;
            } else if (code == mvdk::kEndOfLine) {
                if (++m_line >= m_height)
                    return;
                m_col = 0;
                m_pos += 2;
                row = lineStart();
            } else if (code == mvdk::kEndOfFrame) {
                return;
            } else if (code == mvdk::kSkip) {
                if (!has(4))
                    return;
                const int32_t dx = m_data[m_pos + 2];
                const int32_t dy = m_data[m_pos + 3];
                if (m_col + dx > m_width || m_line + dy >= m_height)
                    return;
                m_col += dx;
                m_line += dy;
                m_pos += 4;
                row = lineStart();
            } else {
                const size_t bytes = code * Out::kIn + (Out::kPadOdd ? (code & 1) : 0);
                if (!has(2 + bytes) || m_col + code > m_width)
                    return;
                Out::copy(row + m_col * Out::kOut, m_data + m_pos + 2, code);
                m_col += code;
                m_pos += 2 + bytes;
            }
        }
    }

  private:
    bool has(size_t bytes) const { return m_length - m_pos >= bytes; }
    uint8_t* lineStart() const { return m_base + (m_height - 1 - m_line) * m_rowBytes; }

    uint8_t* const m_base;
    const ptrdiff_t m_rowBytes;
    const int32_t m_width;
    const int32_t m_height;
    const uint8_t* const m_data;
    const size_t m_length;
    size_t m_pos = 0;
    int32_t m_line = 0;
    int32_t m_col = 0;
};

template <class Out>
void Decode(const MVDKFrameInfo& info, void* dstBase, const void* data, int32_t rowBytes,
            uint32_t dataLen) {
    const size_t lineBytes = static_cast<size_t>(info.width) * Out::kOut;
    if (static_cast<size_t>(std::abs(static_cast<int64_t>(rowBytes))) < lineBytes)
        return;
    StreamDecoder<Out>(info, static_cast<uint8_t*>(dstBase), rowBytes,
                       static_cast<const uint8_t*>(data), dataLen)
        .run();
}

}  // namespace

void MVDK_Decode(const MVDKFrameInfo* info, void* dstBase, const void* data, int32_t rowBytes,
                 uint32_t dataLen) {
    if (info == nullptr || dstBase == nullptr || data == nullptr)
        return;
    if (info->width <= 0 || info->height <= 0)
        return;
    if (info->depth <= 8)
        return Decode<Out8>(*info, dstBase, data, rowBytes, dataLen);
    switch (info->depth) {
        case 16:
            return Decode<Out16>(*info, dstBase, data, rowBytes, dataLen);
        case 24:
            return Decode<Out24>(*info, dstBase, data, rowBytes, dataLen);
        case 32:
            return Decode<Out32>(*info, dstBase, data, rowBytes, dataLen);
        default:
            return;
    }
}

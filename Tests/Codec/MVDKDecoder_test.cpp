// The MVDK decoder on hand-made streams: pixel layouts, codes, and what it
// does with streams that are cut short or reach outside the picture.
#include "Codec/MVDKDecoder.h"

#include <gtest/gtest.h>

#include "CodecTestUtil.h"

namespace {

using namespace codectest;

// A destination picture inside guard bytes, pre-filled with 0xEE.
class Target {
  public:
    Target(uint16_t depth, int32_t width, int32_t height, int32_t pad = 0)
        : m_info{0, width, height, 0, depth},
          m_rowBytes(width * mvdk::DecodedBytesPerPixel(depth) + pad),
          m_buffer(kGuardBytes * 2 + static_cast<size_t>(m_rowBytes) * height, 0xEE) {
        std::fill_n(m_buffer.begin(), kGuardBytes, kGuard);
        std::fill_n(m_buffer.end() - kGuardBytes, kGuardBytes, kGuard);
    }

    void decode(const Bytes& stream, int32_t rowBytes = 0) {
        MVDK_Decode(&m_info, m_buffer.data() + kGuardBytes, stream.data(),
                    rowBytes ? rowBytes : m_rowBytes, static_cast<uint32_t>(stream.size()));
        for (size_t i = 0; i < kGuardBytes; ++i) {
            ASSERT_EQ(m_buffer[i], kGuard);
            ASSERT_EQ(m_buffer[m_buffer.size() - 1 - i], kGuard);
        }
    }

    // The bytes of the pixel at column x of stream line `line`.
    Bytes pixel(int32_t x, int32_t line) const {
        const int bytes = mvdk::DecodedBytesPerPixel(m_info.depth);
        const auto at = m_buffer.begin() + kGuardBytes +
                        static_cast<ptrdiff_t>(m_info.height - 1 - line) * m_rowBytes + x * bytes;
        return Bytes(at, at + bytes);
    }
    // Pixels that were written (no longer 0xEE in their first byte).
    int written() const {
        int n = 0;
        for (int32_t line = 0; line < m_info.height; ++line) {
            for (int32_t x = 0; x < m_info.width; ++x)
                n += pixel(x, line)[0] != 0xEE;
        }
        return n;
    }

  private:
    MVDKFrameInfo m_info;
    int32_t m_rowBytes;
    Bytes m_buffer;
};

// Pixel layouts, codes and the cursor are checked by the encoder's exact
// streams together with the round trips; these are the streams an encoder
// never writes.
TEST(MVDKDecoder, CodesCutShortAreNotApplied) {
    struct Case {
        uint16_t depth;
        Bytes stream;
        int written;
    };
    const Case cases[] = {
        {8, S({2, 7}), 2},                        // no end of frame: stops at the end
        {32, S({1, 7, 0, 1, 2, 3, 4, 5, 6}), 1},  // second run misses a pixel byte
        {8, S({1, 7, 0, 3, 1, 2, 3}), 1},         // literal without its pad byte
        {16, S({0, 3, 1, 2, 3, 4, 5}), 0},        // literal misses a byte
        {8, S({1, 7, 0, 2, 1}), 1},               // skip misses dy
        {8, S({1, 7, 0, 1, 1, 4}), 1},            // nothing read after the end of frame
        {32, S({}), 0},
        {32, S({5}), 0},
        {4, S({2, 9}), 2},  // depths below 8 are a byte per pixel
    };
    for (const Case& c : cases) {
        Target t(c.depth, 8, 2);
        t.decode(c.stream);
        EXPECT_EQ(t.written(), c.written) << testing::PrintToString(c.stream);
    }
    Target(12, 4, 1).decode(S({1, 1, 2}));  // a depth the format does not know: no write
}

TEST(MVDKDecoder, CodesReachingOutsideThePictureStopDecoding) {
    struct Case {
        Bytes stream;
        int written;
    };
    const Case cases[] = {
        {S({4, 1, 0, 0, 4, 2}), 8},        // two full lines
        {S({5, 1, 1, 2}), 0},              // run past the line end
        {S({2, 1, 0, 3, 1, 2, 3, 0}), 2},  // literal past the line end
        {S({0, 2, 5, 0, 1, 2}), 0},        // skip past the line end
        {S({0, 2, 4, 0, 0, 0, 1, 3}), 1},  // skip to the line end is fine
        {S({0, 2, 0, 2, 1, 2}), 0},        // skip above the top line
        {S({0, 0, 0, 0, 1, 3}), 0},        // end of line after the top line
        {S({0, 2, 255, 255, 1, 2}), 0},
    };
    for (const Case& c : cases) {
        for (int32_t pad : {0, 12}) {
            Target t(8, 4, 2, pad);
            t.decode(c.stream);
            EXPECT_EQ(t.written(), c.written) << testing::PrintToString(c.stream);
        }
    }
    // 32-bit pixels near the last byte of the picture.
    Target t(32, 3, 1);
    t.decode(S({2, 1, 1, 1, 1, 2, 2, 2, 2, 2}));
    EXPECT_EQ(t.written(), 2);
    // A row stride shorter than a line decodes nothing.
    Target narrow(32, 4, 2);
    narrow.decode(S({1, 1, 2, 3, 4}), 15);
    EXPECT_EQ(narrow.written(), 0);
}

}  // namespace

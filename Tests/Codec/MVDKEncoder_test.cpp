// Exact streams of the MVDK encoder.
#include "Codec/MVDKEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "CodecTestUtil.h"

namespace {

using namespace codectest;

// A frame of pixel values given in stream coordinates (line 0 at the
// bottom), stored top-down: depth 8 one byte, 16 big-endian, 24 three bytes
// little-endian, 32 (and 24 from 32) four bytes little-endian.
Source Frame(uint16_t depth, int32_t width, int32_t height,
             const std::function<uint32_t(int32_t x, int32_t line)>& value,
             uint32_t srcPixelSize = 0) {
    Source s;
    if (srcPixelSize == 0)
        srcPixelSize = depth;
    const int bytes = mvdk::SourceBytesPerPixel(depth, srcPixelSize);
    s.info = {srcPixelSize, width, height, 0, depth};
    s.rowBytes = width * bytes;
    s.bytes.assign(static_cast<size_t>(s.rowBytes) * height, 0);
    for (int32_t line = 0; line < height; ++line) {
        uint8_t* row = s.bytes.data() + static_cast<size_t>(height - 1 - line) * s.rowBytes;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = value(x, line);
            uint8_t* p = row + x * bytes;
            if (depth == 16) {
                p[0] = static_cast<uint8_t>(v >> 8), p[1] = static_cast<uint8_t>(v);
            } else {
                for (int k = 0; k < bytes; ++k)
                    p[k] = static_cast<uint8_t>(v >> (8 * k));
            }
        }
    }
    return s;
}

Source Line(uint16_t depth, const std::vector<uint32_t>& pixels) {
    return Frame(depth, static_cast<int32_t>(pixels.size()), 1,
                 [&](int32_t x, int32_t) { return pixels[static_cast<size_t>(x)]; });
}

Bytes Key(const Source& s, uint32_t flags = 0, int swap = 0) {
    return Encode(s.info, nullptr, s.data(), flags, 0, s.rowBytes, swap);
}

Bytes Diff(const Source& prev, const Source& s, uint32_t flags = 0) {
    return Encode(s.info, prev.data(), s.data(), flags, 0, s.rowBytes, 0);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kEnd = S({0, 1});

TEST(MVDKEncoder, LongRunsSplitAt255WithEachDepthsPixelBytes) {
    struct Case {
        uint16_t depth;
        uint32_t srcPixelSize;
        uint32_t value;
        int swap;
        Bytes pixel;
    };
    const Case cases[] = {
        {8, 8, 0x42, 0, S({0x42})},
        {16, 16, 0x1234, 0, S({0x34, 0x12})},  // big-endian source, little-endian stream
        {24, 24, 0x030201, 0, S({1, 2, 3})},
        {24, 32, 0x04030201, 1, S({1, 2, 3})},  // first three bytes; swap has no effect
        {32, 32, 0x04030201, 0, S({1, 2, 3, 4})},
        {32, 32, 0x04030201, 1, S({4, 3, 2, 1})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "depth " << c.depth << " from " << c.srcPixelSize);
        const Source s = Frame(
            c.depth, 300, 1, [&](int32_t, int32_t) { return c.value; }, c.srcPixelSize);
        EXPECT_EQ(Key(s, 0, c.swap), Cat({S({255}), c.pixel, S({45}), c.pixel, kEnd}));
    }
}

TEST(MVDKEncoder, RunsLiteralsAndPadBytesAtDepth8) {
    struct Case {
        std::vector<uint32_t> pixels;
        Bytes stream;
    };
    const Case cases[] = {
        {{5, 5}, S({2, 5})},
        {{1, 2}, S({1, 1, 1, 2})},                                // too short for a literal
        {{1, 1, 1, 2, 3}, S({3, 1, 1, 2, 1, 3})},                 // 2 left after a run
        {{1, 2, 3, 4}, S({0, 3, 1, 2, 3, 0, 1, 4})},              // odd literal padded
        {{1, 2, 3, 4, 7, 7, 7, 7}, S({0, 4, 1, 2, 3, 4, 4, 7})},  // even literal, no pad
        {{1, 2, 3, 4, 4, 4, 4}, S({0, 3, 1, 2, 3, 0, 4, 4})},
        {{1, 2, 3, 4, 5, 6, 6, 6, 6}, S({0, 5, 1, 2, 3, 4, 5, 0, 4, 6})},
        // Four equal pixels are looked for from the fourth pixel on only.
        {{1, 2, 2, 2, 2}, S({0, 3, 1, 2, 2, 0, 2, 2})},
        // Without four equal pixels a literal leaves the last 3 of its pixels.
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, S({0, 7, 1, 2, 3, 4, 5, 6, 7, 0, 0, 3, 8, 9, 10, 0})},
        {{1, 2, 3, 4, 5, 6}, S({0, 3, 1, 2, 3, 0, 0, 3, 4, 5, 6, 0})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Key(Line(8, c.pixels)), Cat({c.stream, kEnd})) << "pixels " << c.pixels.size();
    }
}

TEST(MVDKEncoder, FragmentsLongerThan255PixelsStartAfresh) {
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 258; ++i)
        pixels.push_back(i & 0xFF);
    const Bytes stream = Key(Line(8, pixels));
    // 255 pixels: a literal of 252, then the last 3 as a literal; then 3 more.
    Bytes expected = S({0, 252});
    for (uint32_t i = 0; i < 252; ++i)
        expected.push_back(static_cast<uint8_t>(i));
    expected = Cat({expected, S({0, 3, 252, 253, 254, 0, 0, 3, 255, 0, 1, 0}), kEnd});
    EXPECT_EQ(stream, expected);
    // Literals-only coding codes equal pixels as literals too.
    EXPECT_EQ(Key(Line(8, {9, 9, 9, 9, 9}), kMVDKLiteralsOnly),
              S({0, 3, 9, 9, 9, 0, 1, 9, 1, 9, 0, 1}));
}

TEST(MVDKEncoder, KeyFrameCodesBottomLineFirstWithEndsOfLine) {
    const Source s = Frame(8, 2, 3, [](int32_t x, int32_t line) { return line * 10 + x; });
    EXPECT_EQ(Key(s), S({1, 0, 1, 1, 0, 0, 1, 10, 1, 11, 0, 0, 1, 20, 1, 21, 0, 1}));
}

TEST(MVDKEncoder, UnchangedFrameIsEndOfFrameOnly) {
    for (uint16_t depth : {8, 16, 24, 32}) {
        const Source s = Frame(depth, 33, 7, [](int32_t x, int32_t line) { return x * line; });
        EXPECT_EQ(Diff(s, s), kEnd) << "depth " << depth;
    }
}

TEST(MVDKEncoder, ShortUnchangedStretchesAreCodedLongOnesSkipped) {
    // At depth 32 every pixel is compared alone: 3 unchanged pixels are coded
    // with the changes around them, 4 are skipped.
    const auto zero = Line(32, std::vector<uint32_t>(12, 0));
    const uint32_t a = 0x0A0A0A0A, b = 0x0B0B0B0B, c = 0x0C0C0C0C;
    EXPECT_EQ(Diff(zero, Line(32, {a, b, 0, 0, 0, c, 0, 0, 0, 0, 0, 0})),
              S({0, 3,  10, 10, 10, 10, 11, 11, 11, 11, 0, 0, 0, 0,  // literal a b 0
                 2, 0,  0,  0,  0,                                   // run of two 0
                 1, 12, 12, 12, 12, 0,  1}));
    EXPECT_EQ(Diff(zero, Line(32, {a, b, 0, 0, 0, 0, c, 0, 0, 0, 0, 0})),
              S({1, 10, 10, 10, 10, 1, 11, 11, 11, 11, 0, 2, 4, 0, 1, 12, 12, 12, 12, 0, 1}));

    // At depth 8 pixels are compared in groups of 4: an unchanged stretch of
    // 4 that straddles two groups is coded as pixel data.
    const auto zero8 = Line(8, std::vector<uint32_t>(12, 0));
    EXPECT_EQ(Diff(zero8, Line(8, {7, 8, 0, 0, 0, 0, 9, 6, 0, 0, 0, 0})),
              S({0, 5, 7, 8, 0, 0, 0, 0, 0, 3, 0, 9, 6, 0, 0, 1}));
    EXPECT_EQ(Diff(zero8, Line(8, {7, 8, 9, 6, 0, 0, 0, 0, 9, 6, 9, 6})),
              S({0, 3, 7, 8, 9, 0, 1, 6, 0, 2, 4, 0, 0, 3, 9, 6, 9, 0, 1, 6, 0, 1}));
}

// Unchanged lines are found a block of lines at a time before coding; the
// stream is the one line-by-line scanning gives, whichever order the lines
// lie in memory and wherever the blocks begin and end.
TEST(MVDKEncoder, SparseChangesAcrossManyLines) {
    const std::vector<int32_t> changed = {0, 31, 32, 33, 63, 64, 69};
    const uint32_t ink = 0x05060708;
    const auto value = [&](int32_t x, int32_t line) -> uint32_t {
        const bool hit = std::find(changed.begin(), changed.end(), line) != changed.end();
        return hit && x == 5 ? ink : 0x10101010;
    };
    const Source prev = Frame(32, 10, 70, [](int32_t, int32_t) { return 0x10101010u; });
    const Source next = Frame(32, 10, 70, value);
    Bytes expected;
    int32_t last = -1;
    for (int32_t line : changed) {
        if (last >= 0)
            expected.insert(expected.end(), {0, 0});
        const auto up = static_cast<uint8_t>(last < 0 ? line : line - last - 1);
        expected.insert(expected.end(), {0, 2, 5, up, 1, 8, 7, 6, 5});
        last = line;
    }
    expected.insert(expected.end(), {0, 1});
    EXPECT_EQ(Diff(prev, next), expected);

    // The same frames stored bottom line first and marked flipped.
    EXPECT_EQ(Diff(Flipped(prev), Flipped(next)), expected);
}

// Lines under 4 pixels never hold a stretch long enough to skip: unchanged
// ones are coded too.
TEST(MVDKEncoder, NarrowUnchangedLinesAreCoded) {
    const Source prev = Frame(32, 3, 2, [](int32_t, int32_t) { return 0x01010101u; });
    const Source next = Frame(32, 3, 2, [](int32_t x, int32_t line) {
        return line == 1 && x == 2 ? 0x02020202u : 0x01010101u;
    });
    EXPECT_EQ(Diff(prev, next), S({3, 1, 1, 1, 1, 0, 0, 2, 1, 1, 1, 1, 1, 2, 2, 2, 2, 0, 1}));
}

TEST(MVDKEncoder, CursorMovesBetweenLines) {
    // Stream line 0 changes at columns 8 and 9 (the cursor ends at column 10).
    const auto frame = [](int32_t nextColumn) {
        return Frame(32, 20, 2, [=](int32_t x, int32_t line) -> uint32_t {
            if (line == 0)
                return x == 8 || x == 9 ? 0x01010101 : 0;
            return x == nextColumn ? 0x02020202 : 0;
        });
    };
    const Source zero = Frame(32, 20, 2, [](int32_t, int32_t) { return 0u; });
    const Bytes line0 = S({0, 2, 8, 0, 2, 1, 1, 1, 1});
    const Bytes pixel = S({1, 2, 2, 2, 2});
    // Left of the cursor: end of line, then a skip along the new line.
    EXPECT_EQ(Diff(zero, frame(4)), Cat({line0, S({0, 0, 0, 2, 4, 0}), pixel, kEnd}));
    // Right of it: one skip, across and up.
    EXPECT_EQ(Diff(zero, frame(12)), Cat({line0, S({0, 2, 2, 1}), pixel, kEnd}));
    // Straight below the cursor's column... at column 0: end of line alone.
    EXPECT_EQ(Diff(zero, frame(0)), Cat({line0, S({0, 0}), pixel, kEnd}));
}

TEST(MVDKEncoder, SkipsBeyond255AreSplit) {
    const Source zero = Frame(32, 600, 1, [](int32_t, int32_t) { return 0u; });
    const Source ends =
        Frame(32, 600, 1, [](int32_t x, int32_t) { return x == 0 || x == 599 ? 0x05050505u : 0u; });
    EXPECT_EQ(Diff(zero, ends),
              S({1, 5, 5, 5, 5, 0, 2, 255, 0, 0, 2, 255, 0, 0, 2, 88, 0, 1, 5, 5, 5, 5, 0, 1}));

    // Both displacements above 255: each skip takes at most 255 of each.
    const Source zero2 = Frame(32, 300, 302, [](int32_t, int32_t) { return 0u; });
    const Source corners = Frame(32, 300, 302, [](int32_t x, int32_t line) {
        return (x == 0 && line == 0) || (x == 299 && line == 301) ? 0x09090909u : 0u;
    });
    EXPECT_EQ(Diff(zero2, corners),
              S({1, 9, 9, 9, 9, 0, 2, 255, 255, 0, 2, 43, 46, 1, 9, 9, 9, 9, 0, 1}));
}

TEST(MVDKEncoder, LimitIsTestedAtLineEnds) {
    const Source s =
        Frame(32, 16, 8, [](int32_t x, int32_t line) { return x * 977u + line * 31u; });
    const Bytes full = Key(s);
    int32_t result = 0;
    Encode(s.info, nullptr, s.data(), 0, static_cast<int32_t>(full.size()) / 2, s.rowBytes, 0,
           &result);
    EXPECT_EQ(result, -1);
    Encode(s.info, nullptr, s.data(), 0, static_cast<int32_t>(full.size()), s.rowBytes, 0, &result);
    EXPECT_EQ(result, static_cast<int32_t>(full.size()));
    // Difference frames are limited the same way.
    const Source zero = Frame(32, 16, 8, [](int32_t, int32_t) { return 0u; });
    Encode(s.info, zero.data(), s.data(), 0, 40, s.rowBytes, 0, &result);
    EXPECT_EQ(result, -1);
}

// Flipped 24- and 32-bit sources are checked by the sequences decoded back;
// 16-bit sources ignore the flag.
TEST(MVDKEncoder, SixteenBitSourcesIgnoreFlipped) {
    const Source s = Frame(16, 9, 5, [](int32_t x, int32_t line) { return x + line * 100u; });
    Source ignored = s;
    ignored.info.flipped = 1;
    EXPECT_EQ(Key(ignored), Key(s));
}

TEST(MVDKEncoder, QuantisationKeepsSystemColours) {
    const Source s = Line(16, {0x0001, 0x0002, 0x0003, 0x7FFF, 0x7FFD});
    // 0x739C clears the two low bits of each component; 0x7FFF is a system
    // colour and kept, 0x7FFD is not.
    const Bytes drop2 = S({3, 0, 0, 1, 0xFF, 0x7F, 1, 0x9C, 0x73, 0, 1});
    EXPECT_EQ(Key(s, kMVDKDrop2Bits), drop2);
    EXPECT_EQ(Key(s, kMVDKDrop2Bits | kMVDKDrop1Bit), drop2);
    EXPECT_EQ(Key(Line(16, {0x0001, 0x0421, 0x7FFE}), kMVDKDrop1Bit),
              S({2, 0, 0, 1, 0xFE, 0x7F, 0, 1}));
    // Differences below the mask are no change.
    const Source before = Line(16, {0, 0, 0, 0, 0x7C00});
    const Source after = Line(16, {0x0001, 0x0020, 0x0400, 0x0421, 0x7C00});
    EXPECT_EQ(Diff(before, after, kMVDKDrop1Bit), kEnd);
    EXPECT_NE(Diff(before, after), kEnd);
}

TEST(MVDKEncoder, UnsupportedDepthAndEmptyFrames) {
    const Source s = Frame(8, 4, 4, [](int32_t x, int32_t) { return x; });
    MVDKFrameInfo info = s.info;
    uint8_t out[64];
    info.depth = 12;
    EXPECT_EQ(MVDK_Encode(&info, nullptr, s.data(), out, 0, 0, s.rowBytes, 0), 0);
    info.depth = 4;  // depths below 8 are coded a byte per pixel
    EXPECT_EQ(MVDK_Encode(&info, nullptr, s.data(), out, 0, 0, s.rowBytes, 0),
              static_cast<int32_t>(Key(s).size()));
    info = s.info;
    info.width = 0;
    EXPECT_EQ(MVDK_Encode(&info, nullptr, s.data(), out, 0, 0, s.rowBytes, 0), 2);
    EXPECT_EQ(Bytes(out, out + 2), kEnd);
}

// The fragment coders share the encoder's code; what is left to show is that
// both pointers end past what was read and written.
TEST(MVDKEncoder, NamedFragmentCodersAdvanceBothPointers) {
    const uint8_t src32[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    uint8_t out[32];
    for (int four : {0, 1}) {
        const uint8_t* s = src32;
        uint8_t* d = out;
        EncodeFragment32(3, 0, &s, &d, four, 1);
        EXPECT_EQ(s, src32 + 12);
        EXPECT_EQ(Bytes(out, d), four ? S({0, 3, 4, 3, 2, 1, 8, 7, 6, 5, 12, 11, 10, 9})
                                      : S({0, 3, 1, 2, 3, 5, 6, 7, 9, 10, 11}));
    }
}

}  // namespace

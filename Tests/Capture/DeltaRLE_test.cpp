#include "Capture/DeltaRLE.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// A 32-bit image held as native words.
struct Image {
    int width;
    int height;
    std::vector<uint32_t> px;
    Image(int w, int h, uint32_t fill = 0) : width(w), height(h), px(size_t(w) * h, fill) {}
    uint32_t& at(int x, int y) { return px[size_t(y) * width + x]; }
    void* data() const { return const_cast<uint32_t*>(px.data()); }
};

Bytes Compress(const Image* prev, const Image& cur, int x, int y, int w, int h, uint32_t mask) {
    Bytes out(DeltaRLE::maxCompressedSize32(w, h));
    const int n = DeltaRLE::compress32(prev ? prev->data() : nullptr, cur.data(), cur.width,
                                       cur.height, x, y, w, h, out.data(), mask);
    EXPECT_LE(size_t(n), out.size());
    out.resize(size_t(n));
    return out;
}

Bytes Encode8(const Bytes& plane) {
    Bytes out(DeltaRLE::maxCompressedSize8(int(plane.size())));
    int consumed = 0;
    int written = 0;
    DeltaRLE::encodeFragment8(plane.data(), int(plane.size()), out.data(), &consumed, &written);
    EXPECT_EQ(consumed, int(plane.size()));
    out.resize(size_t(written));
    return out;
}

struct Change {
    int x, y;
    uint32_t value;
};

Image With(Image image, std::initializer_list<Change> changes) {
    for (const Change& c : changes) {
        image.at(c.x, c.y) = c.value;
    }
    return image;
}

TEST(DeltaRLE, ExactCodes) {
    const uint32_t alphaFirst = 0xFFFFFF00, alphaLast = 0x00FFFFFF, whole = 0xFFFFFFFF;
    const Bytes end{0, 1};
    const Image flat(16, 8, 0x11223344);
    EXPECT_EQ(Compress(&flat, flat, 2, 2, 5, 0, alphaFirst), end);
    EXPECT_EQ(Compress(&flat, flat, 0, 0, 16, 8, alphaFirst), end);
    EXPECT_EQ(Compress(&flat, flat, 3, 1, 3, 4, alphaLast), end) << "narrow span";
    EXPECT_EQ(Compress(&flat, With(flat, {{4, 4, 0xFF223344}}), 0, 0, 16, 8, alphaLast), end)
        << "alpha-only change";
    EXPECT_EQ(Compress(nullptr, flat, 0, 0, 16, 0, alphaLast), end) << "empty key frame";

    // Memory bytes of each word: 0xAA/0xBB/.. first, then 1, 2, 3.
    const Image four =
        With(Image(4, 1),
             {{0, 0, 0x030201AA}, {1, 0, 0x030201BB}, {2, 0, 0x030201CC}, {3, 0, 0x030201DD}});
    // Alpha first: bytes 1..3 stored, the first ignored in comparisons.
    EXPECT_EQ(Compress(nullptr, four, 0, 0, 4, 1, alphaFirst), (Bytes{4, 1, 2, 3, 0, 1}));
    // Otherwise all four differ: a literal leaves the last pixel, a run of one.
    EXPECT_EQ(Compress(nullptr, four, 0, 0, 4, 1, alphaLast),
              (Bytes{0, 3, 0xAA, 1, 2, 0xBB, 1, 2, 0xCC, 1, 2, 1, 0xDD, 1, 2, 0, 1}));
    EXPECT_EQ(Compress(nullptr, four, 0, 0, 4, 1, whole).size(), 2 + 12 + 5 + 2u);

    // Line 1 reached by a skip of 5 right and 1 down; line 2's change at the
    // left edge by an end of line, with no skip code.
    const Image zero(12, 3);
    const Image lines =
        With(zero, {{5, 1, 0x0A}, {6, 1, 0x0B}, {7, 1, 0x0C}, {0, 2, 0x0D}, {1, 2, 0x0E}});
    EXPECT_EQ(Compress(&zero, lines, 0, 0, 12, 3, alphaLast),
              (Bytes{0, 2, 5, 1, 0,    3, 0x0A, 0, 0,    0x0B, 0, 0, 0x0C, 0,
                     0, 0, 0, 1, 0x0D, 0, 0,    1, 0x0E, 0,    0, 0, 1}));

    // Long skips split into codes of 255; line 290's change is too close to
    // the edge for a skip, so the two unchanged pixels join it.
    const Image big(600, 300, 7);
    EXPECT_EQ(Compress(&big, With(big, {{560, 0, 9}, {2, 290, 9}}), 0, 0, 600, 300, whole),
              (Bytes{0, 2, 255, 0, 0, 2, 255, 0, 0, 2, 50, 0, 1, 9, 0, 0, 0, 0, 0, 0,
                     2, 0, 255, 0, 2, 0, 34,  2, 7, 0, 0,  0, 1, 9, 0, 0, 0, 0, 1}));
}

// Decoding sets the bytes outside the mask to 0xFF.
TEST(DeltaRLE, DecodedPixelsAreOpaque) {
    Image img(4, 1, 0x030201AA);
    Image out(4, 1, 0);
    const Bytes coded = Compress(nullptr, img, 0, 0, 4, 1, 0xFFFFFF00);
    ASSERT_TRUE(DeltaRLE::decompress32(out.data(), coded.data(), int(coded.size()), 4, 1, 0, 0, 4,
                                       1, 0xFFFFFF00));
    EXPECT_EQ(out.px, (std::vector<uint32_t>(4, 0x030201FF)));
}

TEST(DeltaRLE, FragmentCodesRunsLiteralsAndTail) {
    // A literal stops where four equal values begin, the run follows, and a
    // last lone value is a run of one.
    EXPECT_EQ(Encode8({1, 2, 3, 4, 4, 4, 4, 5}), (Bytes{0, 3, 1, 2, 3, 4, 4, 1, 5}));
    // Runs are at most 255 long.
    EXPECT_EQ(Encode8(Bytes(1000, 7)), (Bytes{255, 7, 255, 7, 255, 7, 235, 7}));
    // Without any repeat, a literal keeps three values for the next code.
    Bytes ramp(10);
    for (int i = 0; i < 10; ++i) {
        ramp[i] = static_cast<unsigned char>(i);
    }
    EXPECT_EQ(Encode8(ramp), (Bytes{0, 7, 0, 1, 2, 3, 4, 5, 6, 0, 3, 7, 8, 9}));
    EXPECT_EQ(DeltaRLE::getRunLength8(Bytes{5, 5, 5, 6}.data(), 2), 2);
}

// Random screen-like changes, every mask, key and difference coding, rects
// anywhere in the image: decoding onto the previous image gives the current.
TEST(DeltaRLE, RoundTripsRandomChanges) {
    std::mt19937 rng(1234);
    for (int iteration = 0; iteration < 300; ++iteration) {
        const int width = 1 + int(rng() % 300);
        const int height = 1 + int(rng() % 40);
        const uint32_t masks[] = {0xFFFFFFFF, 0xFFFFFF00, 0x00FFFFFF};
        const uint32_t mask = masks[iteration % 3];
        const uint32_t opaque = ~mask;
        Image prev(width, height);
        for (auto& p : prev.px) {
            p = (rng() % 3 == 0 ? rng() : 0x808080u) | opaque;
        }
        Image cur = prev;
        const int w = 1 + int(rng() % width);
        const int h = 1 + int(rng() % height);
        const int x = int(rng() % (width - w + 1));
        const int y = int(rng() % (height - h + 1));
        const int changes = int(rng() % (w * h + 1));
        for (int i = 0; i < changes; ++i) {
            const int cx = x + int(rng() % w);
            const int cy = y + int(rng() % h);
            cur.at(cx, cy) = (rng() % 2 ? rng() : cur.at(std::max(cx - 1, 0), cy)) | opaque;
        }
        const bool key = iteration % 5 == 0;
        const int kx = key ? 0 : x;
        const int kw = key ? width : w;
        const Bytes coded = Compress(key ? nullptr : &prev, cur, kx, y, kw, h, mask);
        Image out = prev;
        ASSERT_TRUE(DeltaRLE::decompress32(out.data(), coded.data(), int(coded.size()), width,
                                           height, kx, y, kw, h, mask));
        ASSERT_EQ(out.px, cur.px) << "iteration " << iteration;
    }
}

// Patterns that make the coder spend the most bytes stay within the bound.
TEST(DeltaRLE, WorstCasePatternsFitTheBound) {
    const int w = 257;
    const int h = 6;
    Image prev(w, h, 0);
    Image everyFifth = prev;  // one change, four unchanged: skip + run of one
    Image pairs = prev;       // alternating values: literals throughout
    Image lonely = prev;      // a change at the end of each line only
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            everyFifth.at(x, y) = x % 5 == 0 ? 0x01020304u + x : 0;
            pairs.at(x, y) = uint32_t(x * 2654435761u);
        }
        lonely.at(w - 1, y) = 5;
    }
    for (Image* cur : {&everyFifth, &pairs, &lonely}) {
        for (uint32_t mask : {0xFFFFFFFFu, 0x00FFFFFFu}) {
            const Bytes delta = Compress(&prev, *cur, 0, 0, w, h, mask);
            const Bytes key = Compress(nullptr, *cur, 0, 0, w, h, mask);
            EXPECT_LE(delta.size(), DeltaRLE::maxCompressedSize32(w, h));
            EXPECT_LE(key.size(), DeltaRLE::maxCompressedSize32(w, h));
        }
    }
    Bytes alternating(1001);
    for (size_t i = 0; i < alternating.size(); ++i) {
        alternating[i] = static_cast<unsigned char>(i % 3 == 2 ? i : i / 3);
    }
    EXPECT_LE(Encode8(alternating).size(), DeltaRLE::maxCompressedSize8(1001));
}

TEST(DeltaRLE, DecoderStopsAtEitherEnd) {
    Image prev(20, 6, 0);
    Image cur = prev;
    for (int x = 3; x < 17; ++x) {
        cur.at(x, 2) = uint32_t(x);
        cur.at(x, 5) = 0xABCDEF;
    }
    const Bytes coded = Compress(&prev, cur, 2, 1, 16, 5, 0xFFFFFFFF);
    // Every cut inside the stream is refused.
    for (size_t n = 0; n < coded.size(); ++n) {
        Image partial = prev;
        EXPECT_FALSE(
            DeltaRLE::decompress32to32(partial.data(), coded.data(), int(n), 20, 6, 2, 1, 16, 5))
            << "length " << n;
    }
    Image out = prev;
    // A rectangle not inside the image is refused before anything is written.
    EXPECT_FALSE(DeltaRLE::decompress32to32(out.data(), coded.data(), int(coded.size()), 20, 6, 5,
                                            1, 16, 5));
    EXPECT_FALSE(DeltaRLE::decompress32to32(out.data(), coded.data(), int(coded.size()), 20, 5, 2,
                                            1, 16, 5));
    // Codes that would leave the rectangle: a run wider than it, a skip
    // below it, an end of line past its last line.
    const Bytes wideRun{17, 1, 2, 3, 4, 0, 1};
    const Bytes deepSkip{0, 2, 0, 5, 1, 1, 2, 3, 4, 0, 1};
    const Bytes lineEnds{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 3, 4, 0, 1};
    for (const Bytes& bad : {wideRun, deepSkip, lineEnds}) {
        EXPECT_FALSE(DeltaRLE::decompress32to32(out.data(), bad.data(), int(bad.size()), 20, 6, 2,
                                                1, 16, 5));
    }
    EXPECT_EQ(out.px, prev.px) << "refused codes wrote pixels";
}

TEST(DeltaRLE, ByteDecoderStopsAtEitherEnd) {
    const Bytes plane{9, 9, 9, 1, 2, 3, 4, 4, 4, 4, 4};
    const Bytes coded = Encode8(plane);
    Bytes out(plane.size());
    ASSERT_EQ(
        DeltaRLE::decodeFragment8(coded.data(), int(coded.size()), out.data(), int(out.size())),
        int(plane.size()));
    EXPECT_EQ(out, plane);
    // One byte short of room, or a code cut short, is refused.
    EXPECT_EQ(
        DeltaRLE::decodeFragment8(coded.data(), int(coded.size()), out.data(), int(out.size()) - 1),
        -1);
    const Bytes cutLiteral{0, 5, 1, 2};
    const Bytes oddLength{3, 7, 4};
    EXPECT_EQ(DeltaRLE::decodeFragment8(cutLiteral.data(), 4, out.data(), 10), -1);
    EXPECT_EQ(DeltaRLE::decodeFragment8(oddLength.data(), 3, out.data(), 10), -1);
    // The pairs 0, 0 and 0, 1 carry nothing, even into no space at all.
    const Bytes empty{0, 0, 0, 1};
    EXPECT_EQ(DeltaRLE::decodeFragment8(empty.data(), 4, nullptr, 0), 0);
    const Bytes withNoOp{2, 6, 0, 1, 1, 8};
    EXPECT_EQ(DeltaRLE::decodeFragment8(withNoOp.data(), 6, out.data(), 10), 3);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{6, 6, 8}));
}

}  // namespace

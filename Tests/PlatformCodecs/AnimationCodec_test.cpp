#include "ImageCompression/AnimationCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "Base/MacErrors.h"
#include "Support/ScreenContent.h"

namespace {

using Bytes = std::vector<UInt8>;
constexpr auto kARGB = AnimationPixelOrder::kARGB;
constexpr auto kBGRA = AnimationPixelOrder::kBGRA;
constexpr UInt8 kGuard = 0xA5;

void StoreARGB(UInt8* p, UInt32 argb) {
    p[0] = UInt8(argb >> 24), p[1] = UInt8(argb >> 16), p[2] = UInt8(argb >> 8), p[3] = UInt8(argb);
}

// A picture in padded rows (top-down or bottom-up) inside a block with guard
// bytes all around, to show that nothing is read or written outside it.
struct Picture {
    static constexpr long kPad = 12;
    int width, height;
    AnimationPixelOrder order;
    bool bottomUp;
    long rowBytes;
    Bytes block;

    Picture(int w, int h, UInt32 argb = 0, AnimationPixelOrder o = kARGB, bool up = false)
        : width(w),
          height(h),
          order(o),
          bottomUp(up),
          rowBytes(4L * w + kPad),
          block(size_t(rowBytes) * (h + 2), kGuard) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                set(x, y, argb);
        }
    }
    UInt8* at(int x, int y) {
        const int row = bottomUp ? height - 1 - y : y;
        return block.data() + (row + 1) * rowBytes + kPad / 2 + 4 * x;
    }
    void set(int x, int y, UInt32 argb) {
        StoreARGB(at(x, y), argb);
        if (order == kBGRA)
            std::reverse(at(x, y), at(x, y) + 4);
    }
    AnimationImage target() {
        return {at(0, 0), bottomUp ? -rowBytes : rowBytes, width, height, order};
    }
    AnimationConstImage image() const { return const_cast<Picture*>(this)->target(); }
    // The pixels as alpha, red, green, blue, top row first, packed.
    Bytes argb() {
        Bytes out;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                out.insert(out.end(), at(x, y), at(x, y) + 4);
                if (order == kBGRA)
                    std::reverse(out.end() - 4, out.end());
            }
        }
        return out;
    }
    bool guardsIntact() const {
        for (size_t i = 0; i < block.size(); ++i) {
            const long row = long(i) / rowBytes - 1, column = long(i) % rowBytes - kPad / 2;
            const bool inside = row >= 0 && row < height && column >= 0 && column < 4L * width;
            if (!inside && block[i] != kGuard)
                return false;
        }
        return true;
    }
};

Bytes Pixel(UInt32 argb) {
    Bytes p(4);
    StoreARGB(p.data(), argb);
    return p;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes SizeField(size_t n) {
    return {UInt8(n >> 24), UInt8(n >> 16), UInt8(n >> 8), UInt8(n)};
}

Bytes KeyFrame(const Picture& p) {
    Bytes out(AnimationMaxSampleSize(p.width, p.height));
    out.resize(AnimationEncodeKeyFrame(p.image(), out.data()));
    return out;
}

Bytes DifferenceFrame(const Picture& cur, const Picture& prev) {
    Bytes out(AnimationMaxSampleSize(cur.width, cur.height));
    out.resize(AnimationEncodeDifferenceFrame(cur.image(), prev.image(), out.data()));
    return out;
}

// Pixels with no two neighbours equal, so nothing codes as a run.
Picture Distinct(int w, int h, AnimationPixelOrder order = kARGB) {
    Picture p(w, h, 0, order);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            p.set(x, y, 0xFF000000u | UInt32(y * w + x) * 0x010307u);
    }
    return p;
}

constexpr UInt32 A = 0xFF112233, B = 0x80445566, C = 0x00778899, P = 0xFFFFFFFF;

// The golden samples below show one coded line per row.
// clang-format off
TEST(AnimationEncoder, KeyFrameCodesRunsAndLiterals) {
    Picture p(3, 2);
    p.set(0, 0, A), p.set(1, 0, A), p.set(2, 0, A);
    p.set(0, 1, B), p.set(1, 1, C), p.set(2, 1, C);
    const Bytes expected = Cat({SizeField(25), {0x00, 0x00},
        {0x01, 0xFD}, Pixel(A), {0xFF},                      // run of 3
        {0x01, 0x01}, Pixel(B), {0xFE}, Pixel(C), {0xFF}});  // 1 literal, run of 2
    EXPECT_EQ(KeyFrame(p), expected);
}

TEST(AnimationEncoder, SplitsRunsAndLiteralsLongerThanOneCode) {
    const Bytes runs = Cat({SizeField(18), {0x00, 0x00},
        {0x01, 0x80}, Pixel(A), {0xFE}, Pixel(A), {0xFF}});  // 128 + 2
    EXPECT_EQ(KeyFrame(Picture(130, 1, A)), runs);

    Picture distinct = Distinct(130, 1);
    const Bytes pixels = distinct.argb();
    const Bytes expected = Cat({SizeField(6 + 2 + 2 + 130 * 4), {0x00, 0x00},
        {0x01, 0x7F}, Bytes(&pixels[0], &pixels[4 * 127]), {0x03}, Bytes(&pixels[4 * 127], &pixels[4 * 130]), {0xFF}});
    EXPECT_EQ(KeyFrame(distinct), expected);  // 127 + 3
    // Pixels in blue, green, red, alpha order code the same.
    EXPECT_EQ(KeyFrame(Distinct(130, 1, kBGRA)), expected);
}

TEST(AnimationEncoder, DifferenceFrameCodesBandOfChangedLinesWithSkips) {
    const Picture prev(4, 4, P);
    Picture cur = prev;
    cur.set(0, 1, A), cur.set(3, 1, B);  // two changes with an unchanged gap
    cur.set(2, 2, C);                    // changed after a skip at the line start
    const Bytes expected = Cat({SizeField(35), {0x00, 0x08, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00},
        {0x01, 0x01}, Pixel(A), {0x00, 0x03, 0x01}, Pixel(B), {0xFF},
        {0x03, 0x01}, Pixel(C), {0xFF}});
    EXPECT_EQ(DifferenceFrame(cur, prev), expected);
}

TEST(AnimationEncoder, SkipsLongerThan254PixelsAndUnchangedLinesInsideTheBand) {
    const Picture prev(600, 3, P);
    Picture cur = prev;
    cur.set(300, 0, A), cur.set(599, 0, B);
    cur.set(0, 2, C);
    const Bytes expected = Cat({SizeField(41), {0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00},
        {0xFF, 0x00, 0x2F, 0x01}, Pixel(A),          // skip 254 + 46
        {0x00, 0xFF, 0x00, 0x2D, 0x01}, Pixel(B),    // skip 254 + 44
        {0xFF},
        {0x01, 0xFF},                                // unchanged line between changed ones
        {0x01, 0x01}, Pixel(C), {0xFF}});
    EXPECT_EQ(DifferenceFrame(cur, prev), expected);

    const Bytes unchanged = {0x00, 0x00, 0x00, 0x10, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
        0x01, 0xFF};  // one line that changes nothing
    EXPECT_EQ(DifferenceFrame(cur, cur), unchanged);
}
// clang-format on

TEST(AnimationEncoder, WorstCaseBoundIsMetExactlyAndNeverExceeded) {
    for (int w : {1, 2, 126, 127, 128, 255, 301}) {
        // Every pixel a literal: the bound exactly (a key frame has no line band).
        const Picture distinct = Distinct(w, 3);
        EXPECT_EQ(KeyFrame(distinct).size() + 8, AnimationMaxSampleSize(w, 3)) << w;
        EXPECT_EQ(DifferenceFrame(distinct, Picture(w, 3)).size(), AnimationMaxSampleSize(w, 3));
        // Every other pixel changed: skips and one-pixel literals alternate.
        Picture prev = distinct;
        for (int x = 0; x < w; x += 2)
            prev.set(x, 1, 0);
        EXPECT_LE(DifferenceFrame(distinct, prev).size(), AnimationMaxSampleSize(w, 3)) << w;
    }
    EXPECT_EQ(AnimationMaxSampleSize(kAnimationMaxDimension + 1, 1), 0u);
}

TEST(AnimationEncoder, RefusesInvalidPictures) {
    Picture p(4, 4);
    Bytes out(AnimationMaxSampleSize(4, 4));
    AnimationConstImage shortRows = p.image();
    shortRows.rowBytes = 15;
    EXPECT_EQ(AnimationEncodeKeyFrame(shortRows, out.data()), 0u);
    EXPECT_EQ(AnimationEncodeKeyFrame({nullptr, 16, 4, 4, kARGB}, out.data()), 0u);
    EXPECT_EQ(AnimationEncodeDifferenceFrame(p.image(), Picture(4, 3).image(), out.data()), 0u);
    EXPECT_THROW(AnimationEncoder(0, 5, kARGB), std::invalid_argument);
}

// Encodes a chain of screen frames (with translucent patches), a key frame
// every `keyEvery`, and decodes each sample onto the previous picture: every
// frame comes back pixel for pixel.  The encoder keeping its own previous
// frame codes what the stateless calls code.
void RoundTrip(int w, int h, unsigned seed, int keyEvery, AnimationPixelOrder outOrder, bool up) {
    mvdtest::ScreenImage screen(w, h, mvdtest::PixelOrder::ARGB);
    mvdtest::ScreenContent content(w, h, seed);
    content.render(screen);
    const long rowBytes = 4L * w;
    AnimationEncoder encoder(w, h, kARGB);
    Picture picture(w, h, 0, outOrder, up);
    Bytes previous, expected(AnimationMaxSampleSize(w, h));
    for (int f = 0; f < 40; ++f) {
        const Bytes frame(screen.data(), screen.data() + screen.byteSize());
        const bool key = f % keyEvery == 0;
        const auto sample = encoder.encode(frame.data(), rowBytes, key);
        const AnimationConstImage cur{frame.data(), rowBytes, w, h, kARGB};
        const AnimationConstImage prev{previous.data(), rowBytes, w, h, kARGB};
        const size_t size = key ? AnimationEncodeKeyFrame(cur, expected.data())
                                : AnimationEncodeDifferenceFrame(cur, prev, expected.data());
        ASSERT_EQ(Bytes(sample.begin(), sample.end()),
                  Bytes(expected.begin(), expected.begin() + size));
        ASSERT_EQ(AnimationDecodeFrame(sample.data(), sample.size(), picture.target()), noErr);
        ASSERT_EQ(picture.argb(), frame) << w << "x" << h << " frame " << f;
        previous = frame;
        content.nextFrame(screen);
        if (f % 3 == 1)
            screen.fill({f % w, f % h, 1 + w / 3, 1 + h / 4}, 0x80000000u | UInt32(f) * 0x030507u);
    }
    EXPECT_TRUE(picture.guardsIntact());
}

TEST(AnimationCodec, RoundTripsChainsOfDifferenceFramesAtOddSizes) {
    const int sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {129, 3}, {131, 17}, {301, 77}, {643, 41}};
    for (const auto& s : sizes)
        RoundTrip(s[0], s[1], 11u * s[0] + s[1], 1000, kARGB, false);
    RoundTrip(97, 31, 5, 7, kBGRA, false);
    RoundTrip(97, 31, 6, 1000, kARGB, true);
}

TEST(AnimationDecoder, ShortSamplesAndAZeroSkipByteEndTheDrawing) {
    Picture p(2, 3, P);
    const UInt8 nothing[7] = {0, 0, 0, 7, 0, 0, 1};
    for (size_t n = 0; n < 8; ++n)
        EXPECT_EQ(AnimationDecodeFrame(nothing, n, p.target()), noErr);
    const UInt8 small[10] = {0, 0, 0, 4, 0, 0, 1, 0x7F, 0, 0};  // chunk size under 8
    EXPECT_EQ(AnimationDecodeFrame(small, sizeof small, p.target()), noErr);
    EXPECT_EQ(p.argb(), Picture(2, 3, P).argb());

    const Bytes sample = Cat({SizeField(21),
                              {0x00, 0x00, 0x01, 0x01},
                              Pixel(A),
                              {0xFF},
                              {0x00},
                              {0x01, 0x01},
                              Pixel(B),
                              {0xFF}});
    ASSERT_EQ(AnimationDecodeFrame(sample.data(), sample.size(), p.target()), noErr);
    Picture expected(2, 3, P);
    expected.set(0, 0, A);  // the codes after the zero skip byte are never read
    EXPECT_EQ(p.argb(), expected.argb());
}

TEST(AnimationDecoder, EveryTruncationFailsCleanly) {
    Picture cur = Distinct(40, 6);
    for (int x = 10; x < 30; ++x)
        cur.set(x, 2, A);
    const Bytes sample = DifferenceFrame(cur, Picture(40, 6, P));
    for (size_t n = 8; n < sample.size(); ++n) {
        Picture picture(40, 6);
        Bytes cut(sample.begin(), sample.begin() + n);
        EXPECT_EQ(AnimationDecodeFrame(cut.data(), n, picture.target()), codecBadDataErr) << n;
        const Bytes size = SizeField(n);
        std::copy(size.begin(), size.end(), cut.begin());
        EXPECT_EQ(AnimationDecodeFrame(cut.data(), n, picture.target()), codecBadDataErr) << n;
        EXPECT_TRUE(picture.guardsIntact());
    }
}

TEST(AnimationDecoder, RefusesCountsOutsideThePicture) {
    auto decode = [](const Bytes& body) {
        Picture picture(4, 2);
        const Bytes sample = Cat({SizeField(4 + body.size()), body});
        const OSErr err = AnimationDecodeFrame(sample.data(), sample.size(), picture.target());
        EXPECT_TRUE(picture.guardsIntact());
        return err;
    };
    const Bytes all = {0x00, 0x00}, px = Pixel(A);
    EXPECT_EQ(decode(Cat({all, {0x01, 0x05}, px, px, px, px, px, {0xFF}})), codecBadDataErr);
    EXPECT_EQ(decode(Cat({all, {0x03, 0xFD}, px, {0xFF}})), codecBadDataErr);  // run
    EXPECT_EQ(decode(Cat({all, {0x06, 0xFF}})), codecBadDataErr);              // line skip
    EXPECT_EQ(decode(Cat({all, {0x01, 0x00, 0x07, 0xFF}})), codecBadDataErr);  // skip code
    EXPECT_EQ(decode(Cat({all, {0x01, 0x00, 0x00, 0xFF}})), codecBadDataErr);  // skip byte 0
    EXPECT_EQ(decode({0x00, 0x08, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}),
              codecBadDataErr);                                                  // lines 1..2 of 2
    EXPECT_EQ(decode({0x00, 0x08, 0x00, 0x01, 0x00}), codecBadDataErr);          // band cut short
    EXPECT_EQ(decode(Cat({all, {0x03, 0xFE}, px, {0xFF, 0x01, 0xFF}})), noErr);  // fills a line

    Picture p(4, 2);
    const Bytes beyond = Cat({SizeField(100), all, {0x01, 0xFF, 0x01, 0xFF}});
    EXPECT_EQ(AnimationDecodeFrame(beyond.data(), beyond.size(), p.target()), codecBadDataErr);
    EXPECT_EQ(AnimationDecodeFrame(nullptr, 20, p.target()), paramErr);
    AnimationImage shortRows = p.target();
    shortRows.rowBytes = 8;
    EXPECT_EQ(AnimationDecodeFrame(beyond.data(), beyond.size(), shortRows), paramErr);
}

TEST(AnimationDecoder, DamagedSamplesNeverWriteOutsideThePicture) {
    std::mt19937 rng(77);
    const Bytes real = KeyFrame(Distinct(40, 6));
    for (int i = 0; i < 2000; ++i) {
        Bytes sample = real;
        for (int k = 0; k < 3; ++k)
            sample[4 + rng() % (sample.size() - 4)] = UInt8(rng());
        Picture picture(40, 6, 0, i % 2 ? kARGB : kBGRA, i % 3 == 0);
        const OSErr err = AnimationDecodeFrame(sample.data(), sample.size(), picture.target());
        ASSERT_TRUE(err == noErr || err == codecBadDataErr) << err;
        ASSERT_TRUE(picture.guardsIntact()) << i;
    }
}

}  // namespace

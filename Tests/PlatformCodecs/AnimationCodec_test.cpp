#include "ImageCompression/AnimationCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

#include "Base/MacErrors.h"
#include "PlatformCodecs/ScreenFrames.h"

namespace {

using Bytes = std::vector<UInt8>;
constexpr auto kARGB = AnimationPixelOrder::kARGB;
constexpr auto kBGRA = AnimationPixelOrder::kBGRA;

// A picture of packed rows, pixels given as 0xAARRGGBB.
struct Picture {
    int width;
    int height;
    Bytes bytes;

    Picture(int w, int h, UInt32 argb = 0) : width(w), height(h), bytes(4 * size_t(w) * h) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                set(x, y, argb);
            }
        }
    }
    void set(int x, int y, UInt32 argb) {
        pcodecs_test::StoreARGB(&bytes[(size_t(y) * width + x) * 4], argb);
    }
    AnimationConstImage image() const { return {bytes.data(), 4L * width, width, height, kARGB}; }
    AnimationImage target() { return {bytes.data(), 4L * width, width, height, kARGB}; }
};

Bytes Pixel(UInt32 argb) {
    Bytes p(4);
    pcodecs_test::StoreARGB(p.data(), argb);
    return p;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
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
Picture Distinct(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            p.set(x, y, 0xFF000000u | UInt32(y * w + x) * 0x010307u);
        }
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

    const Picture distinct = Distinct(130, 1);
    const auto pixel = [&](int x) { return distinct.bytes.begin() + 4 * x; };
    const Bytes expected = Cat({SizeField(6 + 2 + 2 + 130 * 4), {0x00, 0x00},
        {0x01, 0x7F}, Bytes(pixel(0), pixel(127)), {0x03}, Bytes(pixel(127), pixel(130)), {0xFF}});
    EXPECT_EQ(KeyFrame(distinct), expected);  // 127 + 3
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
}
// clang-format on

TEST(AnimationEncoder, UnchangedFrameIsASampleThatChangesNothing) {
    const Picture p(5, 3, A);
    const Bytes expected = {0x00, 0x00, 0x00, 0x10, 0x00, 0x08, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0xFF};
    EXPECT_EQ(DifferenceFrame(p, p), expected);
}

TEST(AnimationEncoder, BGRAInputCodesTheSameBytesAsARGB) {
    pcodecs_test::ScreenFrames screen(37, 11, 3);
    Picture argb(37, 11);
    argb.bytes = screen.frame();
    Bytes bgra = argb.bytes;
    for (size_t i = 0; i < bgra.size(); i += 4) {
        std::reverse(bgra.begin() + i, bgra.begin() + i + 4);
    }
    Bytes out(AnimationMaxSampleSize(37, 11));
    out.resize(AnimationEncodeKeyFrame({bgra.data(), 37 * 4, 37, 11, kBGRA}, out.data()));
    EXPECT_EQ(out, KeyFrame(argb));
}

TEST(AnimationEncoder, WorstCaseBoundIsMetExactlyAndNeverExceeded) {
    for (int w : {1, 2, 126, 127, 128, 255, 301}) {
        // Every pixel a literal: the bound exactly (a key frame has no line band).
        const Picture distinct = Distinct(w, 3);
        EXPECT_EQ(KeyFrame(distinct).size() + 8, AnimationMaxSampleSize(w, 3)) << w;
        EXPECT_EQ(DifferenceFrame(distinct, Picture(w, 3)).size(), AnimationMaxSampleSize(w, 3))
            << w;
        // Every other pixel changed: skips and one-pixel literals alternate.
        Picture prev = distinct;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < w; x += 2)
                prev.set(x, y, 0);
        }
        EXPECT_LE(DifferenceFrame(distinct, prev).size(), AnimationMaxSampleSize(w, 3)) << w;
    }
    // Runs of two between single literals.
    Picture pairs(200, 2);
    for (int x = 0; x < 200; ++x)
        pairs.set(x, 0, (x % 3 == 2) ? A : UInt32(x / 3));
    EXPECT_LE(KeyFrame(pairs).size(), AnimationMaxSampleSize(200, 2));
}

TEST(AnimationEncoder, RefusesInvalidPictures) {
    Picture p(4, 4);
    Bytes out(AnimationMaxSampleSize(4, 4));
    AnimationConstImage bad = p.image();
    bad.rowBytes = 15;  // shorter than a row
    EXPECT_EQ(AnimationEncodeKeyFrame(bad, out.data()), 0u);
    EXPECT_EQ(AnimationEncodeKeyFrame({nullptr, 16, 4, 4, kARGB}, out.data()), 0u);
    EXPECT_EQ(AnimationEncodeKeyFrame({p.bytes.data(), 16, 0, 4, kARGB}, out.data()), 0u);
    Picture other(4, 3);
    EXPECT_EQ(AnimationEncodeDifferenceFrame(p.image(), other.image(), out.data()), 0u);
    EXPECT_EQ(AnimationMaxSampleSize(kAnimationMaxDimension + 1, 1), 0u);
    EXPECT_THROW(AnimationEncoder(0, 5, kARGB), std::invalid_argument);
}

// A picture inside a larger block: rows padded, with guard bytes all around,
// to show the decoder writes nothing outside the picture.
struct GuardedPicture {
    static constexpr int kPad = 12;
    int width, height;
    long rowBytes;
    Bytes block;

    GuardedPicture(int w, int h, AnimationPixelOrder order = kARGB, bool bottomUp = false)
        : width(w),
          height(h),
          rowBytes(4L * w + kPad),
          block(size_t(rowBytes) * (h + 2), 0xA5),
          order(order),
          bottomUp(bottomUp) {}
    AnimationPixelOrder order;
    bool bottomUp;

    AnimationImage target() {
        UInt8* first = block.data() + rowBytes + kPad / 2;
        if (bottomUp) {
            return {first + (height - 1) * rowBytes, -rowBytes, width, height, order};
        }
        return {first, rowBytes, width, height, order};
    }
    // The picture's pixels in ARGB, top row first, packed.
    Bytes argb() {
        AnimationImage t = target();
        Bytes out;
        for (int y = 0; y < height; ++y) {
            const UInt8* row = static_cast<UInt8*>(t.pixels) + y * t.rowBytes;
            for (int x = 0; x < width; ++x) {
                const UInt8* p = row + 4 * x;
                if (order == kARGB) {
                    out.insert(out.end(), p, p + 4);
                } else {
                    out.insert(out.end(), {p[3], p[2], p[1], p[0]});
                }
            }
        }
        return out;
    }
    bool guardsIntact() const {
        for (size_t i = 0; i < block.size(); ++i) {
            const size_t inRow = i % size_t(rowBytes);
            const bool inside = i >= size_t(rowBytes) && i < size_t(rowBytes) * (height + 1) &&
                                inRow >= kPad / 2 && inRow < kPad / 2 + 4 * size_t(width);
            if (!inside && block[i] != 0xA5)
                return false;
        }
        return true;
    }
};

// Encodes a chain of screen-like frames (key frames every `keyEvery`) and
// decodes each sample onto the previous picture: every frame comes back
// pixel for pixel, in either pixel order of the decoded picture.
void RoundTrip(int w, int h, unsigned seed, int frames, int keyEvery, AnimationPixelOrder outOrder,
               bool bottomUp) {
    pcodecs_test::ScreenFrames screen(w, h, seed);
    AnimationEncoder encoder(w, h, kARGB);
    GuardedPicture picture(w, h, outOrder, bottomUp);
    for (int f = 0; f < frames; ++f) {
        const auto sample =
            encoder.encode(screen.frame().data(), screen.rowBytes(), f % keyEvery == 0);
        ASSERT_FALSE(sample.empty());
        ASSERT_LE(sample.size(), AnimationMaxSampleSize(w, h));
        ASSERT_EQ(AnimationDecodeFrame(sample.data(), sample.size(), picture.target()), noErr);
        ASSERT_EQ(picture.argb(), screen.frame()) << w << "x" << h << " frame " << f;
        screen.next();
    }
    EXPECT_TRUE(picture.guardsIntact());
}

TEST(AnimationCodec, RoundTripsChainsOfDifferenceFramesAtOddSizes) {
    const int sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {129, 3}, {131, 17}, {301, 77}, {643, 41}};
    for (const auto& s : sizes) {
        RoundTrip(s[0], s[1], 11u * s[0] + s[1], 40, 1000, kARGB, false);
    }
    RoundTrip(97, 31, 5, 60, 7, kBGRA, false);
    RoundTrip(97, 31, 6, 30, 1000, kARGB, true);
}

TEST(AnimationCodec, StatelessDifferenceFramesMatchTheEncoderAndReadAnyRowBytes) {
    pcodecs_test::ScreenFrames screen(53, 19, 9);
    AnimationEncoder encoder(53, 19, kBGRA);
    Bytes previous;
    for (int f = 0; f < 25; ++f) {
        // The frame in BGRA, in rows padded by 3 bytes.
        const long rowBytes = 53 * 4 + 3;
        Bytes padded(rowBytes * 19);
        for (int y = 0; y < 19; ++y) {
            for (int x = 0; x < 53; ++x) {
                const UInt8* s = &screen.frame()[(y * 53 + x) * 4];
                std::copy(std::make_reverse_iterator(s + 4), std::make_reverse_iterator(s),
                          padded.begin() + y * rowBytes + 4 * x);
            }
        }
        const auto sample = encoder.encode(padded.data(), rowBytes, false);
        Bytes expected(AnimationMaxSampleSize(53, 19));
        const AnimationConstImage cur{padded.data(), rowBytes, 53, 19, kBGRA};
        expected.resize(
            f == 0 ? AnimationEncodeKeyFrame(cur, expected.data())
                   : AnimationEncodeDifferenceFrame(cur, {previous.data(), rowBytes, 53, 19, kBGRA},
                                                    expected.data()));
        EXPECT_EQ(Bytes(sample.begin(), sample.end()), expected) << f;
        EXPECT_EQ(encoder.lastWasKeyFrame(), f == 0);
        previous = padded;
        screen.next();
    }
}

// A few frames of real codes for the decoder checks below.
Bytes SampleOfSeveralLines() {
    const Picture prev(40, 6, P);
    Picture cur = Distinct(40, 6);
    for (int x = 10; x < 30; ++x)
        cur.set(x, 2, A);
    for (int x = 0; x < 20; ++x)
        cur.set(x, 4, P);
    return DifferenceFrame(cur, prev);
}

TEST(AnimationDecoder, ShortSamplesChangeNothing) {
    Picture p(3, 3, A);
    const Bytes before = p.bytes;
    const UInt8 nothing[7] = {0, 0, 0, 7, 0, 0, 1};
    for (size_t n = 0; n < 8; ++n)
        EXPECT_EQ(AnimationDecodeFrame(nothing, n, p.target()), noErr);
    // A chunk size under 8 also says "no change", whatever follows.
    const UInt8 flagged[10] = {0, 0, 0, 4, 0, 0, 1, 0x7F, 0, 0};
    EXPECT_EQ(AnimationDecodeFrame(flagged, sizeof flagged, p.target()), noErr);
    EXPECT_EQ(p.bytes, before);
}

TEST(AnimationDecoder, ZeroSkipByteEndsTheSampleEarly) {
    Picture p(2, 3, P);
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
    expected.set(0, 0, A);
    EXPECT_EQ(p.bytes, expected.bytes);
}

TEST(AnimationDecoder, EveryTruncationFailsCleanly) {
    const Bytes sample = SampleOfSeveralLines();
    for (size_t n = 8; n < sample.size(); ++n) {
        GuardedPicture picture(40, 6);
        Bytes cut(sample.begin(), sample.begin() + n);
        EXPECT_EQ(AnimationDecodeFrame(cut.data(), n, picture.target()), codecBadDataErr) << n;
        cut[0] = UInt8(n >> 24), cut[1] = UInt8(n >> 16), cut[2] = UInt8(n >> 8), cut[3] = UInt8(n);
        EXPECT_EQ(AnimationDecodeFrame(cut.data(), n, picture.target()), codecBadDataErr) << n;
        EXPECT_TRUE(picture.guardsIntact());
    }
}

TEST(AnimationDecoder, RefusesCountsOutsideThePicture) {
    const Bytes header = {0x00, 0x00};
    auto decode = [](const Bytes& body) {
        GuardedPicture picture(4, 2);
        Bytes sample = Cat({SizeField(4 + body.size()), body});
        OSErr err = AnimationDecodeFrame(sample.data(), sample.size(), picture.target());
        EXPECT_TRUE(picture.guardsIntact());
        return err;
    };
    const Bytes px = Pixel(A);
    EXPECT_EQ(decode(Cat({header, {0x01, 0x05}, px, px, px, px, px, {0xFF}})),
              codecBadDataErr);  // literal of 5
    EXPECT_EQ(decode(Cat({header, {0x03, 0xFD}, px, {0xFF}})),
              codecBadDataErr);                                       // run past the end
    EXPECT_EQ(decode(Cat({header, {0x06, 0xFF}})), codecBadDataErr);  // skip past the end
    EXPECT_EQ(decode(Cat({header, {0x01, 0x00, 0x07, 0xFF}})),
              codecBadDataErr);  // skip code past the end
    EXPECT_EQ(decode(Cat({header, {0x01, 0x00, 0x00, 0xFF}})),
              codecBadDataErr);  // skip byte 0 in a line
    EXPECT_EQ(decode({0x00, 0x08, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x01, 0xFF, 0x01,
                      0xFF}),
              codecBadDataErr);  // band of lines 1..2 in a 2-line picture
    EXPECT_EQ(decode({0x00, 0x08, 0x00, 0x01, 0x00}), codecBadDataErr);  // band cut short
    // Exactly filling a line is fine: skip 2, run of 2.
    EXPECT_EQ(decode(Cat({header, {0x03, 0xFE}, px, {0xFF, 0x01, 0xFF}})), noErr);

    Picture p(4, 2);
    Bytes sample =
        Cat({SizeField(100), header, {0x01, 0xFF, 0x01, 0xFF}});  // chunk size beyond the bytes
    EXPECT_EQ(AnimationDecodeFrame(sample.data(), sample.size(), p.target()), codecBadDataErr);
    EXPECT_EQ(AnimationDecodeFrame(nullptr, 20, p.target()), paramErr);
    AnimationImage bad = p.target();
    bad.rowBytes = 8;
    EXPECT_EQ(AnimationDecodeFrame(sample.data(), sample.size(), bad), paramErr);
}

TEST(AnimationDecoder, GarbageNeverWritesOutsideThePicture) {
    std::mt19937 rng(77);
    const Bytes real = SampleOfSeveralLines();
    for (int i = 0; i < 3000; ++i) {
        Bytes sample;
        if (i % 2 == 0) {
            sample.resize(rng() % 300);
            for (UInt8& b : sample)
                b = UInt8(rng());
            if (sample.size() >= 4) {  // a chunk size that fits, so the codes are read
                sample[0] = sample[1] = 0, sample[2] = UInt8(sample.size() >> 8),
                sample[3] = UInt8(sample.size());
            }
        } else {  // a real sample with a few bytes flipped
            sample = real;
            for (int k = 0; k < 3; ++k)
                sample[4 + rng() % (sample.size() - 4)] = UInt8(rng());
        }
        GuardedPicture picture(40, 6, i % 3 ? kARGB : kBGRA);
        const OSErr err = AnimationDecodeFrame(sample.data(), sample.size(), picture.target());
        ASSERT_TRUE(err == noErr || err == codecBadDataErr) << err;
        ASSERT_TRUE(picture.guardsIntact()) << i;
    }
}

}  // namespace

// Frame compression and decompression: key frames, stored and deflated
// data, the literals-only fallback, the previous frame, and errors.
#include "Codec/MVDKFrameCompressor.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "Codec/MVDKFrameDecompressor.h"
#include "Codec/MVDKResult.h"
#include "Codec/MVDKZlib.h"
#include "CodecTestUtil.h"

namespace {

using namespace codectest;
using mvdtest::ScreenContent;
using mvdtest::ScreenImage;

Bytes Inflate(const Bytes& data, size_t capacity) {
    Bytes out(capacity);
    uLongf length = capacity;
    EXPECT_EQ(uncompress(out.data(), &length, data.data(), data.size()), Z_OK);
    out.resize(length);
    return out;
}

// A compressor with an output buffer big enough for any frame.
class Sequence {
  public:
    explicit Sequence(const MVDKFrameInfo& info)
        : m_out(MVDKFrameCompressor::MaxFrameDataSize(info.width, info.height, info.depth)) {
        EXPECT_EQ(m_compressor.beginSequence(info.width, info.height, info.depth), noErr);
    }

    MVDKCompressResult compress(const Source& s, MVDKCompressOptions options = {},
                                size_t capacity = SIZE_MAX) {
        options.frameNumber = m_frame++;
        const MVDKCompressResult r = m_compressor.compressFrame(
            s.info, s.data(), s.rowBytes, options, m_out.data(), std::min(capacity, m_out.size()));
        m_data.assign(m_out.begin(), m_out.begin() + r.dataLength);
        return r;
    }

    const Bytes& data() const { return m_data; }
    MVDKFrameCompressor& compressor() { return m_compressor; }

  private:
    MVDKFrameCompressor m_compressor;
    Bytes m_out;
    Bytes m_data;
    uint32_t m_frame = 0;
};

// Depth-16 lines: "a b c" codes as a 10-byte stream, "a a b b c" as 11.
Source Line16(std::initializer_list<uint16_t> pixels) {
    Source s;
    s.info = {16, static_cast<int32_t>(pixels.size()), 1, 0, 16};
    s.rowBytes = s.info.width * 2;
    for (uint16_t v : pixels) {
        s.bytes.push_back(static_cast<uint8_t>(v >> 8));
        s.bytes.push_back(static_cast<uint8_t>(v));
    }
    return s;
}

TEST(MVDKFrameCompressor, StreamsUpTo10BytesAreStoredLongerOnesDeflated) {
    const Source stored = Line16({1, 2, 3});
    Sequence a(stored.info);
    MVDKCompressResult r = a.compress(stored);
    ASSERT_EQ(r.err, noErr);
    EXPECT_EQ(r.streamLength, 10u);
    EXPECT_EQ(a.data(), S({0, 3, 1, 0, 2, 0, 3, 0, 0, 1}));

    const Source deflated = Line16({1, 1, 2, 2, 3});
    Sequence b(deflated.info);
    r = b.compress(deflated);
    ASSERT_EQ(r.err, noErr);
    EXPECT_EQ(r.streamLength, 11u);
    EXPECT_EQ(Inflate(b.data(), 64), S({2, 1, 0, 2, 2, 0, 1, 3, 0, 0, 1}));

    // The decompressor tells them apart by length alone.
    MVDKFrameDecompressor decompressor;
    for (const auto& [source, data] :
         {std::pair{stored, a.data()}, std::pair{deflated, b.data()}}) {
        Picture picture = Blank(source.info);
        ASSERT_EQ(decompressor.decompressFrame(picture.info(), data.data(), data.size(),
                                               picture.bytes.data(), picture.rowBytes),
                  noErr);
        EXPECT_EQ(picture.bytes, Expected(source, false).bytes);
    }
    const Bytes raw11 = S({2, 1, 0, 2, 2, 0, 1, 3, 0, 0, 1});
    Picture picture = Blank(deflated.info);
    EXPECT_EQ(decompressor.decompressFrame(picture.info(), raw11.data(), raw11.size(),
                                           picture.bytes.data(), picture.rowBytes),
              Z_DATA_ERROR);
}

TEST(MVDKFrameCompressor, KeyFrameDecisionAndSimilarity) {
    ScreenImage image(64, 48);
    ScreenContent screen(64, 48, 3);
    screen.render(image);
    const Source s = MakeSource(image, Layout::Wide32);
    Sequence seq(s.info);

    MVDKCompressOptions options;
    MVDKCompressResult r = seq.compress(s, options);  // frame 0
    EXPECT_TRUE(r.keyFrame);
    EXPECT_EQ(r.similarity, 0u);
    r = seq.compress(s, options);
    EXPECT_FALSE(r.keyFrame);
    EXPECT_EQ(r.similarity, 0x7FFEFFFFu);
    EXPECT_EQ(seq.data(), S({0, 1}));  // unchanged: stored end of frame

    options.forceKeyFrame = true;
    EXPECT_TRUE(seq.compress(s, options).keyFrame);
    options.forceKeyFrame = false;
    options.temporalQuality = 0;
    EXPECT_TRUE(seq.compress(s, options).keyFrame);

    // A new sequence starts with a key frame whatever its frame number.
    ASSERT_EQ(seq.compressor().beginSequence(64, 48, 32), noErr);
    options.temporalQuality = 512;
    EXPECT_TRUE(seq.compress(s, options).keyFrame);
}

// With zlib as the deflater the strategy shows in the bytes.
TEST(MVDKFrameCompressor, OverHalfTheRawSizeFallsBackToLiteralsOnly) {
    ScreenImage image(40, 30);
    mvdtest::FillNoise(image, image.bounds(), 5);
    const Source noise = MakeSource(image, Layout::Wide32);
    Sequence seq(noise.info);
    seq.compressor().setDeflateBackend(mvd::DeflateBackend::Zlib);
    const MVDKCompressResult r = seq.compress(noise);
    ASSERT_EQ(r.err, noErr);
    EXPECT_TRUE(r.literalsOnly);
    const Bytes literals =
        Encode(noise.info, nullptr, noise.data(), kMVDKLiteralsOnly, 0, noise.rowBytes, 1);
    EXPECT_EQ(r.streamLength, literals.size());
    // Deflated with the default strategy after the fallback...
    Bytes expected(compressBound(literals.size()));
    size_t length = expected.size();
    ASSERT_EQ(compressMVD(expected.data(), &length, literals.data(), literals.size(), 6,
                          Z_DEFAULT_STRATEGY),
              Z_OK);
    expected.resize(length);
    EXPECT_EQ(seq.data(), expected);

    // ...and filtered otherwise.
    ScreenContent(40, 30, 1).render(image);
    const Source screen = MakeSource(image, Layout::Wide32);
    MVDKCompressOptions options;
    options.level = 9;
    const MVDKCompressResult normal = seq.compress(screen, options);
    EXPECT_FALSE(normal.literalsOnly);
    EXPECT_FALSE(normal.keyFrame);
    EXPECT_EQ(Inflate(seq.data(), normal.streamLength).size(), normal.streamLength);
    const Bytes stream = Encode(screen.info, noise.data(), screen.data(), 0, 0, screen.rowBytes, 1);
    expected.assign(compressBound(stream.size()), 0);
    length = expected.size();
    ASSERT_EQ(compressMVD(expected.data(), &length, stream.data(), stream.size(), 9, Z_FILTERED),
              Z_OK);
    expected.resize(length);
    EXPECT_EQ(seq.data(), expected);
}

// The previous frame, kept in stream line order, equals the last source.
Bytes StreamOrder(const Source& s) {
    const int bytes = mvdk::SourceBytesPerPixel(s.info.depth, s.info.srcPixelSize);
    const size_t line = static_cast<size_t>(s.info.width) * bytes;
    Bytes out;
    for (int32_t k = 0; k < s.info.height; ++k) {
        const auto* from = s.data() + static_cast<size_t>(s.info.height - 1 - k) * s.rowBytes;
        out.insert(out.end(), from, from + line);
    }
    return out;
}

Bytes Previous(Sequence& seq) {
    const auto prev = seq.compressor().previousFrame();
    return Bytes(prev.begin(), prev.end());
}

TEST(MVDKFrameCompressor, PreviousFrameFollowsOnlySuccessfulKeptFrames) {
    ScreenImage image(120, 90);
    ScreenContent screen(120, 90, 4);
    screen.render(image);
    Source s = MakeSource(image, Layout::RGB555, 6);
    Sequence seq(s.info);
    ASSERT_EQ(seq.compress(s).err, noErr);
    EXPECT_EQ(Previous(seq), StreamOrder(s));
    for (int i = 0; i < 6; ++i) {
        screen.nextFrame(image);
        s = MakeSource(image, Layout::RGB555, 6);
        ASSERT_EQ(seq.compress(s).err, noErr);
        ASSERT_EQ(Previous(seq), StreamOrder(s)) << "frame " << i;
    }
    const Bytes kept = Previous(seq);
    screen.redrawRegion(image, 30, 30);
    const Source next = MakeSource(image, Layout::RGB555, 6);
    MVDKCompressOptions spool;
    spool.updatePrevious = false;
    EXPECT_EQ(seq.compress(next, spool).err, noErr);
    EXPECT_EQ(Previous(seq), kept);
    EXPECT_EQ(seq.compress(next, {}, 4).err, mvdk::codecErr);  // output too small
    EXPECT_EQ(Previous(seq), kept);
    MVDKCompressOptions badLevel;
    badLevel.level = 42;
    EXPECT_EQ(seq.compress(next, badLevel).err, mvdk::codecErr);
    EXPECT_EQ(Previous(seq), kept);
}

TEST(MVDKFrameCompressor, ArgumentErrors) {
    MVDKFrameCompressor compressor;
    const Source s = Line16({1, 2, 3});
    uint8_t out[64];
    const auto frame = [&](const MVDKFrameInfo& info, int32_t rowBytes) {
        return compressor.compressFrame(info, s.data(), rowBytes, {}, out, sizeof out).err;
    };
    EXPECT_EQ(frame(s.info, s.rowBytes), mvdk::codecConditionErr);  // no sequence
    EXPECT_EQ(compressor.beginSequence(3, 1, 15), mvdk::codecConditionErr);
    EXPECT_EQ(compressor.beginSequence(0, 1, 16), paramErr);
    EXPECT_EQ(compressor.beginSequence(65535, 65535, 32), mvdk::codecSizeErr);
    ASSERT_EQ(compressor.beginSequence(3, 1, 16), noErr);
    MVDKFrameInfo info = s.info;
    info.depth = 4;
    EXPECT_EQ(frame(info, s.rowBytes), mvdk::codecSizeErr);
    info = s.info;
    info.width = 2;
    EXPECT_EQ(frame(info, s.rowBytes), paramErr);
    EXPECT_EQ(frame(s.info, 5), paramErr);  // shorter than a line
    EXPECT_EQ(compressor.compressFrame(s.info, nullptr, s.rowBytes, {}, out, sizeof out).err,
              paramErr);
    EXPECT_EQ(frame(s.info, s.rowBytes), noErr);
    EXPECT_EQ(MVDKFrameCompressor::MaxFrameDataSize(3, 1, 12), 0u);
}

TEST(MVDKFrameDecompressor, ErrorsLeaveThePictureUntouched) {
    MVDKFrameDecompressor decompressor;
    Picture picture = Blank({0, 4, 4, 0, 32}, 0x21);
    const Picture before = picture;
    const auto run = [&](const Bytes& data, int32_t rowBytes) {
        return decompressor.decompressFrame(picture.info(), data.data(), data.size(),
                                            picture.bytes.data(), rowBytes);
    };
    EXPECT_EQ(run({}, picture.rowBytes), mvdk::codecBadDataErr);
    EXPECT_EQ(run(S({1, 1, 2, 3, 4}), 8), paramErr);
    // More inflated bytes than any frame of this size can hold.
    Bytes huge(100000, 0);
    Bytes packed(compressBound(huge.size()));
    uLongf length = packed.size();
    ASSERT_EQ(compress(packed.data(), &length, huge.data(), huge.size()), Z_OK);
    packed.resize(length);
    EXPECT_EQ(run(packed, picture.rowBytes), Z_BUF_ERROR);
    // Cut short, and damaged.
    const Bytes stream = S({16, 1, 2, 3, 4, 0, 1});
    packed.assign(64, 0);
    length = packed.size();
    ASSERT_EQ(compress(packed.data(), &length, stream.data(), stream.size()), Z_OK);
    EXPECT_EQ(run(Bytes(packed.begin(), packed.begin() + length - 3), picture.rowBytes),
              Z_DATA_ERROR);
    packed[0] ^= 0xFF;
    EXPECT_EQ(run(Bytes(packed.begin(), packed.begin() + length), picture.rowBytes), Z_DATA_ERROR);
    EXPECT_EQ(picture.bytes, before.bytes);
}

// Whole sequences through the compressor and the decompressor, at every
// depth, with the row stride and the line order changing between frames,
// and frames narrow enough that their streams outgrow twice the picture.
TEST(MVDKFrameCompressor, SequencesDecodePixelForPixel) {
    struct Case {
        int32_t width, height;
        Layout layout;
    };
    const Case cases[] = {
        {160, 100, Layout::Indexed8}, {160, 100, Layout::RGB555}, {160, 100, Layout::BGR24},
        {160, 100, Layout::Wide24},   {160, 100, Layout::Wide32}, {1, 40, Layout::Indexed8},
        {2, 30, Layout::Indexed8},    {3, 20, Layout::RGB555},    {1, 1, Layout::Indexed8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << " layout " << static_cast<int>(c.layout));
        ScreenImage image(c.width, c.height);
        ScreenContent screen(c.width, c.height, 21);
        mvdtest::FillNoise(image, image.bounds(), 9);
        Source s = MakeSource(image, c.layout);
        Sequence seq(s.info);
        MVDKFrameDecompressor decompressor;
        Picture picture = Blank(s.info, 0x99);
        for (int frame = 0; frame < 10; ++frame) {
            const bool wide = c.layout == Layout::Wide24 || c.layout == Layout::Wide32;
            s = MakeSource(image, c.layout, static_cast<size_t>(frame % 3) * 4);
            if (wide && frame % 4 == 3) {  // the same picture, stored bottom line first
                Source flipped = s;
                flipped.info.flipped = 1;
                for (int32_t y = 0; y < c.height; ++y) {
                    std::copy_n(s.bytes.begin() + (c.height - 1 - y) * s.rowBytes, s.rowBytes,
                                flipped.bytes.begin() + y * s.rowBytes);
                }
                s = flipped;
            }
            const MVDKCompressResult r = seq.compress(s);
            ASSERT_EQ(r.err, noErr);
            ASSERT_EQ(
                decompressor.decompressFrame(picture.info(), seq.data().data(), seq.data().size(),
                                             picture.bytes.data(), picture.rowBytes),
                noErr);
            if (s.info.flipped)
                s.info.flipped = 0, s = MakeSource(image, c.layout);
            ASSERT_EQ(picture.bytes, Expected(s, true).bytes) << "frame " << frame;
            screen.nextFrame(image);
            if (frame == 0)
                screen.render(image);
        }
    }
}

}  // namespace

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

Bytes Deflated(const Bytes& stream, int level, int strategy) {
    Bytes out(compressBound(stream.size()));
    size_t length = out.size();
    EXPECT_EQ(compressMVD(out.data(), &length, stream.data(), stream.size(), level, strategy),
              Z_OK);
    out.resize(length);
    return out;
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
    EXPECT_EQ(seq.data(), Deflated(literals, 6, Z_DEFAULT_STRATEGY));

    // ...and filtered otherwise.
    ScreenContent(40, 30, 1).render(image);
    const Source screen = MakeSource(image, Layout::Wide32);
    MVDKCompressOptions options;
    options.level = 9;
    const MVDKCompressResult normal = seq.compress(screen, options);
    EXPECT_FALSE(normal.literalsOnly);
    EXPECT_FALSE(normal.keyFrame);
    const Bytes stream = Encode(screen.info, noise.data(), screen.data(), 0, 0, screen.rowBytes, 1);
    EXPECT_EQ(seq.data(), Deflated(stream, 9, Z_FILTERED));
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
    // A level zlib refuses fails a deflated frame and keeps the previous one.
    const auto previous = [&] {
        return Bytes(compressor.previousFrame().begin(), compressor.previousFrame().end());
    };
    const Source first = Line16({1, 1, 2, 2, 3}), second = Line16({4, 4, 5, 5, 6});
    ASSERT_EQ(compressor.beginSequence(5, 1, 16), noErr);
    ASSERT_EQ(
        compressor.compressFrame(first.info, first.data(), first.rowBytes, {}, out, sizeof out).err,
        noErr);
    const Bytes kept = previous();
    MVDKCompressOptions badLevel;
    badLevel.level = 42;
    EXPECT_EQ(
        compressor
            .compressFrame(second.info, second.data(), second.rowBytes, badLevel, out, sizeof out)
            .err,
        mvdk::codecErr);
    EXPECT_EQ(previous(), kept);
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
            if (wide && frame % 4 == 3)  // the same picture, stored bottom line first
                s = Flipped(s);
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

// zlib streams from either deflater: inflated by zlib at every level with
// zlib's headers, the kept zlib stream byte-identical to one-shot
// compression, and refusals.
#include "Compression/ZlibCompressor.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "Support/ScreenContent.h"

namespace {

using Bytes = std::vector<uint8_t>;
using mvd::DeflateBackend;
using mvd::ZlibCompressor;
using mvdtest::ScreenContent;
using mvdtest::ScreenImage;

std::vector<DeflateBackend> Backends() {
    std::vector<DeflateBackend> backends{DeflateBackend::Zlib};
    if (ZlibCompressor::HaveLibdeflate())
        backends.push_back(DeflateBackend::Libdeflate);
    return backends;
}

const char* Name(DeflateBackend backend) {
    return backend == DeflateBackend::Zlib ? "zlib" : "libdeflate";
}

Bytes Screen(int32_t width, int32_t height, uint32_t seed) {
    ScreenImage image(width, height);
    ScreenContent(width, height, seed).render(image);
    return Bytes(image.data(), image.data() + image.byteSize());
}

Bytes Noise(size_t n) {
    ScreenImage image(static_cast<int32_t>(n / 4), 1);
    mvdtest::FillNoise(image, image.bounds(), 3);
    return Bytes(image.data(), image.data() + image.byteSize());
}

Bytes Compress(ZlibCompressor& c, const Bytes& in, int level, int strategy = Z_DEFAULT_STRATEGY) {
    Bytes out(compressBound(in.size()));
    size_t length = out.size();
    EXPECT_EQ(c.compress(out.data(), &length, in.data(), in.size(), level, strategy), Z_OK);
    out.resize(length);
    return out;
}

// Inflates with zlib, requiring the stream to end exactly at the data's end.
Bytes Inflate(const Bytes& data, size_t expected) {
    Bytes out(expected + 1);
    z_stream zs{};
    EXPECT_EQ(inflateInit(&zs), Z_OK);
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(zs.avail_in, 0u);
    out.resize(zs.total_out);
    inflateEnd(&zs);
    return out;
}

// zlib's own header for a level.
Bytes ZlibHeader(int level) {
    const Bytes one{1};
    Bytes out(64);
    uLongf length = out.size();
    EXPECT_EQ(compress2(out.data(), &length, one.data(), one.size(), level), Z_OK);
    return {out[0], out[1]};
}

// Noise fills zlib's bound almost exactly; libdeflate needs a little slack
// there and hands the buffer to zlib, so the call still succeeds.
TEST(ZlibCompressor, EveryLevelInflatesWithZlibAndCarriesZlibsHeader) {
    const Bytes inputs[] = {Screen(200, 120, 4), Noise(100000), Bytes{}, Bytes(70000, 0x42)};
    for (DeflateBackend backend : Backends()) {
        ZlibCompressor c(backend);
        EXPECT_EQ(c.backend(), backend);
        for (int level = -1; level <= 9; ++level) {
            for (const Bytes& in : inputs) {
                const Bytes out = Compress(c, in, level, level % 2 ? Z_FILTERED : 0);
                ASSERT_GE(out.size(), 6u);
                EXPECT_EQ(Bytes(out.begin(), out.begin() + 2), ZlibHeader(level))
                    << Name(backend) << " level " << level;
                EXPECT_EQ(Inflate(out, in.size()), in) << Name(backend) << " level " << level;
            }
        }
    }
}

// Levels grow in effort: on screen content a higher level is never larger
// than level 1, and stored level 0 is the largest.
TEST(ZlibCompressor, LevelsOrderBySize) {
    const Bytes screen = Screen(320, 200, 9);
    for (DeflateBackend backend : Backends()) {
        ZlibCompressor c(backend);
        const size_t stored = Compress(c, screen, 0).size();
        const size_t fast = Compress(c, screen, 1).size();
        EXPECT_GT(stored, screen.size());
        EXPECT_LT(fast, stored / 2) << Name(backend);
        EXPECT_LE(Compress(c, screen, 9).size(), fast) << Name(backend);
    }
}

TEST(ZlibCompressor, KeptZlibStreamMatchesOneShotCompression) {
    ScreenImage image(96, 64);
    ScreenContent screen(96, 64, 8);
    screen.render(image);
    ZlibCompressor kept(DeflateBackend::Zlib);
    for (int level : {6, 1, 0, 9, 6, 3}) {
        for (int strategy : {Z_FILTERED, Z_DEFAULT_STRATEGY}) {
            screen.nextFrame(image);
            const Bytes input(image.data(), image.data() + image.byteSize());
            z_stream zs{};
            ASSERT_EQ(deflateInit2(&zs, level, Z_DEFLATED, 15, 8, strategy), Z_OK);
            Bytes expected(deflateBound(&zs, input.size()));
            zs.next_in = const_cast<Bytef*>(input.data());
            zs.avail_in = static_cast<uInt>(input.size());
            zs.next_out = expected.data();
            zs.avail_out = static_cast<uInt>(expected.size());
            ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
            expected.resize(zs.total_out);
            deflateEnd(&zs);
            EXPECT_EQ(Compress(kept, input, level, strategy), expected)
                << "level " << level << " strategy " << strategy;
        }
    }
}

TEST(ZlibCompressor, RefusalsWriteNothingPastTheCapacity) {
    const Bytes screen = Screen(64, 40, 2);
    for (DeflateBackend backend : Backends()) {
        ZlibCompressor c(backend);
        for (size_t room : {size_t{0}, size_t{5}, size_t{40}}) {
            Bytes out(room + 16, 0xEE);
            size_t length = room;
            EXPECT_EQ(c.compress(out.data(), &length, screen.data(), screen.size(), 6, 0),
                      Z_BUF_ERROR)
                << Name(backend) << " room " << room;
            EXPECT_TRUE(std::all_of(out.begin() + static_cast<ptrdiff_t>(room), out.end(),
                                    [](uint8_t b) { return b == 0xEE; }));
        }
        Bytes out(1000);
        size_t length = out.size();
        EXPECT_EQ(c.compress(out.data(), &length, screen.data(), 10, 10, 0), Z_STREAM_ERROR);
        EXPECT_EQ(c.compress(out.data(), &length, screen.data(), 10, -2, 0), Z_STREAM_ERROR);
        EXPECT_EQ(c.compress(out.data(), &length, screen.data(), 10, 6, 9), Z_STREAM_ERROR);
        // After a refusal the compressor still works.
        EXPECT_EQ(Inflate(Compress(c, screen, 6), screen.size()), screen);
    }
}

}  // namespace

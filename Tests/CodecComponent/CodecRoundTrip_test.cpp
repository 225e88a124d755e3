// Frames compressed through the compressor's selectors and decompressed
// through the decompressor's, as a host drives them: decoded pictures equal
// the sources exactly.

#include <algorithm>

#include "CodecComponentFixture.h"
#include "Support/ScreenContent.h"

namespace mvdtest {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 100;
constexpr int kFrames = 6;

enum class Source { ARGB32, BGRA32, RGB555, Indexed8 };

int DepthOf(Source source) {
    return source == Source::RGB555 ? 16 : source == Source::Indexed8 ? 8 : 32;
}

// The codec's picture of a screen frame in the source layout.
Picture SourcePicture(const ScreenImage& screen, Source source) {
    Picture picture(screen.width(), screen.height(), DepthOf(source), 6);
    for (int y = 0; y < screen.height(); ++y) {
        UInt8* out = picture.line(y);
        for (int x = 0; x < screen.width(); ++x) {
            const uint32_t argb = screen.pixel(x, y);
            const UInt8 a = argb >> 24, r = argb >> 16, g = argb >> 8, b = argb;
            const UInt16 v = static_cast<UInt16>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
            const std::vector<UInt8> pixel[] = {{a, r, g, b},
                                                {b, g, r, a},
                                                {UInt8(v >> 8), UInt8(v)},
                                                {UInt8(r ^ (g >> 1) ^ (b >> 2))}};
            const auto& bytes = pixel[static_cast<int>(source)];
            out = std::copy(bytes.begin(), bytes.end(), out);
        }
    }
    return picture;
}

// What the decoder should have written for the source: 32-bit pictures in
// alpha, red, green, blue order, others as they are.
std::vector<UInt8> ExpectedPixels(const Picture& source, Source kind) {
    std::vector<UInt8> expected;
    const int lineBytes = source.width * source.pixelSize / 8;
    for (int y = 0; y < source.height; ++y) {
        const UInt8* in = source.bytes.data() + static_cast<size_t>(y) * source.rowBytes;
        for (int i = 0; i < lineBytes; i += source.pixelSize / 8) {
            if (kind == Source::BGRA32) {
                expected.insert(expected.end(), {in[i + 3], in[i + 2], in[i + 1], in[i]});
            } else {
                expected.insert(expected.end(), in + i, in + i + source.pixelSize / 8);
            }
        }
    }
    return expected;
}

// The pixels of the rectangle at (left, top) of a destination picture.
std::vector<UInt8> PixelsAt(Picture& dest, int left, int top, int width, int height) {
    std::vector<UInt8> pixels;
    const int bytes = dest.pixelSize / 8;
    for (int y = top; y < top + height; ++y) {
        const UInt8* line = dest.line(y) + left * bytes;
        pixels.insert(pixels.end(), line, line + width * bytes);
    }
    return pixels;
}

// Serves frame data through a data-loading procedure from a window of
// 32 KiB, moving the caller's pointer to the window each time.
struct DataLoader {
    const std::vector<UInt8>* data = nullptr;
    size_t served = 0;
    int calls = 0;
    std::vector<UInt8> window = std::vector<UInt8>(32768);

    static OSErr Load(Ptr* dataP, long bytesNeeded, long refcon) {
        auto* self = reinterpret_cast<DataLoader*>(refcon);
        ++self->calls;
        if (bytesNeeded > static_cast<long>(self->window.size()) ||
            self->served + static_cast<size_t>(bytesNeeded) > self->data->size()) {
            return paramErr;
        }
        std::copy_n(self->data->begin() + static_cast<long>(self->served), bytesNeeded,
                    self->window.begin());
        self->served += static_cast<size_t>(bytesNeeded);
        *dataP = reinterpret_cast<Ptr>(self->window.data());
        return noErr;
    }
};

class CodecRoundTripTest : public CodecComponentTest {
  protected:
    // Compresses frames of a changing screen; returns the sources and the
    // frame data.
    void Record(Source kind, std::vector<Picture>& sources, std::vector<std::vector<UInt8>>& frames,
                bool withNoise = false) {
        ComponentInstance ci = OpenCompressor();
        if (kind == Source::BGRA32) {
            ASSERT_EQ(MVDK_SetSrcEndianSwapped(ci, 1), noErr);
        }
        Description desc(kWidth, kHeight, DepthOf(kind));
        CodecCompressParams pre{};
        CodecCapabilities caps{};
        pre.imageDescription = desc.handle();
        pre.capabilities = &caps;
        ASSERT_EQ(ImageCodecPreCompress(ci, &pre), noErr);
        const Rect rect{0, 0, kHeight, kWidth};
        long maxSize = 0;
        ASSERT_EQ(ImageCodecGetMaxCompressionSize(ci, nullptr, &rect, (*desc).depth, 0, &maxSize),
                  noErr);

        ScreenImage screen(kWidth, kHeight, PixelOrder::ARGB);
        ScreenContent content(kWidth, kHeight, 17);
        content.render(screen);
        if (withNoise) {
            FillNoise(screen, {10, 10, 120, 80}, 3);
        }
        for (int frame = 0; frame < kFrames; ++frame) {
            if (frame > 0) {
                content.nextFrame(screen);
            }
            sources.push_back(SourcePicture(screen, kind));
            std::vector<UInt8> out(static_cast<size_t>(maxSize));
            CompressCall call(desc, sources.back(), out, frame);
            ASSERT_EQ(ImageCodecBandCompress(ci, &call.params), noErr) << frame;
            out.resize(static_cast<size_t>((*desc).dataSize));
            frames.push_back(std::move(out));
        }
        Close(ci);
    }
};

// The host's way: predecompress, then band decompress per frame, which the
// base decompressor turns into begin band and draw band (through the work
// function) on the codec.
TEST_F(CodecRoundTripTest, HostDecompressesWhatTheHostCompressed) {
    for (Source kind : {Source::ARGB32, Source::BGRA32, Source::RGB555, Source::Indexed8}) {
        SCOPED_TRACE(static_cast<int>(kind));
        std::vector<Picture> sources;
        std::vector<std::vector<UInt8>> frames;
        Record(kind, sources, frames);
        ASSERT_EQ(frames.size(), static_cast<size_t>(kFrames));
        EXPECT_LT(frames[1].size(), frames[0].size());  // a difference frame

        ComponentInstance ci = OpenDecompressor();
        const int depth = DepthOf(kind);
        Description desc(kWidth, kHeight, depth);
        Picture dest(kWidth, kHeight, depth, 10);
        for (int frame = 0; frame < kFrames; ++frame) {
            (*desc).dataSize = static_cast<SInt32>(frames[frame].size());
            DecompressCall call(desc, frames[frame], dest);
            if (frame == 0) {
                ASSERT_EQ(ImageCodecPreDecompress(ci, &call.params), noErr);
                EXPECT_EQ(call.capabilities.wantedPixelSize, depth);
                EXPECT_EQ(call.capabilities.bandMin, kHeight);
            }
            ASSERT_EQ(ImageCodecBandDecompress(ci, &call.params), noErr) << frame;
            EXPECT_NE(Storage(ci)->drawBandProc, nullptr);  // drawn through the work function
            EXPECT_EQ(PixelsAt(dest, 0, 0, kWidth, kHeight), ExpectedPixels(sources[frame], kind))
                << frame;
        }
        Close(ci);
    }
}

// Driving the decompressor's own selectors, with the frame data fetched
// through a data-loading procedure and the picture placed inside a larger
// destination.
TEST_F(CodecRoundTripTest, SelectorsWithDataLoadingAndPlacement) {
    std::vector<Picture> sources;
    std::vector<std::vector<UInt8>> frames;
    Record(Source::ARGB32, sources, frames, /*withNoise=*/true);
    ASSERT_GT(frames[0].size(), 32768u);  // fetched in more than one chunk

    ComponentInstance ci = OpenDecompressor();
    Description desc(kWidth, kHeight, 32);
    constexpr int kLeft = 7;
    constexpr int kTop = 5;
    Picture dest(kWidth + 20, kHeight + 10, 32);
    std::fill(dest.bytes.begin(), dest.bytes.end(), 0x5A);
    const std::vector<UInt8> untouched = PixelsAt(dest, 0, 0, kWidth + 20, kTop);

    ImageSubCodecDecompressCapabilities caps{};
    caps.recordSize = sizeof(caps);
    ASSERT_EQ(ImageCodecInitialize(ci, &caps), noErr);
    EXPECT_TRUE(caps.canAsync);
    std::vector<UInt8> record(static_cast<size_t>(caps.decompressRecordSize));
    for (int frame = 0; frame < kFrames; ++frame) {
        (*desc).dataSize = static_cast<SInt32>(frames[frame].size());
        DecompressCall call(desc, frames[frame], dest);
        call.params.dstRect = Rect{kTop, kLeft, kTop + kHeight, kLeft + kWidth};
        DataLoader loader;
        loader.data = &frames[frame];
        call.params.dataProcRecord = {DataLoader::Load, reinterpret_cast<long>(&loader)};
        if (frame == 0) {
            ASSERT_EQ(ImageCodecPreflight(ci, &call.params), noErr);
        }
        ImageSubCodecDecompressRecord drp{};
        drp.baseAddr = call.params.dstPixMap.baseAddr;
        drp.rowBytes = call.params.dstPixMap.rowBytes;
        drp.codecData = call.params.data;
        drp.dataProcRecord = call.params.dataProcRecord;
        drp.userDecompressRecord = record.data();
        ASSERT_EQ(ImageCodecBeginBand(ci, &call.params, &drp, 0), noErr);
        EXPECT_EQ(drp.baseAddr, reinterpret_cast<Ptr>(dest.line(kTop) + kLeft * 4));
        ASSERT_EQ(ImageCodecDrawBand(ci, &drp), noErr);
        EXPECT_EQ(ImageCodecEndBand(ci, &drp, noErr, 0), noErr);
        EXPECT_EQ(loader.served, frames[frame].size());
        EXPECT_EQ(loader.calls, static_cast<int>((frames[frame].size() + 32767) / 32768));
        EXPECT_EQ(PixelsAt(dest, kLeft, kTop, kWidth, kHeight),
                  ExpectedPixels(sources[frame], Source::ARGB32))
            << frame;
    }
    EXPECT_EQ(PixelsAt(dest, 0, 0, kWidth + 20, kTop), untouched);
}

TEST_F(CodecRoundTripTest, DecompressRefusals) {
    std::vector<Picture> sources;
    std::vector<std::vector<UInt8>> frames;
    Record(Source::ARGB32, sources, frames);
    ComponentInstance ci = OpenDecompressor();
    Description desc(kWidth, kHeight, 32);
    Picture dest(kWidth, kHeight, 32);
    auto bandDecompress = [&](auto&& change) {
        (*desc).dataSize = static_cast<SInt32>(frames[0].size());
        DecompressCall call(desc, frames[0], dest);
        change(call);
        return ImageCodecBandDecompress(ci, &call.params);
    };
    auto nothing = [](DecompressCall&) {};
    // Band decompress before predecompress.
    EXPECT_EQ(bandDecompress(nothing), codecConditionErr);
    {
        DecompressCall call(desc, frames[0], dest);
        ASSERT_EQ(ImageCodecPreDecompress(ci, &call.params), noErr);
    }
    EXPECT_EQ(bandDecompress([&](DecompressCall&) { (*desc).dataSize = 0; }), codecImageBufErr);
    // More data than the caller's buffer holds, or than any frame can need.
    EXPECT_EQ(bandDecompress([](DecompressCall& c) { c.params.bufferSize = 20; }), codecBadDataErr);
    EXPECT_EQ(bandDecompress([&](DecompressCall&) { (*desc).dataSize = 0x7FFFFFF0; }),
              codecBadDataErr);
    // A destination the frame does not fit, or of another pixel size.
    EXPECT_EQ(bandDecompress([](DecompressCall& c) { c.params.dstRect.left = 1; }), paramErr);
    EXPECT_EQ(bandDecompress([](DecompressCall& c) { c.params.dstPixMap.bounds.right -= 1; }),
              paramErr);
    EXPECT_EQ(bandDecompress([](DecompressCall& c) { c.params.dstPixMap.pixelSize = 16; }),
              paramErr);
    // Corrupt deflate data: zlib's error, destination untouched.
    std::vector<UInt8> before = dest.bytes;
    frames[0][5] ^= 0xFF;
    frames[0][6] ^= 0xFF;
    EXPECT_LT(bandDecompress(nothing), 0);
    EXPECT_EQ(dest.bytes, before);

    CodecDecompressParams params{};
    CodecCapabilities caps{};
    Description odd(kWidth, kHeight, 40);
    params.imageDescription = odd.handle();
    params.capabilities = &caps;
    EXPECT_EQ(ImageCodecPreflight(ci, &params), codecConditionErr);
    ImageSubCodecDecompressRecord drp{};
    std::vector<UInt8> record(sizeof(MVDKFrameInfo));
    drp.userDecompressRecord = record.data();
    EXPECT_EQ(ImageCodecDrawBand(ci, &drp), codecBadDataErr);
}

}  // namespace
}  // namespace mvdtest

// Fuzzes MVDK frame decompression and decoding with untrusted frame data,
// then checks that the picture it produced survives our own encoder:
// compressed as a key frame and as a difference frame, it decodes back
// pixel for pixel.
//
// Input: 4 bytes of set-up, then the frame data.
//   bytes 0-1  width - 1 (little-endian, modulo 320)
//   byte 2     height - 1 (modulo 96)
//   byte 3     bits 0-2: depth 8, 16, 24, 32, 4 or 12; bit 3: decode the data
//              as a raw stream (skip the zlib stage); bit 4: lines bottom-up
//              (negative row stride); bits 5-7: row padding in 4-byte steps
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Codec/MVDKDecoder.h"
#include "Codec/MVDKFrameCompressor.h"
#include "Codec/MVDKFrameDecompressor.h"

namespace {

constexpr int32_t kMaxWidth = 320;
constexpr int32_t kMaxHeight = 96;
constexpr uint16_t kDepths[] = {8, 16, 24, 32, 4, 12, 8, 32};

struct Picture {
    MVDKFrameInfo info{};
    int32_t rowBytes = 0;  // negative: the first line sits at the end of the buffer
    std::vector<uint8_t> bytes;
    uint8_t* first() { return bytes.data() + (rowBytes < 0 ? bytes.size() + rowBytes : 0); }
};

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// Compresses picture (against before) and decodes the result onto a copy of
// `onto`; the copy must then equal picture.
void CheckReencoded(Picture& picture, Picture& before, bool key) {
    MVDKFrameInfo info = picture.info;
    info.srcPixelSize = info.depth;
    MVDKFrameCompressor compressor;
    Check(compressor.beginSequence(info.width, info.height, info.depth) == noErr);
    std::vector<uint8_t> data(
        MVDKFrameCompressor::MaxFrameDataSize(info.width, info.height, info.depth));
    MVDKCompressOptions options;
    Check(
        compressor
            .compressFrame(info, before.first(), before.rowBytes, options, data.data(), data.size())
            .err == noErr);
    options.frameNumber = 1;
    options.forceKeyFrame = key;
    const MVDKCompressResult r = compressor.compressFrame(info, picture.first(), picture.rowBytes,
                                                          options, data.data(), data.size());
    Check(r.err == noErr);
    Picture decoded = key ? picture : before;
    if (key) {  // a key frame must write every pixel; row padding stays as it is
        const size_t stride = static_cast<size_t>(std::abs(decoded.rowBytes));
        const size_t line =
            static_cast<size_t>(info.width) * mvdk::DecodedBytesPerPixel(info.depth);
        for (size_t y = 0; y < static_cast<size_t>(info.height); ++y) {
            std::memset(decoded.bytes.data() + y * stride, 0x5C, line);
        }
    }
    MVDKFrameDecompressor decompressor;
    Check(decompressor.decompressFrame(info, data.data(), r.dataLength, decoded.first(),
                                       decoded.rowBytes) == noErr);
    Check(decoded.bytes == picture.bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    if (size < 4)
        return 0;
    const int32_t width = 1 + (input[0] | input[1] << 8) % kMaxWidth;
    const int32_t height = 1 + input[2] % kMaxHeight;
    const uint16_t depth = kDepths[input[3] & 7];
    const bool raw = (input[3] & 0x08) != 0;
    const bool bottomUp = (input[3] & 0x10) != 0;
    const int32_t pad = (input[3] >> 5) * 4;
    const uint8_t* data = input + 4;
    const size_t length = size - 4;

    Picture picture;
    picture.info = {0, width, height, 0, depth};
    const int32_t pixelBytes = mvdk::DecodedBytesPerPixel(depth);
    const int32_t stride = width * pixelBytes + pad;
    picture.rowBytes = bottomUp ? -stride : stride;
    picture.bytes.resize(static_cast<size_t>(stride) * height);
    for (size_t i = 0; i < picture.bytes.size(); ++i) {
        picture.bytes[i] = static_cast<uint8_t>(i * 7 / 5);
    }
    Picture before = picture;

    if (raw) {
        MVDK_Decode(&picture.info, picture.first(), data, picture.rowBytes,
                    static_cast<uint32_t>(length));
    } else {
        MVDKFrameDecompressor decompressor;
        const OSErr err = decompressor.decompressFrame(picture.info, data, length, picture.first(),
                                                       picture.rowBytes);
        if (err != noErr) {
            Check(picture.bytes == before.bytes);  // failures leave the picture alone
            return 0;
        }
    }
    // Row padding is never written.
    for (int32_t y = 0; y < height && pad > 0; ++y) {
        const size_t end = static_cast<size_t>(y + 1) * stride;
        for (size_t i = end - pad; i < end; ++i)
            Check(picture.bytes[i] == before.bytes[i]);
    }
    // Depths 8, 16 and 32 are decoded in the layout the encoder reads.
    if (depth == 8 || depth == 16 || depth == 32) {
        CheckReencoded(picture, before, true);
        CheckReencoded(picture, before, false);
    }
    return 0;
}

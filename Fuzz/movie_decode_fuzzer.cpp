// Feeds untrusted video samples through the decompressor components, as a
// movie player would: an image description, then samples in decode order.
//
// Input: codec (1 byte: 0 'mvdk', 1 'rle ', 2 'raw ', 3 'MVRC' capture
// frame records), width - 1 and height - 1 (1 byte each, taken mod 64),
// depth (1 byte: 32, 24, 16 or 8 by its value mod 4), output order (bit 0
// of 1 byte: BGRA when set; bit 1 picks the 'MVRC' frames' format), then
// samples, each a 2-byte little-endian length and that many bytes (the last
// one takes what is left).  Every call must give noErr or an error code,
// keep the frame the size of the picture, and never touch memory outside
// the buffers (the sanitizers check that).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "Capture/MVRCDecompressor.h"
#include "Capture/MVRCImageDescription.h"
#include "Codec/MVDKCodecComponent.h"
#include "ImageCompression/MovieFrameDecoder.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The screen codec reads its preferences when opened: keep them out of
    // the user's folder.
    static std::string home = "/tmp/movie_decode_fuzzer_home";
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    Check(MVDKRegisterDecoderComponent() != nullptr);
    Check(MVRCRegisterDecompressorComponent() != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) {
        return 0;
    }
    static const CodecType kCodecs[] = {kMVDKCodecType, kAnimationCodecType, kRawCodecType,
                                        kMVRCCodecType};
    static const SInt16 kDepths[] = {32, 24, 16, 8};
    // The fixed record, then the pixel format that 'MVRC' descriptions carry.
    UInt8 bytes[kMVRCImageDescriptionSize] = {};
    ImageDescription desc{};
    desc.idSize = kMVRCImageDescriptionSize;
    desc.cType = kCodecs[data[0] % 4];
    desc.width = static_cast<SInt16>(1 + data[1] % 64);
    desc.height = static_cast<SInt16>(1 + data[2] % 64);
    desc.depth = kDepths[data[3] % 4];
    std::memcpy(bytes, &desc, sizeof(desc));
    bytes[91] = (data[4] & 2) ? 0x20 : 'A';
    if ((data[4] & 2) == 0) {
        bytes[88] = 'B', bytes[89] = 'G', bytes[90] = 'R';
    }
    const CVPixelFormatType format =
        (data[4] & 1) ? kCVPixelFormatType_32BGRA : kCVPixelFormatType_32ARGB;

    MovieFrameDecoder decoder;
    if (decoder.begin(std::span(bytes, sizeof(bytes)), format) != noErr) {
        return 0;
    }
    const size_t frameSize = size_t{4} * desc.width * desc.height;
    std::span<const uint8_t> rest(data + 5, size - 5);
    while (!rest.empty()) {
        size_t length = rest.size();
        if (rest.size() >= 2) {
            length = std::min<size_t>(rest[0] | rest[1] << 8, rest.size() - 2);
            rest = rest.subspan(2);
        }
        (void)decoder.decodeFrame(rest.first(length));
        Check(decoder.frame().size() == frameSize);
        rest = rest.subspan(length);
    }
    return 0;
}

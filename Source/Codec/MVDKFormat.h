// The MVDK screen codec: the description of one frame, the encoder flags and
// the codes of the run-length stream (docs/formats/mvdk-frame.md).
#pragma once

#include <cstddef>
#include <cstdint>

// One frame as the encoder and the decoder see it.
struct MVDKFrameInfo {
    uint32_t srcPixelSize;  // bits per source pixel; when decoding, the frame data length
    int32_t width;          // pixels per line
    int32_t height;         // lines
    uint16_t flipped;       // non-zero: the source stores the bottom line first (32-bit sources)
    uint16_t depth;         // image depth of the frame: 8, 16, 24 or 32
};

// Encoder flags.
enum : uint32_t {
    kMVDKLiteralsOnly = 1,  // no run search: every stretch is coded as literals
    kMVDKDrop2Bits = 4,     // depth 16: clear the two low bits of each component
    kMVDKDrop1Bit = 8,      // depth 16, without kMVDKDrop2Bits: clear the low bit of each
};

namespace mvdk {

// A count byte of 0 introduces an escape; the byte after it selects which.
constexpr uint8_t kEscape = 0;
constexpr uint8_t kEndOfLine = 0;
constexpr uint8_t kEndOfFrame = 1;
constexpr uint8_t kSkip = 2;
constexpr uint8_t kMinLiteral = 3;  // escape values 3..255 are literal lengths
constexpr int kMaxCount = 255;

// Frame data of this length or less is the stream itself; longer data is a
// zlib stream whose content is the run-length stream.
constexpr size_t kMaxStoredLength = 10;

// Bytes per pixel inside the stream: 1 at depth 8 and below, 2, 3 or 4 at
// depths 16, 24 and 32, 0 for any other depth.
constexpr int StreamBytesPerPixel(unsigned depth) {
    if (depth <= 8)
        return 1;
    if (depth == 16 || depth == 24 || depth == 32)
        return static_cast<int>(depth / 8);
    return 0;
}

// Bytes per pixel of the source buffer the encoder reads: a 24-bit frame is
// read from 4-byte pixels when srcPixelSize is 32.
constexpr int SourceBytesPerPixel(unsigned depth, uint32_t srcPixelSize) {
    if (depth == 24 && srcPixelSize == 32)
        return 4;
    return StreamBytesPerPixel(depth);
}

// Bytes per pixel the decoder writes: 1, 2, 4 (depths 24 and 32), or 0.
constexpr int DecodedBytesPerPixel(unsigned depth) {
    const int stream = StreamBytesPerPixel(depth);
    return stream == 3 ? 4 : stream;
}

// The largest stream the encoder can produce for a frame, with or without a
// size limit: every pixel coded as a run of 1 (count byte + pixel), an end of
// line and a skip per line, further skips for moves of more than 255 lines,
// and the end of frame.  0 for an unsupported depth or a negative size.
size_t EncodeBound(int32_t width, int32_t height, unsigned depth);

// Size of the inflate buffer that holds any stream of a frame decoded into
// rows of rowBytes: twice the destination, or the encode bound when larger
// (narrow frames).
size_t InflateCapacity(int32_t width, int32_t height, unsigned depth, size_t rowBytes);

}  // namespace mvdk

// Layout of the MVRC capture file: tags, the file and frame headers, the
// compression types and the limits that writer and reader share.  The full
// description is docs/formats/mvrc-capture.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "MVDCommon/MVDTypes.h"

// Every chunk starts with four ASCII characters and a zero byte.
constexpr size_t kMVRCTagSize = 5;
inline constexpr unsigned char kMVRCSignatureTag[kMVRCTagSize] = {'M', 'V', 'R', 'C', 0};
inline constexpr unsigned char kMVRCFrameTag[kMVRCTagSize] = {'S', 'M', 'P', 'L', 0};
inline constexpr unsigned char kMVRCRectDataTag[kMVRCTagSize] = {'D', 'R', 'D', 'T', 0};
inline constexpr unsigned char kMVRCSpriteTag[kMVRCTagSize] = {'S', 'P', 'D', 'T', 0};
inline constexpr unsigned char kMVRCEndTag[kMVRCTagSize] = {'E', 'O', 'F', ' ', 0};

constexpr size_t kMVRCHeaderSize = 22;
constexpr size_t kMVRCFrameHeaderSize = 14;
constexpr size_t kMVRCRectSize = 16;
constexpr uint8_t kMVRCVersion = 1;

// The largest frame either side accepts: 16384 pixels a side and 2^27 pixels
// in all (a 16K x 8K screen), 4 bytes per pixel.
constexpr uint32_t kMVRCMaxDimension = 16384;
constexpr uint64_t kMVRCMaxPixels = uint64_t{1} << 27;

enum MVRCCompressionType : uint8_t {
    kMVRCCompressionNone = 0,
    kMVRCCompressionZlib = 1,
    kMVRCCompressionDeltaRLE = 2,
    kMVRCCompressionDeltaRLEZlib = 3,
    kMVRCCompressionYUVDeltaRLE = 4,
};
constexpr uint8_t kMVRCCompressionTypeCount = 5;

// The 22-byte file header, field by field (the file holds it little-endian
// and unpadded; use MVRCEncodeHeader/MVRCDecodeHeader for the bytes).
struct _MVRCHeader {
    unsigned char signature[kMVRCTagSize];
    uint8_t version;
    uint32_t width;
    uint32_t height;
    uint32_t pixelFormat;
    uint32_t bytesPerPixel;

    tagMVDImageFormat format() const { return {width, height, pixelFormat, bytesPerPixel}; }
};

// The 14-byte header of a frame record that follows its "SMPL" tag.
struct _MVRCFrameHeader {
    uint32_t frameRate;
    uint32_t duration;
    uint8_t keyFrame;
    uint8_t compressionType;
    uint32_t rectCount;
};

inline void MVRCStore32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

inline uint32_t MVRCLoad32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline bool MVRCTagEquals(const unsigned char* bytes, const unsigned char (&tag)[kMVRCTagSize]) {
    return std::memcmp(bytes, tag, kMVRCTagSize) == 0;
}

void MVRCEncodeHeader(const _MVRCHeader& header, unsigned char out[kMVRCHeaderSize]);
void MVRCDecodeHeader(const unsigned char in[kMVRCHeaderSize], _MVRCHeader* header);
void MVRCEncodeFrameHeader(const _MVRCFrameHeader& header, unsigned char out[kMVRCFrameHeaderSize]);
void MVRCDecodeFrameHeader(const unsigned char in[kMVRCFrameHeaderSize], _MVRCFrameHeader* header);
void MVRCEncodeRect(const tagMVDRect& rect, unsigned char out[kMVRCRectSize]);
tagMVDRect MVRCDecodeRect(const unsigned char in[kMVRCRectSize]);

// The mask that Delta RLE comparisons apply to a pixel of this format: the
// alpha byte is cleared for the two 32-bit screen formats, so alpha never
// counts as a change and is not stored.  Other formats keep all four bytes.
uint32_t MVRCPixelMaskForFormat(unsigned long pixelFormat);

// True when a frame of this format can be written and read: both sides
// within the limits above, 4 bytes per pixel.
bool MVRCIsSupportedFormat(const tagMVDImageFormat& format);

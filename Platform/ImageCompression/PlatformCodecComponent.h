// The image codecs the platform registers itself, each as a compressor
// ('imco') and a decompressor ('imdc') sharing one entry point:
//   'rle '  the Animation codec at depth 32 (AnimationCodec.h): key and
//           difference frames;
//   'raw '  uncompressed 32-bit alpha, red, green, blue lines, every frame a
//           key frame.
//
// Both work on 32-bit alpha, red, green, blue pictures, one band per frame.
// Compression: precompress starts a sequence (depth 32 only, else
// codecConditionErr) and asks for k32ARGBPixelFormat sources; band compress
// codes a frame as a key frame when it is frame 0, forced
// (codecFlagForceKeyFrame) or the temporal quality is 0, and reports a
// similarity of 0 for key frames.  Decompression runs through the base
// image decompressor: preflight, initialize, then begin band and draw band
// per frame, drawing onto the 32-bit destination, which holds the previous
// picture.  The frame data must all be at CodecDecompressParams::data (no
// data-loading procedure); its size is the image description's data size,
// bounded by bufferSize when that is set.  Damaged data gives
// codecBadDataErr, never a read or write outside the buffers.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "Components/Components.h"
#include "ImageCompression/ImageCodec.h"

namespace icm {

// What differs between the platform's codecs.
class PlatformFrameCoder {
  public:
    virtual ~PlatformFrameCoder() = default;

    // Upper bound of one frame's data.
    virtual size_t maxFrameSize(int width, int height) const = 0;
    // Starts a compression sequence of this size.
    virtual OSErr beginSequence(int width, int height) = 0;
    // Codes one 32-bit ARGB frame of the sequence's size into out;
    // *keyFrame tells whether it was coded as a key frame.  codecErr when
    // out is too small.
    virtual OSErr compressFrame(const UInt8* pixels, long rowBytes, bool wantKeyFrame, UInt8* out,
                                size_t capacity, size_t* size, bool* keyFrame) = 0;
    // Starts a decompression sequence of this description (handle and all:
    // codecs may read what follows the fixed record, up to its size).
    virtual OSErr beginDecompression(ImageDescriptionHandle /*description*/) { return noErr; }
    // Draws one frame's data onto a 32-bit ARGB picture.
    virtual OSErr decodeFrame(std::span<const UInt8> data, UInt8* pixels, long rowBytes, int width,
                              int height) = 0;
};

struct PlatformCodecDefinition {
    CodecType type;
    const char* name;  // the codec's name in its CodecInfo
    SInt32 flags;      // compress and decompress flags (codecInfoDoes*)
    std::unique_ptr<PlatformFrameCoder> (*makeCoder)();
};

// The entry point shared by the platform's codecs.
ComponentResult PlatformCodecDispatch(ComponentParameters* params, Handle storage,
                                      const PlatformCodecDefinition& codec);

ComponentResult AnimationCodecComponentDispatch(ComponentParameters* params, Handle storage);
ComponentResult RawCodecComponentDispatch(ComponentParameters* params, Handle storage);

// Manufacturer of the platform's own codecs.
enum : OSType { kPlatformCodecManufacturer = 'pltf' };
constexpr SInt32 kPlatformCodecFormatFlags = codecInfoDepth32 | codecInfoDoesLossless;
constexpr ComponentResult kPlatformCodecVersion = 0x00010000;

}  // namespace icm

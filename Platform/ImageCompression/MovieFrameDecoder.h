// Turns the samples of a video track back into pictures, through the
// decompressor component registered for the codec type (as a host player
// would: predecompress once, then band decompress per sample).  The picture
// is kept from one sample to the next, so difference frames draw onto the
// frame before them; samples must come in decode order.
//
// Every description and sample is untrusted: a bad description, a codec
// type without a decompressor or a damaged sample gives an error code,
// never a read or write outside the buffers.  After a damaged sample the
// picture holds whatever the codec drew before it stopped.
//
//   MovieFrameDecoder decoder;
//   decoder.begin(descriptionBytes, kCVPixelFormatType_32BGRA);
//   for (each sample) { decoder.decodeFrame(sample); use(decoder.frame()); }
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "Components/Components.h"
#include "CoreVideo/CVPixelBuffer.h"
#include "ImageCompression/ImageCodec.h"

namespace qtfile {
class MovieFileReader;
}

class MovieFrameDecoder {
  public:
    // Largest picture accepted (pixels); pictures are also limited to what
    // 16-bit row bytes can address.
    static constexpr int64_t kMaxPixels = int64_t{1} << 26;

    MovieFrameDecoder() = default;
    ~MovieFrameDecoder();
    MovieFrameDecoder(const MovieFrameDecoder&) = delete;
    MovieFrameDecoder& operator=(const MovieFrameDecoder&) = delete;

    // Prepares for samples of this description (its in-memory form: the
    // 86-byte record with host-order numbers, then any extensions up to its
    // size, which the codec receives with it; at most 64 KiB) and
    // frames in outputFormat (32-bit ARGB or BGRA).  The picture starts
    // all zero.  Errors: paramErr (description too short or impossible,
    // unknown output format), noCodecErr (no decompressor for the codec
    // type), codecConditionErr (a depth the picture cannot be shown in), or
    // the codec's error.
    OSErr begin(std::span<const UInt8> imageDescription, CVPixelFormatType outputFormat);
    // Releases the decompressor; begin may be called again.
    void end();

    // Decodes the next sample onto the picture.  codecBadDataErr for an
    // empty sample, else the codec's error (the picture may be partly drawn).
    OSErr decodeFrame(std::span<const UInt8> sample);

    int width() const { return m_width; }
    int height() const { return m_height; }
    size_t rowBytes() const { return static_cast<size_t>(m_width) * 4; }
    // The current picture in the output format: height lines of rowBytes().
    std::span<const UInt8> frame() const { return m_frame; }
    uint32_t framesDecoded() const { return m_frameNumber; }

  private:
    OSErr openCodec(CodecType type);
    CodecDecompressParams paramsFor(const UInt8* data, size_t size);

    ComponentInstance m_codec = nullptr;
    ImageDescriptionHandle m_description = nullptr;
    CodecCapabilities m_capabilities{};
    int m_width = 0;
    int m_height = 0;
    OSType m_codecFormat = 0;  // the pixel format the codec draws in
    long m_pictureRowBytes = 0;
    std::vector<UInt8> m_picture;  // what the codec draws on
    OSType m_outputFormat = 0;
    std::vector<UInt8> m_frame;  // the picture in the output format
    uint32_t m_frameNumber = 0;
};

// Decodes the samples of a video track of a movie file in order, calling
// each(sampleIndex, decoder) after every sample; each returns false to stop.
// A new sample description begins a new picture.  Returns noErr, the first
// error (a sample that cannot be read gives ioErr, a description that
// cannot be read badImageDescription), or paramErr for a track
// that is not video.
OSErr DecodeTrackFrames(const qtfile::MovieFileReader& reader, size_t trackIndex,
                        CVPixelFormatType outputFormat,
                        const std::function<bool(uint32_t, const MovieFrameDecoder&)>& each);

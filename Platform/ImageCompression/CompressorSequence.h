// One compression sequence on a compressor component, driven as the host's
// Image Compression Manager drives it: the codec information names the
// frames, precompress starts the sequence and says which source pixel format
// the codec wants, and each frame is one band compress call with the whole
// frame as its band.  Sources in another pixel format are converted into a
// buffer of the wanted format first.
//
// Not safe for concurrent use; a session calls it from one thread at a time.
#pragma once

#include <cstddef>
#include <vector>

#include "Components/Components.h"
#include "CoreVideo/CVPixelBuffer.h"
#include "ImageCompression/ImageCodec.h"

namespace icm {

struct SequenceSettings {
    CodecType codecType = 0;
    Component compressor = nullptr;  // a component or an open instance; null: find one
    int width = 0;
    int height = 0;
    SInt16 depth = 32;
    CodecQ spatialQuality = codecNormalQuality;
    bool temporalCompression = false;
};

// What one frame came to.
struct SequenceFrame {
    size_t size = 0;         // bytes of frame data written
    bool keyFrame = false;   // the codec reported a similarity of 0
    bool converted = false;  // the source was copied into the wanted format
};

class CompressorSequence {
  public:
    CompressorSequence() = default;
    ~CompressorSequence();
    CompressorSequence(const CompressorSequence&) = delete;
    CompressorSequence& operator=(const CompressorSequence&) = delete;

    // Opens (or adopts) the compressor and runs precompress.  noCodecErr when
    // no compressor serves the codec type, paramErr for a bad size or depth,
    // else the codec's error.
    OSStatus begin(const SequenceSettings& settings);

    // Bytes of room a frame's data may need.
    size_t maxFrameSize() const { return m_maxFrameSize; }

    // The description of the sequence's frames, data size 0 (the session
    // hands it to the media unchanged for every frame).
    const ImageDescription& description() const { return m_description; }

    // Compresses one frame (the sequence's size, 32-bit ARGB or BGRA) into
    // out, which holds maxFrameSize() bytes.  temporalQuality 0 asks for a
    // key frame, as does forceKeyFrame.  onConverted is called (with the
    // source no longer needed) right after a source was converted.
    template <typename OnConverted>
    OSStatus compress(CVPixelBufferRef source, bool forceKeyFrame, CodecQ spatialQuality,
                      CodecQ temporalQuality, UInt8* out, SequenceFrame& frame,
                      OnConverted&& onConverted) {
        PixMap pixels{};
        OSStatus err = sourcePixels(source, pixels, frame.converted);
        if (err != noErr) {
            return err;
        }
        if (frame.converted) {
            onConverted();
        }
        return bandCompress(pixels, forceKeyFrame, spatialQuality, temporalQuality, out, frame);
    }

  private:
    OSStatus openCompressor(const SequenceSettings& settings);
    OSStatus describe(const SequenceSettings& settings);
    OSStatus sourcePixels(CVPixelBufferRef source, PixMap& pixels, bool& converted);
    OSStatus bandCompress(const PixMap& pixels, bool forceKeyFrame, CodecQ spatialQuality,
                          CodecQ temporalQuality, UInt8* out, SequenceFrame& frame);
    PixMap pixMapFor(void* base, long rowBytes, OSType format) const;

    ComponentInstance m_codec = nullptr;
    bool m_ownsCodec = false;
    ImageDescription m_description{};
    ImageDescriptionHandle m_workDescription = nullptr;  // what the codec sees and updates
    CodecCapabilities m_capabilities{};
    OSType m_wantedFormat = 0;
    size_t m_maxFrameSize = 0;
    long m_frameNumber = 0;
    std::vector<UInt8> m_converted;  // the source in the wanted format
    long m_convertedRowBytes = 0;
};

// The pixel format that a codec asking for this pixel size wants when it
// names none itself; 0 for sizes without one here.
OSType DefaultPixelFormatForDepth(int pixelSize);

}  // namespace icm

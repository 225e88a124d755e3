// The parts of a capture frame record that both writers produce: the capture
// file writer (into its file) and the capture-to-movie writer (into one movie
// sample).  Each part is written to a byte sink, so the same code serves a
// file and a bounded buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Capture/MVRCFormat.h"
#include "CoreGraphics/CGGeometry.h"
#include "MVDCommon/MVDImage.h"

class ZlibDeflater;

// Where the bytes of a record go.
class MVRCByteSink {
  public:
    virtual ~MVRCByteSink() = default;
    virtual void write(const void* bytes, size_t n) = 0;
};

// A recorder rectangle truncated toward zero (saturated at the limits of 32
// bits; NaN as 0).
tagMVDRect MVRCTruncatedRect(const CGRect& rect);
// The same, then clipped to a frame of width x height: every result lies
// inside the frame (its width or height may be 0).
tagMVDRect MVRCClippedRect(const CGRect& rect, uint32_t width, uint32_t height);

// The tag "SMPL" and the 14-byte frame header.
void MVRCWriteFrameHead(MVRCByteSink& sink, const _MVRCFrameHeader& frame);
// The rectangle list, 16 bytes per rectangle.
void MVRCWriteRectList(MVRCByteSink& sink, const tagMVDRect* rects, unsigned int count);
// The tag "DRDT" and a chunk size.
void MVRCWriteChunkHead(MVRCByteSink& sink, uint32_t size);
// A sprite chunk placing the sprite at `where`: with an image, its pixel
// format, byte count and pixels follow (where's size must be the image's);
// without one, the last image sent is drawn again.
void MVRCWriteSpriteChunk(MVRCByteSink& sink, const tagMVDRect& where, const MVDImage* image);

// Codes rectangles of a frame with Delta RLE (compression type 2) or Delta
// RLE and zlib (type 3), one "DRDT" chunk each.  Its buffers are sized once
// per frame size, so coding a frame allocates nothing after the first.
class MVRCDeltaRLEChunkCoder {
  public:
    MVRCDeltaRLEChunkCoder();
    ~MVRCDeltaRLEChunkCoder();
    MVRCDeltaRLEChunkCoder(const MVRCDeltaRLEChunkCoder&) = delete;
    MVRCDeltaRLEChunkCoder& operator=(const MVRCDeltaRLEChunkCoder&) = delete;

    // Frames of this size and pixel format follow.
    void setFrameFormat(const tagMVDImageFormat& format);
    // The zlib level of type 3 (zlib's 0 to 9, or -1 for its default).
    void setZlibLevel(int level);

    // One chunk per rectangle (each inside the frame) of cur, coded against
    // prev, or on its own when prev is null; deflated when `deflated`.
    void writeChunks(MVRCByteSink& sink, const unsigned char* prev, const unsigned char* cur,
                     const tagMVDRect* rects, unsigned int count, bool deflated);

  private:
    ZlibDeflater& deflater();

    int m_width = 0;
    int m_height = 0;
    uint32_t m_pixelMask = 0xFFFFFFFFu;
    int m_zlibLevel = 1;
    std::vector<unsigned char> m_rleBuffer;   // one rectangle at worst
    std::vector<unsigned char> m_zlibBuffer;  // its deflated form
    std::unique_ptr<ZlibDeflater> m_deflater;
};

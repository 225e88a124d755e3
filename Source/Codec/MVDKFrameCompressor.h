// Compression of a sequence of screen frames into MVDK frame data: the
// key-frame decision, the size limit with its literals-only fallback, the
// choice between stored and deflated data, and the copy of the previous
// frame that difference frames are coded against.
//
// A sequence starts with beginSequence(), which allocates the work buffer
// once; the previous-frame buffer is allocated by the first frame.  No
// allocation happens per frame after that.
//
// Per frame:
//   1. Key frame when it is the first frame of the sequence, frame number 0,
//      forced by the caller, or asked for by a temporal quality of 0
//      (similarity 0); otherwise a difference frame (similarity 0x7FFEFFFF).
//   2. Encode with a limit of half the raw frame size; over the limit, encode
//      again literals-only without a limit.
//   3. A stream under 11 bytes is stored as it is; a longer one is deflated
//      (with zlib: filtered strategy, default strategy after the fallback).
//   4. Unless the stream is the 2-byte unchanged frame, the source becomes
//      the previous frame; a failed frame leaves it as it was.
//
// The previous frame is kept compactly, in stream line order, so a change of
// row stride or of `flipped` between frames cannot make it misread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Base/MacTypes.h"
#include "Codec/MVDKFormat.h"
#include "Codec/MVDKFrameEncoder.h"
#include "Compression/ZlibCompressor.h"

// What the caller decides for one frame.
struct MVDKCompressOptions {
    uint32_t frameNumber = 0;        // frame 0 is a key frame
    bool forceKeyFrame = false;      // the caller asks for a key frame
    uint32_t temporalQuality = 512;  // normal quality; 0 asks for a key frame
    int level = 6;                   // zlib level
    bool swap = true;                // 32-bit output: reverse each source pixel's bytes
    bool updatePrevious = true;      // false: produce the frame but keep the previous one
};

// What came of one frame.
struct MVDKCompressResult {
    OSErr err = noErr;
    uint32_t dataLength = 0;  // bytes of frame data in dst
    uint32_t similarity = 0;  // 0 for a key frame, 0x7FFEFFFF otherwise
    bool keyFrame = false;
    bool literalsOnly = false;  // the size limit was exceeded and the fallback used
    uint32_t streamLength = 0;  // run-length stream before deflating
};

class MVDKFrameCompressor {
  public:
    static constexpr uint32_t kKeyFrameSimilarity = 0;
    static constexpr uint32_t kDifferenceSimilarity = 0x7FFEFFFF;

    // Starts a sequence of width x height frames at depth 8, 16, 24 or 32
    // (else codecConditionErr); releases the previous frame.  paramErr for a
    // size below 1 x 1, codecSizeErr when a stream could exceed 2^31 - 1
    // bytes, memFullErr when the buffers cannot be allocated.
    OSErr beginSequence(int32_t width, int32_t height, uint16_t depth);

    // Releases the buffers; a new sequence must begin before the next frame.
    void endSequence();

    // Compresses one frame of the sequence into dst (capacity dstCapacity).
    // info: srcPixelSize, width, height, flipped, depth of the source;
    // src and rowBytes: its first line in memory and line stride.
    // Errors: codecSizeErr for a depth below 8; codecConditionErr before
    // beginSequence; paramErr for a null source, a size or depth other than
    // the sequence's, or a stride shorter than a line; codecErr when encoding
    // or deflating fails (also when dst is too small); memFullErr.
    MVDKCompressResult compressFrame(const MVDKFrameInfo& info, const void* src, int32_t rowBytes,
                                     const MVDKCompressOptions& options, void* dst,
                                     size_t dstCapacity);

    // A destination capacity that fits any frame of this size and depth:
    // the deflate bound of the longest stream.  0 for an unsupported depth.
    static size_t MaxFrameDataSize(int32_t width, int32_t height, uint16_t depth);

    // The previous frame: height lines of width x source-bytes-per-pixel
    // bytes, bottom line (stream line 0) first.  Empty before the first frame.
    std::span<const uint8_t> previousFrame() const { return m_prev; }

    // The deflater of the zlib stage (libdeflate by default when built with
    // it); frames stay valid zlib streams either way.
    void setDeflateBackend(mvd::DeflateBackend backend) { m_deflater.setBackend(backend); }

  private:
    int32_t encode(const MVDKFrameInfo& info, const mvdk::Plane& src, bool key, uint32_t flags,
                   int32_t maxSize, bool swap);
    OSErr store(int32_t streamLength, bool fallback, int level, void* dst, size_t capacity,
                uint32_t& dataLength);
    void keepAsPrevious(const mvdk::Plane& src, bool key);
    mvdk::Plane previousPlane() const;

    int32_t m_width = 0;
    int32_t m_height = 0;
    uint16_t m_depth = 0;
    bool m_begun = false;
    int32_t m_maxSize = 0;        // limit of the first encoding: half the raw frame
    int m_prevPixelBytes = 0;     // source bytes per pixel of m_prev
    bool m_havePrevious = false;  // m_prev holds a frame of this sequence
    std::vector<uint8_t> m_work;
    std::vector<uint8_t> m_prev;
    std::vector<mvdk::LineSpan> m_changed;
    mvd::ZlibCompressor m_deflater;
};

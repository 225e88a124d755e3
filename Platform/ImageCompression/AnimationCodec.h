// The QuickTime Animation codec ('rle ') at depth 32: 32-bit pixels with their
// alpha kept, coded losslessly as runs, literals and skips.
//
// Sample layout (numbers big-endian):
//   chunk size   4 bytes  size of the whole sample
//   header       2 bytes  0x0000: every line is coded;
//                         0x0008: 8 bytes follow: first coded line (2), 0 (2),
//                                 number of coded lines (2), 0 (2)
//   per coded line: a skip byte (pixels to skip + 1; 0 ends the sample
//   early), then codes, each a signed count byte:
//        n > 0    n pixels follow, 4 bytes each (alpha, red, green, blue)
//        n < -1   one pixel follows, drawn -n times (runs of 2 to 128)
//        0        a skip byte follows (pixels to skip + 1)
//        -1       end of the line
// A sample shorter than 8 bytes, or whose chunk size is under 8, changes
// nothing.  Lines and pixels that a
// sample does not reach keep what the previous picture had there.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "Base/MacTypes.h"

// Memory order of the four bytes of one 32-bit pixel.
enum class AnimationPixelOrder : UInt8 {
    kARGB,  // alpha, red, green, blue (the order of the coded pixels)
    kBGRA,  // blue, green, red, alpha
};

// Pixels in caller memory.  Row y starts at pixels + y * rowBytes; rowBytes
// may be negative (bottom-up rows) and need not be a multiple of 4, but its
// magnitude is at least width * 4.
struct AnimationConstImage {
    const void* pixels;
    long rowBytes;
    int width;
    int height;
    AnimationPixelOrder order;
};

struct AnimationImage {
    void* pixels;
    long rowBytes;
    int width;
    int height;
    AnimationPixelOrder order;

    operator AnimationConstImage() const { return {pixels, rowBytes, width, height, order}; }
};

// Largest picture side the samples can describe (line numbers are 16-bit;
// the host's picture coordinates are signed 16-bit).
inline constexpr int kAnimationMaxDimension = 32767;

// Upper bound of the size of any sample the encoder writes for a picture of
// this size: 14 header bytes, then per line 2 + 4 * width + ceil(width / 127)
// bytes (a line of literals, one count byte per 127 pixels, with its skip
// byte and end code; runs and skips never cost more).  0 for a size outside
// 1..kAnimationMaxDimension.
size_t AnimationMaxSampleSize(int width, int height);

// Codes every line of `frame` into `out`, which holds at least
// AnimationMaxSampleSize(width, height) bytes.  Returns the sample's size, or
// 0 when `frame` is not a valid picture (no pixels, size out of range, rows
// shorter than the width).
size_t AnimationEncodeKeyFrame(const AnimationConstImage& frame, UInt8* out);

// Codes what changed from `previous` to `frame` (same size and pixel order):
// the band from the first to the last changed line, with unchanged stretches
// skipped.  When nothing changed the sample is 16 bytes that change nothing
// (one coded line holding only its end code).  Returns the sample's size, or
// 0 when the pictures are not valid or do not match.
size_t AnimationEncodeDifferenceFrame(const AnimationConstImage& frame,
                                      const AnimationConstImage& previous, UInt8* out);

// Draws one sample onto `picture`, which holds the previous frame.  The sample
// is untrusted: every count is checked against the bytes left and the picture,
// so a damaged sample never reads or writes outside them.  Returns noErr,
// paramErr for an invalid picture or a null sample with a size, or
// codecBadDataErr for a damaged sample (a chunk size beyond the sample's
// bytes, a line band outside the picture, a count past the end of a line,
// bytes missing).  After codecBadDataErr the lines before the damage are
// drawn and the rest keep their previous pixels.
OSErr AnimationDecodeFrame(const void* sample, size_t size, const AnimationImage& picture);

// An encoder for one picture size and pixel order that keeps the previous
// frame, so a caller only hands it each new frame.  Its sample buffer and its
// copy of the previous frame are allocated once, at construction; after a
// difference frame only the changed lines are copied into the previous frame.
class AnimationEncoder {
  public:
    // Throws std::invalid_argument for a size outside 1..kAnimationMaxDimension.
    AnimationEncoder(int width, int height, AnimationPixelOrder order);

    // Codes a frame of this encoder's size and order, as a key frame when asked
    // or when there is no previous frame yet, else as a difference from the
    // previous frame.  The sample stays valid until the next call.  Returns an
    // empty span (and keeps the previous frame) when pixels is null or rows are
    // shorter than the width.
    std::span<const UInt8> encode(const void* pixels, long rowBytes, bool keyFrame);

    // Forgets the previous frame: the next frame is a key frame.
    void reset() { m_hasPrevious = false; }

    bool lastWasKeyFrame() const { return m_lastWasKeyFrame; }
    int width() const { return m_width; }
    int height() const { return m_height; }

  private:
    void keepLines(const AnimationConstImage& frame, int firstLine, int lineCount);

    int m_width;
    int m_height;
    AnimationPixelOrder m_order;
    std::vector<UInt8> m_sample;
    std::vector<UInt8> m_previous;  // rows of width * 4 bytes
    bool m_hasPrevious = false;
    bool m_lastWasKeyFrame = false;
};

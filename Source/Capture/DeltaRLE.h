// Run-length coder of the capture file's rectangles.
//
// A rectangle of a 32-bit image is coded top-down, either on its own (key
// coding, whole lines) or against the previous image, where unchanged
// stretches of four pixels or more are skipped.  Codes (first byte a count):
//   count 1..255, pixel          a run of count copies
//   0, 0                         end of line: back to the left column, one line down
//   0, 1                         end of rectangle
//   0, 2, dx, dy                 skip dx columns right and dy lines down
//   0, n (3..255), n pixels      a literal
// A pixel is stored in 4 bytes (mask 0xFFFFFFFF), as its memory bytes 1..3
// (mask 0xFFFFFF00, alpha first) or as its bytes 0..2 (any other mask, alpha
// last).  Comparisons apply the mask to the pixel read as a native word; the
// byte not stored decodes as 0xFF.
//
// The 8-bit variant codes one plane as runs and literals only.
//
// Everything works on caller memory: nothing is allocated and nothing kept.
// Encoders write without bounds checks, so callers size their output with
// maxCompressedSize32/maxCompressedSize8.  Decoders take the input length and
// the image size and stop, reporting failure, at either end.
#pragma once

#include <cstddef>

class DeltaRLE {
  public:
    // Codes the rectangle (x, y, w, h) of cur, against prev when prev is not
    // null; returns the number of bytes written to dst.  Key coding (prev
    // null) codes w pixels per line.  The rectangle must lie in the image;
    // imageHeight is not consulted.
    static int compress32(void* prev, void* cur, int imageWidth, int imageHeight, int x, int y,
                          int w, int h, void* dst, unsigned int mask);
    // The same with 4-byte pixels compared whole.
    static int compress32to32(void* prev, void* cur, int imageWidth, int imageHeight, int x, int y,
                              int w, int h, void* dst);

    // Decodes one rectangle's stream of srcLength bytes into dst.  Returns
    // false, leaving dst partly written, when the rectangle does not lie in
    // the image, the stream ends before its end code, or a code would write
    // outside the rectangle.
    [[nodiscard]] static bool decompress32(void* dst, const void* src, int srcLength,
                                           int imageWidth, int imageHeight, int x, int y, int w,
                                           int h, unsigned int mask);
    [[nodiscard]] static bool decompress32to32(void* dst, const void* src, int srcLength,
                                               int imageWidth, int imageHeight, int x, int y, int w,
                                               int h);

    // Codes count consecutive pixels (or bytes) as runs and literals.
    // consumed receives the source bytes used, written the bytes produced.
    static void encodeFragment32(const unsigned char* src, int count, unsigned char* dst,
                                 int* consumed, int* written, unsigned int mask);
    static void encodeFragment32to32(const unsigned char* src, int count, unsigned char* dst,
                                     int* consumed, int* written);
    static void encodeFragment8(const unsigned char* src, int count, unsigned char* dst,
                                int* consumed, int* written);

    // Decodes an 8-bit stream of srcLength bytes into at most dstLength
    // bytes.  Returns the number of bytes written, or -1 when the stream is
    // cut short inside a code or would write more than dstLength bytes.
    [[nodiscard]] static int decodeFragment8(const unsigned char* src, int srcLength,
                                             unsigned char* dst, int dstLength);
    // Writes the pixel of one 4-byte run code (count, 4 bytes) count times.
    static void decodeFragment32to32(const unsigned char* code, unsigned char* dst);

    // Length, between 1 and max, of the run of equal (masked) pixels or
    // bytes that starts at src.
    static int getRunLength32(const unsigned char* src, int max, unsigned int mask);
    static int getRunLength8(const unsigned char* src, int max);

    // One scan step of difference coding over count pixels: diffLength is
    // the changed part to code before the next unchanged stretch of four or
    // more pixels, runLength that stretch (0 when there is none).  A span
    // that is unchanged to its end has diffLength 0.
    static void findDiffLengthAndRunLength32(void* prev, void* cur, int count, int* diffLength,
                                             int* runLength, unsigned int mask);

    // Largest stream compress32 can produce for a w x h rectangle, for any
    // mask and either coding; and the largest 8-bit stream for count bytes.
    static size_t maxCompressedSize32(int w, int h);
    static size_t maxCompressedSize8(int count);
};

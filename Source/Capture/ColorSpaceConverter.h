// Conversion between 32-bit pixels and full-resolution Y, U, V planes
// (4:4:4) with the integer BT.601 studio-range formulas.
//
// The pixel is read as a native 32-bit word whose bits 31..24 are blue,
// 23..16 green, 15..8 red and 7..0 alpha (in memory: alpha, red, green, blue,
// the layout of the 32-bit ARGB format).  The operations are named after that
// word ("BGRA").  Frames in the 'BGRA' format (blue, green, red, alpha in
// memory) pass ChannelLayout::kAlphaLast, which reads and writes their bytes
// in that order instead.  Alpha is ignored on input and written as 255.
//
// "Rect" buffers are full images holding the rectangle at its image
// positions; "Packed" planes hold the w x h values of the rectangle one after
// another, row by row.  Nothing is done when w x h is 0 or negative.
#pragma once

class ColorSpaceConverter {
  public:
    enum class ChannelLayout {
        kAlphaFirst,  // memory bytes alpha, red, green, blue (pixel format 32)
        kAlphaLast,   // memory bytes blue, green, red, alpha (pixel format 'BGRA')
    };

    // The layout of a Core Video pixel format; formats other than 'BGRA' are
    // taken as alpha first.
    static ChannelLayout layoutForPixelFormat(unsigned long pixelFormat);

    static void convertRectBGRAToRectYUV444(int imageWidth, int imageHeight, int x, int y, int w,
                                            int h, unsigned char* pixels, unsigned char* Y,
                                            unsigned char* U, unsigned char* V,
                                            ChannelLayout layout = ChannelLayout::kAlphaFirst);
    static void convertRectBGRAToPackedYUV444(int imageWidth, int imageHeight, int x, int y, int w,
                                              int h, unsigned char* pixels, unsigned char* Y,
                                              unsigned char* U, unsigned char* V,
                                              ChannelLayout layout = ChannelLayout::kAlphaFirst);
    static void convertPackedYUV444ToRectBGRA(int imageWidth, int imageHeight, int x, int y, int w,
                                              int h, unsigned char* Y, unsigned char* U,
                                              unsigned char* V, unsigned char* pixels,
                                              ChannelLayout layout = ChannelLayout::kAlphaFirst);
    static void convertRectYUV444ToRectBGRA(int imageWidth, int imageHeight, int x, int y, int w,
                                            int h, unsigned char* Y, unsigned char* U,
                                            unsigned char* V, unsigned char* pixels,
                                            ChannelLayout layout = ChannelLayout::kAlphaFirst);
    static void convertBGRAToYUV444(int width, int height, unsigned char* pixels, unsigned char* Y,
                                    unsigned char* U, unsigned char* V,
                                    ChannelLayout layout = ChannelLayout::kAlphaFirst);
    static void convertYUV444ToBGRA(int width, int height, unsigned char* Y, unsigned char* U,
                                    unsigned char* V, unsigned char* pixels,
                                    ChannelLayout layout = ChannelLayout::kAlphaFirst);
};

// Records the SWF export exchanges with its host: the description of the
// source frames, the source sound format, one converted bitmap, and the
// export's result codes.
#pragma once

#include <cstdint>

// The description of a frame's pixels (40 bytes).  Rows are bottom-up: the
// first row in memory is the bottom row of the picture.  32-bit pixels hold
// blue, green, red and an unused byte; 16-bit pixels are little-endian
// x-5-5-5; 24-bit pixels blue, green, red.
struct tagBITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;  // bytes of the whole frame; 0: rows padded to 32 bits
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(tagBITMAPINFOHEADER) == 40);

struct tagRGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};

struct tagBITMAPINFO {
    tagBITMAPINFOHEADER bmiHeader;
    tagRGBQUAD bmiColors[1];
};

// The source sound format.
struct tagWAVEFORMATEX {
    uint16_t wFormatTag;  // 1: PCM
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};

// One converted bitmap: top-down rows, each padded to a multiple of 4
// bytes.  The pixel buffer belongs to the writer that holds the slot.
struct SwfBitmap {
    int32_t width = 0;
    int32_t height = 0;  // always positive
    uint16_t bitCount = 0;
    uint32_t colorsUsed = 0;
    uint32_t dataSize = 0;  // height x padded row bytes
    uint8_t* colorTable = nullptr;
    uint8_t* pixels = nullptr;
    uint32_t capacity = 0;  // bytes the pixel buffer holds
};

// The shape of a button's states: 0 rectangles, any other value circles.
typedef int tagSWF_BTN_SHAPE;

// Result codes of the export's entry points.
enum : int {
    kSWFExportOK = 0,
    kSWFExportNoOutputName = 123,
};
constexpr uint32_t kSWFExportFailed = 0x80004005;  // the generic failure code

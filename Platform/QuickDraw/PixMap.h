// Pixel maps as the image codec calls take them: an image in memory with its
// stride, bounds and pixel size, plus the pixel format codes they use.
#pragma once

#include "Base/MacTypes.h"

struct ColorTable;
typedef ColorTable* CTabPtr;
typedef CTabPtr* CTabHandle;

// QuickTime pixel formats.  The classic codes are the pixel sizes, with
// 16 meaning RGB555 stored big-endian and 32 alpha, red, green, blue.
enum : OSType {
    k1MonochromePixelFormat = 0x00000001,
    k8IndexedPixelFormat = 0x00000008,
    k16BE555PixelFormat = 0x00000010,
    k24RGBPixelFormat = 0x00000018,
    k32ARGBPixelFormat = 0x00000020,
    k16LE555PixelFormat = 'L555',
    k24BGRPixelFormat = '24BG',
    k32BGRAPixelFormat = 'BGRA',
};

struct PixMap {
    Ptr baseAddr;     // first byte of the line at bounds.top
    SInt16 rowBytes;  // bytes from one line to the next; no flag bits are kept here
    Rect bounds;      // coordinates of the image; its top-left pixel is at baseAddr
    SInt16 pmVersion;
    SInt16 packType;
    SInt32 packSize;
    Fixed hRes;
    Fixed vRes;
    SInt16 pixelType;
    SInt16 pixelSize;  // bits per pixel
    SInt16 cmpCount;
    SInt16 cmpSize;
    OSType pixelFormat;
    CTabHandle pmTable;
    void* pmExt;
};
typedef PixMap* PixMapPtr;
typedef PixMapPtr* PixMapHandle;

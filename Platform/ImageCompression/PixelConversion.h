// Copies a picture from one pixel format to another: between the 32-bit
// orders (alpha, red, green, blue and blue, green, red, alpha), and from them
// to and from the 24-bit and 16-bit formats that codecs ask for.  Alpha
// becomes 0xFF where the source has none; colour components are cut to 5
// bits for RGB555 and widened back by repeating their top bits.
#pragma once

#include <cstddef>

#include "Base/MacTypes.h"

namespace icm {

// Bytes per pixel of a format this converter knows (k32ARGBPixelFormat,
// k32BGRAPixelFormat, k24RGBPixelFormat, k24BGRPixelFormat,
// k16BE555PixelFormat), else 0.
int ConvertibleBytesPerPixel(OSType format);

// A picture in memory: its first line and the distance to the next.
struct PixelPlane {
    const void* base;
    long rowBytes;
    OSType format;
};
struct MutablePixelPlane {
    void* base;
    long rowBytes;
    OSType format;
};

// Converts width x height pixels.  false (and nothing written) when a format
// is not known or a size is below 1.  Equal formats are copied line by line.
bool ConvertPixels(const PixelPlane& src, const MutablePixelPlane& dst, int width, int height);

}  // namespace icm

// Writes 32-bit pictures as 8-bit RGB or RGBA PNG files (libpng).
#pragma once

#include <string>

#include "MVDCommon/MVDImage.h"

namespace mvd {

// image: ARGB (pixel format 32) or 'BGRA', 4 bytes per pixel.  With
// keepAlpha the file is RGBA, else RGB.  Throws ToolError on failure (the
// partial file is removed).
void WritePng(const std::string& path, const MVDImage& image, bool keepAlpha);

}  // namespace mvd

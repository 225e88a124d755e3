// The sample description of 'MVRC' movie samples (whole capture frame
// records): a standard 86-byte image description, then two zero bytes and
// the frames' Core Video pixel format, big-endian (92 bytes in all).  The
// pixel format decides how the records' Delta RLE pixels are laid out, so a
// decompressor needs it beside the width and height.
#pragma once

#include "Capture/MVRCFormat.h"
#include "ImageCompression/ImageDescription.h"

enum : OSType {
    kMVRCCodecType = 'MVRC',
    kMVRCCodecManufacturer = 'Mvdn',
};

constexpr long kMVRCImageDescriptionSize = 92;

// A new, zero-filled description of frames of the header's format and
// version; null when the handle cannot be made or the format does not fit an
// image description (16-bit sides).  The caller disposes of it.
ImageDescriptionHandle MVRCMakeImageDescription(const _MVRCHeader& header);

// The capture format that a description of codec 'MVRC' names: width and
// height, the pixel format of bytes 88 to 91, 4 bytes per pixel.  False when
// the description is shorter than 92 bytes (by its size field or by
// `available`, the bytes actually there) or is not of codec 'MVRC'.
bool MVRCHeaderFromImageDescription(const ImageDescription* description, long available,
                                    _MVRCHeader* header);

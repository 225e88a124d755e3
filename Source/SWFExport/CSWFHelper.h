// Turning frame pixels into the pixels of SWF lossless bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "SWFExport/SWFExportTypes.h"

class FObjCollection;

class CSWFHelper {
  public:
    // Bytes of one row of `width` pixels of `bitCount` bits, padded to 4.
    static size_t PaddedRowBytes(int32_t width, int bitCount);

    // Copies the picture `header` describes into `slot`: top-down rows
    // padded to 4 bytes.  A positive height means the source is bottom-up
    // (read from its last row backward), a negative one top-down.  Source
    // rows are `sourceStride` bytes apart (0: padded to 4 bytes).  24-bit
    // pixels are widened to 32-bit ones (blue, green, red, 0), so a slot
    // only ever holds 8-, 16- or 32-bit pixels.  Sets width, height, bit
    // count, colours used, no colour table and the data size.  False, with
    // the slot unchanged, when the slot has no buffer or too small a one,
    // the size is zero or the depth is not 8, 16, 24 or 32 bits.
    static bool ConvertToSwfBitmap(const uint8_t* pixels, const tagBITMAPINFOHEADER* header,
                                   SwfBitmap* slot, size_t sourceStride = 0);

    // In place, into the layout of the SWF lossless formats: 8-bit pixels
    // unchanged; 16-bit pixels big-endian; 32-bit pixels 0xFF, red, green,
    // blue.  Row padding is left alone.
    static void SwapBitsInBitmap(SwfBitmap* slot);

    // JPEG output is not produced (every bitmap is lossless): both add
    // nothing and return 0.
    static int AddBitmap(FObjCollection* movie, const SwfBitmap* bitmap);
    static int AddJpeg(FObjCollection* movie, const uint8_t* jpeg, uint32_t length);
};

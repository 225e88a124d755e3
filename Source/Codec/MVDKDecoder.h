// The MVDK stream decoder: draws one run-length stream (already inflated;
// docs/formats/mvdk-frame.md) onto a destination that holds the previous
// picture.  Pixels the stream does not code keep their value.
//
// Destination: top-down, first line at dstBase, lines rowBytes apart; stream
// line 0 is the last line.  Per pixel it receives 1 byte at depth 8 and
// below, the big-endian RGB555 value at depth 16, and 4 bytes alpha, red,
// green, blue at depths 24 (alpha 0xFF) and 32.  Other depths decode nothing.
//
// Every count in the stream is untrusted.  Decoding stops, without an error
// and keeping what was already written, at the first code that
//   - is cut short by the end of the data (a code is applied whole or not at
//     all, literal pad byte included), or
//   - would write or move outside the destination: a run or literal past
//     column `width`, a skip past column `width` or past the last line, or an
//     end of line after the last line.
// The destination is width x height pixels; nothing outside it is touched.
// A row stride smaller than a line of pixels decodes nothing.
#pragma once

#include <cstdint>

#include "Codec/MVDKFormat.h"

// Decodes dataLen bytes of stream at data.  info: width, height and depth of
// the frame (srcPixelSize is not read).
void MVDK_Decode(const MVDKFrameInfo* info, void* dstBase, const void* data, int32_t rowBytes,
                 uint32_t dataLen);

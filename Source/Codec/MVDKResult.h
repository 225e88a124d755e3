// Result codes of the MVDK frame compressor and decompressor: the host's
// image codec errors, next to noErr, paramErr and memFullErr of
// Base/MacTypes.h.  zlib errors from inflating a frame are passed on as they
// are (negative values from -1 to -6).
#pragma once

#include "Base/MacTypes.h"

namespace mvdk {

enum : OSErr {
    codecErr = -8960,           // the frame could not be encoded or deflated
    codecSizeErr = -8963,       // depth below 8, or a frame too large to code
    codecImageBufErr = -8965,   // no frame data
    codecSpoolErr = -8966,      // frame produced for a spooling caller
    codecBadDataErr = -8969,    // frame data of length 0
    codecConditionErr = -8972,  // unsupported depth, or no sequence begun
};

}  // namespace mvdk

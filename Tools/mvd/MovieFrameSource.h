// Frames of a movie's video track, decoded sample by sample: 'raw ' (16,
// 24 and 32 bits), 'rle ' (32 bits, alpha kept) and 'mvdk' (16, 24 and 32
// bits) into 32-bit ARGB pictures.
#pragma once

#include <memory>
#include <string>

#include "FrameSource.h"

namespace mvd {

// trackID 0 takes the first video track.  Throws ToolError when there is
// no such track or its codec or depth cannot be decoded.
std::unique_ptr<FrameSource> OpenMovieFrameSource(const std::string& path, uint32_t trackID);

}  // namespace mvd

// Frames of a movie's video track, decoded sample by sample through the
// decompressor component registered for the track's codec ('raw ', 'rle ',
// 'mvdk', ...) into 32-bit ARGB pictures.
#pragma once

#include <memory>
#include <string>

#include "FrameSource.h"

namespace mvd {

// Registers the library's own codec components (once per process), so that
// movies of the screen codec can be written and decoded.
void RegisterCodecs();

// trackID 0 takes the first video track.  Throws ToolError when there is
// no such track or its description cannot be decoded.
std::unique_ptr<FrameSource> OpenMovieFrameSource(const std::string& path, uint32_t trackID);

}  // namespace mvd

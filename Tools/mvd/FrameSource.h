// The frames of a capture file or of a movie's video track, decoded in
// order into full pictures (top line first, 4 bytes per pixel, ARGB or BGRA
// as the source stores them).  Capture frames, which keep the screen's
// bottom line first, are turned upright and come with their cursor drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "MVDCommon/MVDImage.h"

namespace mvd {

class FrameSource {
  public:
    virtual ~FrameSource() = default;

    virtual uint32_t width() const = 0;
    virtual uint32_t height() const = 0;
    // Known in advance for movies; captures tell only by reaching the end.
    virtual std::optional<uint64_t> frameCount() const = 0;
    // Decodes the next frame; false after the last one.  Throws on damage.
    virtual bool next() = 0;
    // The frame decoded last, and when it starts and how long it lasts.
    virtual const MVDImage& image() const = 0;
    virtual double startSeconds() const = 0;
    virtual double durationSeconds() const = 0;
};

struct FrameSourceOptions {
    uint32_t trackID = 0;  // movies: the video track; 0 for the first one
};

// Opens a capture file or a movie, told by its first bytes.  Throws
// ToolError for other files and for movies without a video track this
// tool can decode.
std::unique_ptr<FrameSource> OpenFrameSource(const std::string& path,
                                             const FrameSourceOptions& options = {});

}  // namespace mvd

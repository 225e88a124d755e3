// Frames and sound handed to the library's SWF export (CSWFWriter), which
// writes the movie merged with the player controller.  Frames come top-down
// in either 32-bit layout, optionally with a cursor drawn over them; the
// export wants them bottom-up.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "MVDCommon/MVDImage.h"

class CSWFWriter;

namespace mvd {

struct SwfSettings {
    int version = 8;
    bool adpcm = true;  // else uncompressed 16-bit sound
    int adpcmBits = 4;  // 2 to 5
    std::string skin;   // a controller skin identifier; empty for the default
};

struct SwfSound {
    uint32_t sampleRate = 22050;  // 5512, 11025, 22050 or 44100
    uint16_t channels = 1;
};

// The identifiers of the controller skins, for help and errors.
std::string SwfSkinNames();

class SwfExport {
  public:
    // Opens the export of width x height frames at framesPerSecond (1..255).
    // Throws UsageError for settings it cannot take (version, ADPCM bits,
    // skin, sound rate) and ToolError when the output cannot be opened.
    SwfExport(const std::string& path, uint32_t width, uint32_t height, uint32_t framesPerSecond,
              const SwfSettings& settings, std::optional<SwfSound> sound);
    ~SwfExport();
    SwfExport(const SwfExport&) = delete;
    SwfExport& operator=(const SwfExport&) = delete;

    // Adds one SWF frame showing `frame` (with the cursor, if any, drawn
    // at cursorRect) and this frame's share of the sound (interleaved
    // 16-bit samples; ignored without sound).
    void frame(const MVDImage& frame, std::span<const int16_t> sound,
               const MVDImage* cursor = nullptr, const tagMVDRect& cursorRect = {});
    // Adds one more SWF frame that shows the same picture.
    void repeat(std::span<const int16_t> sound);
    // Finishes the file (the merge with the controller); ToolError when it
    // fails.  An export destroyed before close leaves no file.
    void close();
    // Sound samples (per channel) that make up one SWF frame.
    size_t samplesPerFrame() const { return m_samplesPerFrame; }

  private:
    void addSound(std::span<const int16_t> sound);

    std::unique_ptr<CSWFWriter> m_writer;
    std::string m_path;
    uint32_t m_width;
    uint32_t m_height;
    bool m_hasSound = false;
    bool m_closed = false;
    size_t m_samplesPerFrame = 0;
    uint16_t m_channels = 1;
    std::unique_ptr<MVDImage> m_work;  // the frame with its cursor
    std::vector<uint8_t> m_bottomUp;   // what the export receives
};

}  // namespace mvd

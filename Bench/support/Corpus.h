// The recorded benchmark corpus: real desktop activity grabbed under a
// virtual X server by scripts/corpus.sh and stored losslessly in
// corpus/desktop-WIDTHxHEIGHT.mkv.  The loader decodes it through ffmpeg
// (a rawvideo pipe) into top-down BGRA frames held in memory, and computes
// the dirty rectangles a recorder would report between two frames by
// comparing 16 x 16 tiles.
//
//   if (auto corpus = Corpus::Load(1280, 720, 240)) { ... corpus->frame(i) ... }
//
// MVD_CORPUS_DIR names another folder; MVD_CORPUS_FRAMES overrides the
// number of frames loaded.  Without the file or ffmpeg, Load returns
// nothing.  Generate() makes a sequence of the same shape from
// ScreenContent's typical frame-to-frame changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/ScreenContent.h"

namespace mvdtest {

class Corpus {
  public:
    static constexpr int32_t kTile = 16;

    // Loads up to maxFrames frames, after skipping the first `skip` (the
    // programs starting up).
    static std::optional<Corpus> Load(int32_t width, int32_t height, size_t maxFrames,
                                      size_t skip = 30);
    static std::string PathFor(int32_t width, int32_t height);
    static Corpus Generate(int32_t width, int32_t height, size_t frames, uint32_t seed = 7);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    size_t rowBytes() const { return static_cast<size_t>(m_width) * 4; }
    size_t frameBytes() const { return rowBytes() * static_cast<size_t>(m_height); }
    size_t size() const { return m_dirty.size(); }
    // The file read, or "generated".
    const std::string& path() const { return m_path; }

    const uint8_t* frame(size_t i) const { return m_pixels.data() + i * frameBytes(); }
    // Rectangles that changed since frame i - 1 (the whole screen for
    // frame 0), as unions of 16 x 16 tiles.
    const std::vector<ScreenRect>& dirty(size_t i) const { return m_dirty[i]; }

    // Share of pixels that differ between successive frames, in percent,
    // and share of frames identical to the one before.
    double changedPercent() const { return m_changedPercent; }
    double unchangedFramesPercent() const { return m_unchangedFramesPercent; }

  private:
    Corpus(int32_t width, int32_t height) : m_width(width), m_height(height) {}
    bool read(const std::string& path, size_t maxFrames, size_t skip);
    void findDirtyRects();
    uint8_t* frame(size_t i) { return m_pixels.data() + i * frameBytes(); }

    int32_t m_width;
    int32_t m_height;
    std::string m_path;
    std::vector<uint8_t> m_pixels;
    std::vector<std::vector<ScreenRect>> m_dirty;
    double m_changedPercent = 0;
    double m_unchangedFramesPercent = 0;
};

// The rectangles of changed tiles between two top-down 32-bit pictures:
// runs of changed tiles along each row of tiles, merged with the run below
// when they span the same columns.  Pixels are compared with all 4 bytes.
std::vector<ScreenRect> DirtyTiles(const uint8_t* before, const uint8_t* after, size_t rowBytes,
                                   int32_t width, int32_t height, int32_t tile,
                                   int64_t* changedPixels = nullptr);

}  // namespace mvdtest

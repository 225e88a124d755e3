// Screen-like 32-bit pictures for tests and benchmarks: a desktop with a
// wallpaper, a menu bar with a clock, overlapping windows holding text,
// a photo and a chart, a dock; and the edits that happen between two frames
// of a screen recording (typing, scrolling, moving a window, a region
// redrawn).  Everything is deterministic from the seed, and an edit redraws
// exactly what a full render of the changed scene would show.
//
//   ScreenImage frame(1280, 720, PixelOrder::BGRA);
//   ScreenContent screen(1280, 720, /*seed=*/7);
//   screen.render(frame);                        // first frame
//   ScreenRect dirty = screen.nextFrame(frame);  // frame now holds the next one
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mvdtest {

// Byte order of a 32-bit pixel in memory.
enum class PixelOrder { BGRA, ARGB };

struct ScreenRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    int64_t area() const { return empty() ? 0 : int64_t{width} * height; }
    ScreenRect intersect(const ScreenRect& other) const;
    ScreenRect unite(const ScreenRect& other) const;  // bounding box; empty rects ignored
};

// A top-down 32-bit picture; rows may be padded (rowBytes >= width * 4).
class ScreenImage {
  public:
    ScreenImage(int32_t width, int32_t height, PixelOrder order = PixelOrder::BGRA,
                size_t rowBytes = 0);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    size_t rowBytes() const { return m_rowBytes; }
    PixelOrder order() const { return m_order; }
    ScreenRect bounds() const { return {0, 0, m_width, m_height}; }

    uint8_t* data() { return m_pixels.data(); }
    const uint8_t* data() const { return m_pixels.data(); }
    size_t byteSize() const { return m_pixels.size(); }
    uint8_t* line(int32_t y) { return data() + static_cast<size_t>(y) * m_rowBytes; }
    const uint8_t* line(int32_t y) const { return data() + static_cast<size_t>(y) * m_rowBytes; }

    // Pixels as 0xAARRGGBB values, whatever the byte order in memory.
    uint32_t pixel(int32_t x, int32_t y) const;
    void setPixel(int32_t x, int32_t y, uint32_t argb);
    void fill(const ScreenRect& rect, uint32_t argb);  // clipped to the picture

    // Pixels (not row padding) that differ from other, of the same size.
    int64_t countDifferences(const ScreenImage& other) const;

  private:
    int32_t m_width;
    int32_t m_height;
    size_t m_rowBytes;
    PixelOrder m_order;
    std::vector<uint8_t> m_pixels;
};

// Fills rect with a gradient from `from` to `to` (0xAARRGGBB), top to
// bottom or left to right.
void FillGradient(ScreenImage& image, const ScreenRect& rect, uint32_t from, uint32_t to,
                  bool vertical);
// Fills rect with opaque random pixels, deterministic from seed.
void FillNoise(ScreenImage& image, const ScreenRect& rect, uint32_t seed);

class ScreenContent {
  public:
    ScreenContent(int32_t width, int32_t height, uint32_t seed);

    // Draws the whole screen (image must be width x height).
    void render(ScreenImage& image) const;

    // Each edit changes the scene, redraws the changed part of image (which
    // must hold the scene as it was) and returns the rectangle it redrew.
    ScreenRect typeText(ScreenImage& image, int characters);
    ScreenRect scroll(ScreenImage& image, int lines);
    ScreenRect moveWindow(ScreenImage& image, int32_t dx, int32_t dy);
    // What an animated area shows: a panel of an application (gradient,
    // progress bar, lines of text) or video (every pixel different).
    enum class Region { Panel, Video };
    // Redraws an animated area of about width x height in the photo window;
    // every pixel of it changes.
    ScreenRect redrawRegion(ScreenImage& image, int32_t width, int32_t height,
                            Region content = Region::Panel);
    ScreenRect tickClock(ScreenImage& image);

    // One typical frame-to-frame change, picked with the seeded generator:
    // mostly typing, sometimes a region redrawn, a scroll or a window moved.
    ScreenRect nextFrame(ScreenImage& image);

  private:
    enum class Kind { Text, Photo, Chart };
    struct Window {
        ScreenRect frame;
        Kind kind;
        uint32_t seed;
        std::vector<std::vector<uint8_t>> lines;  // text: character codes, 0 for a space
        int32_t top = 0;                          // text: first line shown
    };

    void draw(ScreenImage& image, const ScreenRect& clip) const;
    void drawWindow(ScreenImage& image, const ScreenRect& clip, const Window& window) const;
    void drawText(ScreenImage& image, const ScreenRect& clip, const Window& window) const;
    void drawPhoto(ScreenImage& image, const ScreenRect& clip, const Window& window) const;
    void drawAnimation(ScreenImage& image, const ScreenRect& clip) const;
    void drawChart(ScreenImage& image, const ScreenRect& clip, const Window& window) const;
    void drawString(ScreenImage& image, const ScreenRect& clip, int32_t x, int32_t y,
                    const std::vector<uint8_t>& text, uint32_t ink) const;
    ScreenRect redraw(ScreenImage& image, const ScreenRect& rect) const;

    Window& textWindow();
    Window& photoWindow();
    int32_t titleHeight() const;
    ScreenRect body(const Window& window) const;
    ScreenRect textCell(const Window& window, int32_t line, int32_t column) const;
    ScreenRect animationRect() const;
    int32_t columns(const Window& window) const;
    int32_t visibleLines(const Window& window) const;
    std::vector<uint8_t> randomLine(int32_t length);
    uint32_t random();

    int32_t m_width;
    int32_t m_height;
    uint32_t m_seed;
    uint64_t m_state;
    uint32_t m_tick = 0;
    uint32_t m_clock = 0;
    ScreenRect m_animation;  // size asked for by redrawRegion
    Region m_region = Region::Panel;
    std::vector<Window> m_windows;  // bottom to top
};

}  // namespace mvdtest

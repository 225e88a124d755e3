// A top-down BGRA picture with a clip rectangle, and the few drawing
// operations the demo desktop needs.  Every operation draws only inside the
// clip, so a part of the scene can be repainted by painting all of it with
// the clip set to that part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mvddemo {

struct Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    int32_t right() const { return x + width; }
    int32_t bottom() const { return y + height; }
    Rect intersect(const Rect& other) const;
    // The bounding box of both; an empty rectangle adds nothing.
    Rect unite(const Rect& other) const;
    // True when the two share a pixel or touch along an edge.
    bool touches(const Rect& other) const;
    Rect inset(int32_t d) const { return {x + d, y + d, width - 2 * d, height - 2 * d}; }
    Rect offset(int32_t dx, int32_t dy) const { return {x + dx, y + dy, width, height}; }
    bool operator==(const Rect&) const = default;
};

// Colours are 0xAARRGGBB with straight alpha.
constexpr uint32_t Opaque(uint32_t rgb) {
    return 0xFF000000u | rgb;
}

class Canvas {
  public:
    Canvas(int32_t width, int32_t height);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    size_t rowBytes() const { return static_cast<size_t>(m_width) * 4; }
    Rect bounds() const { return {0, 0, m_width, m_height}; }
    uint8_t* data() { return m_pixels.data(); }
    const uint8_t* data() const { return m_pixels.data(); }
    const std::vector<uint8_t>& bytes() const { return m_pixels; }

    // Drawing is limited to clip (and the picture).
    void setClip(const Rect& clip) { m_clip = clip.intersect(bounds()); }
    const Rect& clip() const { return m_clip; }

    // Blends colour over every pixel of rect by its alpha.
    void fill(const Rect& rect, uint32_t argb);
    // A gradient from `from` (top) to `to` (bottom), or left to right.
    void gradient(const Rect& rect, uint32_t from, uint32_t to, bool vertical);
    // A one-pixel frame inside rect.
    void frame(const Rect& rect, uint32_t argb);
    // A soft shadow around rect: `spread` pixels of darkening that fades out.
    void shadow(const Rect& rect, int32_t spread, uint8_t strength);
    // Blends colour through an 8-bit coverage mask whose top-left pixel lands
    // at (x, y).
    void mask(int32_t x, int32_t y, const uint8_t* coverage, int32_t width, int32_t height,
              int32_t pitch, uint32_t argb);
    // A filled disc.
    void disc(int32_t cx, int32_t cy, int32_t radius, uint32_t argb);

  private:
    void blend(uint8_t* pixel, uint32_t argb, uint32_t coverage);

    int32_t m_width;
    int32_t m_height;
    std::vector<uint8_t> m_pixels;
    Rect m_clip;
};

}  // namespace mvddemo

#include "DemoCanvas.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace mvddemo {

Rect Rect::intersect(const Rect& other) const {
    const int32_t left = std::max(x, other.x);
    const int32_t top = std::max(y, other.y);
    const int32_t r = std::min(right(), other.right());
    const int32_t b = std::min(bottom(), other.bottom());
    if (r <= left || b <= top) {
        return {};
    }
    return {left, top, r - left, b - top};
}

Rect Rect::unite(const Rect& other) const {
    if (empty()) {
        return other;
    }
    if (other.empty()) {
        return *this;
    }
    const int32_t left = std::min(x, other.x);
    const int32_t top = std::min(y, other.y);
    return {left, top, std::max(right(), other.right()) - left,
            std::max(bottom(), other.bottom()) - top};
}

bool Rect::touches(const Rect& other) const {
    return !empty() && !other.empty() && x <= other.right() && other.x <= right() &&
           y <= other.bottom() && other.y <= bottom();
}

Canvas::Canvas(int32_t width, int32_t height) : m_width(width), m_height(height) {
    if (width <= 0 || height <= 0) {
        throw std::invalid_argument("a picture needs a positive size");
    }
    m_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    m_clip = bounds();
}

// Pixels are stored blue, green, red, alpha; the picture stays opaque.
void Canvas::blend(uint8_t* pixel, uint32_t argb, uint32_t coverage) {
    const uint32_t a = ((argb >> 24) * coverage + 127) / 255;
    if (a == 0) {
        return;
    }
    const uint32_t channels[3] = {argb & 0xFF, (argb >> 8) & 0xFF, (argb >> 16) & 0xFF};
    for (int c = 0; c < 3; ++c) {
        pixel[c] = static_cast<uint8_t>((channels[c] * a + pixel[c] * (255 - a) + 127) / 255);
    }
    pixel[3] = 255;
}

void Canvas::fill(const Rect& rect, uint32_t argb) {
    const Rect r = rect.intersect(m_clip);
    for (int32_t y = r.y; y < r.bottom(); ++y) {
        uint8_t* p = data() + static_cast<size_t>(y) * rowBytes() + static_cast<size_t>(r.x) * 4;
        for (int32_t x = 0; x < r.width; ++x, p += 4) {
            blend(p, argb, 255);
        }
    }
}

namespace {

uint32_t Mix(uint32_t from, uint32_t to, int32_t step, int32_t steps) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int32_t a = static_cast<int32_t>((from >> shift) & 0xFF);
        const int32_t b = static_cast<int32_t>((to >> shift) & 0xFF);
        const int32_t v = steps <= 1 ? a : a + (b - a) * step / (steps - 1);
        out |= static_cast<uint32_t>(v) << shift;
    }
    return out;
}

}  // namespace

void Canvas::gradient(const Rect& rect, uint32_t from, uint32_t to, bool vertical) {
    const Rect r = rect.intersect(m_clip);
    for (int32_t y = r.y; y < r.bottom(); ++y) {
        uint8_t* p = data() + static_cast<size_t>(y) * rowBytes() + static_cast<size_t>(r.x) * 4;
        for (int32_t x = r.x; x < r.right(); ++x, p += 4) {
            const uint32_t colour = vertical ? Mix(from, to, y - rect.y, rect.height)
                                             : Mix(from, to, x - rect.x, rect.width);
            blend(p, colour, 255);
        }
    }
}

void Canvas::frame(const Rect& rect, uint32_t argb) {
    fill({rect.x, rect.y, rect.width, 1}, argb);
    fill({rect.x, rect.bottom() - 1, rect.width, 1}, argb);
    fill({rect.x, rect.y + 1, 1, rect.height - 2}, argb);
    fill({rect.right() - 1, rect.y + 1, 1, rect.height - 2}, argb);
}

void Canvas::shadow(const Rect& rect, int32_t spread, uint8_t strength) {
    const Rect outer = rect.inset(-spread).intersect(m_clip);
    for (int32_t y = outer.y; y < outer.bottom(); ++y) {
        uint8_t* p =
            data() + static_cast<size_t>(y) * rowBytes() + static_cast<size_t>(outer.x) * 4;
        for (int32_t x = outer.x; x < outer.right(); ++x, p += 4) {
            const int32_t dx = std::max({rect.x - x, x - (rect.right() - 1), 0});
            const int32_t dy = std::max({rect.y - y, y - (rect.bottom() - 1), 0});
            const int32_t d = std::max(dx, dy);
            if (d == 0 || d > spread) {
                continue;  // inside the window, or beyond the shadow
            }
            const uint32_t alpha = strength * static_cast<uint32_t>(spread + 1 - d) /
                                   static_cast<uint32_t>(spread + 1);
            blend(p, alpha << 24, 255);
        }
    }
}

void Canvas::mask(int32_t x, int32_t y, const uint8_t* coverage, int32_t width, int32_t height,
                  int32_t pitch, uint32_t argb) {
    const Rect r = Rect{x, y, width, height}.intersect(m_clip);
    for (int32_t row = r.y; row < r.bottom(); ++row) {
        const uint8_t* c = coverage + static_cast<ptrdiff_t>(row - y) * pitch + (r.x - x);
        uint8_t* p = data() + static_cast<size_t>(row) * rowBytes() + static_cast<size_t>(r.x) * 4;
        for (int32_t col = 0; col < r.width; ++col, p += 4) {
            if (c[col] != 0) {
                blend(p, argb, c[col]);
            }
        }
    }
}

void Canvas::disc(int32_t cx, int32_t cy, int32_t radius, uint32_t argb) {
    const Rect r = Rect{cx - radius, cy - radius, 2 * radius + 1, 2 * radius + 1}.intersect(m_clip);
    for (int32_t y = r.y; y < r.bottom(); ++y) {
        uint8_t* p = data() + static_cast<size_t>(y) * rowBytes() + static_cast<size_t>(r.x) * 4;
        for (int32_t x = r.x; x < r.right(); ++x, p += 4) {
            // Four samples per pixel give the edge a little smoothing.
            uint32_t inside = 0;
            for (int s = 0; s < 4; ++s) {
                const double px = x + 0.25 + 0.5 * (s & 1) - cx;
                const double py = y + 0.25 + 0.5 * (s >> 1) - cy;
                inside += px * px + py * py <= double(radius) * radius ? 1 : 0;
            }
            if (inside != 0) {
                blend(p, argb, inside * 255 / 4);
            }
        }
    }
}

}  // namespace mvddemo

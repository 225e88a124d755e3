// A seeded sequence of screen-like 32-bit frames (alpha, red, green, blue in
// memory): a desktop with windows, text-like specks, gradients and
// translucent areas, changed from frame to frame the way screens change (a
// window opens, text is typed, a caret blinks, an area scrolls or fills with
// noise; sometimes nothing changes).
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace pcodecs_test {

// Stores a pixel given as 0xAARRGGBB in memory order alpha, red, green, blue.
inline void StoreARGB(uint8_t* p, uint32_t argb) {
    p[0] = uint8_t(argb >> 24);
    p[1] = uint8_t(argb >> 16);
    p[2] = uint8_t(argb >> 8);
    p[3] = uint8_t(argb);
}

class ScreenFrames {
  public:
    ScreenFrames(int width, int height, unsigned seed)
        : m_width(width), m_height(height), m_frame(4 * size_t(width) * height), m_rng(seed) {
        paint(0, 0, width, height, [](int, int, uint32_t) { return 0xFF3A6EA5u; });
        for (int i = 0; i < 4; ++i)
            next(1);
        next(6);
    }

    long rowBytes() const { return 4L * m_width; }
    const std::vector<uint8_t>& frame() const { return m_frame; }

    // Applies one random change, or the given kind of change.
    void next(int kind = -1) {
        const int x = uniform(0, m_width - 1), y = uniform(0, m_height - 1);
        const int w = uniform(1, std::max(1, m_width / 3)),
                  h = uniform(1, std::max(1, m_height / 4));
        switch (kind < 0 ? uniform(0, 7) : kind) {
            case 1:  // a window with a title bar and text
                paint(x, y, 2 * w, 2 * h,
                      [&](int, int j, uint32_t) { return j < y + 6 ? 0xFFB0B0C8u : 0xFFECECECu; });
                [[fallthrough]];
            case 2:  // text
                paint(x, y + 6, 2 * w, 2 * h - 6,
                      [&](int, int, uint32_t old) { return m_rng() % 5 ? old : 0xFF101010u; });
                break;
            case 3:  // caret
                paint(x, y, 1, 14,
                      [&](int, int, uint32_t) { return x % 2 ? 0xFF000000u : 0xFFFFFFFFu; });
                break;
            case 4:  // scroll up by one line
                paint(x, y, w, h, [&](int i, int j, uint32_t old) {
                    return j + 1 < m_height ? get(i, j + 1) : old;
                });
                break;
            case 5:  // noise
                paint(x, y, std::min(w, 40), std::min(h, 20),
                      [&](int, int, uint32_t) { return uint32_t(m_rng()); });
                break;
            case 6:  // gradient
                paint(0, y, m_width, h, [](int i, int j, uint32_t) {
                    return 0xFF000040u | uint32_t(i * 7 & 0xFF) << 16 | uint32_t(j * 3 & 0xFF) << 8;
                });
                break;
            case 7:  // translucent fill
                paint(x, y, w, h,
                      [c = 0x80000000u | (m_rng() & 0xFFFFFF)](int, int, uint32_t) { return c; });
                break;
            default:  // nothing changed
                break;
        }
    }

  private:
    template <typename F>
    void paint(int x, int y, int w, int h, F colour) {
        for (int j = std::max(y, 0); j < std::min(y + h, m_height); ++j) {
            for (int i = std::max(x, 0); i < std::min(x + w, m_width); ++i) {
                StoreARGB(&m_frame[(size_t(j) * m_width + i) * 4], colour(i, j, get(i, j)));
            }
        }
    }

    uint32_t get(int x, int y) const {
        const uint8_t* p = &m_frame[(size_t(y) * m_width + x) * 4];
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    }

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    int m_width;
    int m_height;
    std::vector<uint8_t> m_frame;
    std::mt19937 m_rng;
};

}  // namespace pcodecs_test

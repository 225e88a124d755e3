// A seeded sequence of screen-like 32-bit frames (alpha, red, green, blue in
// memory): a desktop with windows, text-like detail, gradients and
// translucent areas, changed from frame to frame the way screens change (a
// window moves, text is typed, a cursor blinks, an area scrolls, a region
// fills with noise).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
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
        fill(0, 0, width, height, 0xFF3A6EA5);
        for (int i = 0; i < 4; ++i) {
            window();
        }
        gradient(0, height - std::max(1, height / 8), width, std::max(1, height / 8));
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    long rowBytes() const { return 4L * m_width; }
    const std::vector<uint8_t>& frame() const { return m_frame; }

    // Applies one random change (sometimes none at all).
    void next() {
        const int x = uniform(0, m_width - 1), y = uniform(0, m_height - 1);
        const int w = uniform(1, std::max(1, m_width / 3)),
                  h = uniform(1, std::max(1, m_height / 4));
        switch (uniform(0, 7)) {
            case 0:
                break;  // nothing changed
            case 1:
                window();
                break;
            case 2:
                text(x, y, w, std::min(h, 12));
                break;
            case 3:
                fill(x, y, 1, std::min(h, 14), uniform(0, 1) ? 0xFF000000 : 0xFFFFFFFF);  // caret
                break;
            case 4:
                scroll(x, y, w, h, uniform(1, 3));
                break;
            case 5:
                noise(x, y, std::min(w, 40), std::min(h, 20));
                break;
            case 6:
                gradient(x, y, w, h);
                break;
            default:
                fill(x, y, w, h, 0x80000000u | (m_rng() & 0xFFFFFF));  // translucent
                break;
        }
    }

  private:
    void window() {
        const int x = uniform(0, m_width - 1), y = uniform(0, m_height - 1);
        const int w = uniform(1, std::max(1, m_width / 2)),
                  h = uniform(1, std::max(1, m_height / 2));
        fill(x, y, w, h, 0xFFECECEC);
        fill(x, y, w, std::min(h, 6), 0xFFB0B0C8);
        text(x + 2, y + 8, w - 4, h - 10);
    }

    void fill(int x, int y, int w, int h, uint32_t argb) {
        for (int j = y; j < std::min(y + h, m_height); ++j) {
            for (int i = x; i < std::min(x + w, m_width); ++i) {
                put(i, j, argb);
            }
        }
    }

    // Dark glyph-like specks on the background already there.
    void text(int x, int y, int w, int h) {
        for (int j = y; j < std::min(y + h, m_height); ++j) {
            for (int i = x; i < std::min(x + w, m_width); ++i) {
                if (m_rng() % 5 == 0) {
                    put(i, j, 0xFF101010u + (m_rng() % 3) * 0x00202020u);
                }
            }
        }
    }

    void gradient(int x, int y, int w, int h) {
        for (int j = std::max(y, 0); j < std::min(y + h, m_height); ++j) {
            for (int i = x; i < std::min(x + w, m_width); ++i) {
                put(i, j,
                    0xFF000000u | (uint32_t(i * 7) & 0xFF) << 16 | (uint32_t(j * 3) & 0xFF) << 8 |
                        0x40);
            }
        }
    }

    void noise(int x, int y, int w, int h) {
        for (int j = y; j < std::min(y + h, m_height); ++j) {
            for (int i = x; i < std::min(x + w, m_width); ++i) {
                put(i, j, m_rng());
            }
        }
    }

    // Moves the rows of a region up by `lines`.
    void scroll(int x, int y, int w, int h, int lines) {
        for (int j = y; j + lines < std::min(y + h, m_height); ++j) {
            for (int i = x; i < std::min(x + w, m_width); ++i) {
                put(i, j, get(i, j + lines));
            }
        }
    }

    void put(int x, int y, uint32_t argb) {
        StoreARGB(&m_frame[(size_t(y) * m_width + x) * 4], argb);
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

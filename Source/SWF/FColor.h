// Colours as the SWF records store them.
#pragma once

#include <cstdint>

class FSWFStream;

// A packed RGB value: red in the lowest byte, then green, then blue.
struct FRGB {
    uint32_t value = 0;
    constexpr uint32_t Red() const { return value & 0xFF; }
    constexpr uint32_t Green() const { return (value >> 8) & 0xFF; }
    constexpr uint32_t Blue() const { return (value >> 16) & 0xFF; }
};

// A packed RGBA value: red in the lowest byte, then green, blue, and alpha
// in the highest byte.
struct FRGBA {
    uint32_t value = 0;
    constexpr uint32_t Red() const { return value & 0xFF; }
    constexpr uint32_t Green() const { return (value >> 8) & 0xFF; }
    constexpr uint32_t Blue() const { return (value >> 16) & 0xFF; }
    constexpr uint32_t Alpha() const { return value >> 24; }
};

// RGB or RGBA; written with alpha only when it has one.
class FColor {
  public:
    FColor(uint32_t red, uint32_t green, uint32_t blue);  // opaque, no alpha
    FColor(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha);
    explicit FColor(FRGB rgb);
    explicit FColor(FRGBA rgba);

    void WriteToSWFStream(FSWFStream* stream) const;

    void AlphaChannel(bool hasAlpha) { m_hasAlpha = hasAlpha; }
    bool HasAlpha() const { return m_hasAlpha; }
    uint32_t Red() const { return m_red; }
    uint32_t Green() const { return m_green; }
    uint32_t Blue() const { return m_blue; }
    uint32_t Alpha() const { return m_alpha; }

  private:
    uint32_t m_red;
    uint32_t m_green;
    uint32_t m_blue;
    uint32_t m_alpha;
    bool m_hasAlpha;
};

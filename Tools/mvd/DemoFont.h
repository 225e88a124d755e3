// Text for the demo desktop: a system font found by family name through
// fontconfig, its glyphs rendered by FreeType as 8-bit coverage and kept
// once rendered.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "DemoCanvas.h"

namespace mvddemo {

// The code points of a UTF-8 string; a malformed byte stands for itself.
std::vector<uint32_t> DecodeUtf8(std::string_view text);

class DemoFont {
  public:
    // Throws std::runtime_error when no font can be found or loaded.
    DemoFont(const std::string& family, int32_t pixelSize);
    ~DemoFont();
    DemoFont(const DemoFont&) = delete;
    DemoFont& operator=(const DemoFont&) = delete;

    // The family of the face found and its file.
    const std::string& family() const { return m_family; }
    const std::string& path() const { return m_path; }
    int32_t ascent() const { return m_ascent; }
    int32_t lineHeight() const { return m_lineHeight; }

    int32_t advance(uint32_t code);
    int32_t measure(std::string_view text);
    // Draws text with its baseline at y, clipped to the canvas' clip.
    // Returns the pen position after the last character.
    int32_t draw(Canvas& canvas, int32_t x, int32_t baseline, std::string_view text, uint32_t argb);

  private:
    struct Glyph {
        std::vector<uint8_t> coverage;
        int32_t width = 0;
        int32_t height = 0;
        int32_t left = 0;  // from the pen to the bitmap's left edge
        int32_t top = 0;   // from the baseline up to the bitmap's top edge
        int32_t advance = 0;
    };
    struct Face;

    const Glyph& glyph(uint32_t code);

    std::unique_ptr<Face> m_face;
    std::unordered_map<uint32_t, Glyph> m_glyphs;
    std::string m_family;
    std::string m_path;
    int32_t m_ascent = 0;
    int32_t m_lineHeight = 0;
};

}  // namespace mvddemo

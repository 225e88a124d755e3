// Text of the high-level scene: a line drawn with an embedded HFFont
// (DefineText), and a text field (DefineEditText).  Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SWF/HFFont.h"
#include "SWF/HFShape.h"

// One line of text whose box's top left is at (x, y); `height` is the em
// height in twips.  The font must outlive the movie's writing.
class HFText : public HFShape {
  public:
    HFText(const char* text, HFFont* font, int32_t x, int32_t y, uint32_t height);
    void SetTextColor(FRGBA color) { m_color = color; }

  protected:
    uint16_t CreateDefinitions(std::list<FObj*>* objects) override;
    void AddRequiredDefinitions(std::list<FObj*>* objects, HFMovie* movie) override;

  private:
    std::vector<uint32_t> m_codes;
    HFFont* m_font;
    uint32_t m_height;
    FRGBA m_color{0xFF000000};
};

// A text field of the given box.  By default read-only, with a border,
// opaque black text of 240 twips (12 pixels) in the player's own font; with
// SetFont, drawn with that embedded font (which then also holds the
// printable ASCII characters, so an editable field can be typed into).
class HFEditText : public HFShape {
  public:
    HFEditText(int32_t x, int32_t y, int32_t width, int32_t height);
    void SetText(const char* text);
    void SetTextColor(FRGBA color) { m_color = color; }
    void SetEditable(bool editable) { m_editable = editable; }
    void SetHeight(uint32_t fontHeight);
    void SetFont(HFFont* font) { m_font = font; }
    void SetBorder(bool border) { m_border = border; }
    // The ActionScript variable holding the field's text.
    void SetVariableName(const char* name);

  protected:
    uint16_t CreateDefinitions(std::list<FObj*>* objects) override;
    void AddRequiredDefinitions(std::list<FObj*>* objects, HFMovie* movie) override;

  private:
    std::string m_text;
    std::string m_variable;
    FRGBA m_color{0xFF000000};
    bool m_editable = false;
    bool m_border = true;
    uint32_t m_fontHeight = 240;
    HFFont* m_font = nullptr;
};

// The code points of a UTF-8 string; bytes that do not decode become U+FFFD.
std::vector<uint32_t> DecodeUtf8(const std::string& text);

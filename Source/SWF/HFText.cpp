#include "SWF/HFText.h"

#include <cmath>
#include <stdexcept>

#include "SWF/FDTFonts.h"
#include "SWF/FDTText.h"

namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr const char* kDeviceFont = "_sans";

int32_t Scaled(int64_t emUnits, uint32_t height) {
    return static_cast<int32_t>(
        std::llround(static_cast<double>(emUnits) * height / HFFont::kEmSquare));
}

}  // namespace

std::vector<uint32_t> DecodeUtf8(const std::string& text) {
    std::vector<uint32_t> codes;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        uint32_t code = length == 1 ? lead : lead & (0x3F >> length);
        bool valid = length != 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            valid = (next >> 6) == 2;
            code = (code << 6) | (next & 0x3F);
        }
        codes.push_back(valid ? code : kReplacement);
        i += valid ? length : 1;
    }
    return codes;
}

HFText::HFText(const char* text, HFFont* font, int32_t x, int32_t y, uint32_t height)
    : HFShape(x, y, 0, 0),
      m_codes(DecodeUtf8(text != nullptr ? text : "")),
      m_font(font),
      m_height(height) {
    if (font == nullptr) {
        throw std::invalid_argument("text without a font");
    }
    if (height == 0 || height > 0xFFFF) {
        throw std::out_of_range("text height must be 1 to 65535 twips");
    }
}

void HFText::AddRequiredDefinitions(std::list<FObj*>* objects, HFMovie* movie) {
    m_font->AddDefinitions(objects, movie);
}

uint16_t HFText::CreateDefinitions(std::list<FObj*>* objects) {
    struct Glyph {
        uint16_t index;
        int32_t advance;
    };
    std::vector<Glyph> glyphs;
    int64_t width = 0;
    for (uint32_t code : m_codes) {
        glyphs.push_back(
            {m_font->GetGlyphCodeFromAscii(code), Scaled(m_font->GetAdvance(code), m_height)});
        width += glyphs.back().advance;
    }
    if (width > 0x3FFFFFFF) {
        throw std::range_error("text line too long");
    }
    const int32_t ascent = Scaled(m_font->Ascent(), m_height);
    const int32_t lineHeight = Scaled(int64_t{m_font->Ascent()} + m_font->Descent(), m_height);
    SetBounds(X(), Y(), static_cast<int32_t>(width), lineHeight);

    auto text = std::make_unique<FDTDefineText>(
        new FRect(0, 0, static_cast<int32_t>(width), lineHeight), nullptr);
    // The baseline sits one ascent below the box's top.
    text->AddTextRecord(new FTextChangeRecord(
        true, true, true, true, m_font->CharacterID(), static_cast<uint16_t>(m_height),
        new FColor(FRGB{m_color.value & 0xFFFFFF}), 0, static_cast<int16_t>(ascent)));
    // Runs of at most 127 glyphs; each continues where the last ended.
    FTextGlyphRecord* run = nullptr;
    for (const Glyph& g : glyphs) {
        if (run == nullptr || run->GlyphCount() == FTextGlyphRecord::kMaxGlyphs) {
            run = new FTextGlyphRecord();
            text->AddTextRecord(run);
        }
        run->AddGlyphEntry(g.index, g.advance);
    }
    const uint16_t id = text->ID();
    objects->push_back(text.release());
    return id;
}

HFEditText::HFEditText(int32_t x, int32_t y, int32_t width, int32_t height)
    : HFShape(x, y, width, height) {}

void HFEditText::SetText(const char* text) {
    m_text = text != nullptr ? text : "";
}

void HFEditText::SetVariableName(const char* name) {
    m_variable = name != nullptr ? name : "";
}

void HFEditText::SetHeight(uint32_t fontHeight) {
    if (fontHeight == 0 || fontHeight > 0xFFFF) {
        throw std::out_of_range("font height must be 1 to 65535 twips");
    }
    m_fontHeight = fontHeight;
}

void HFEditText::AddRequiredDefinitions(std::list<FObj*>* objects, HFMovie* movie) {
    if (m_font == nullptr) {
        return;
    }
    m_font->AddDefinitions(objects, movie);
    for (uint32_t code : DecodeUtf8(m_text)) {
        m_font->AddGlyph(code);
    }
    if (m_editable) {
        for (uint32_t code = 0x20; code < 0x7F; ++code) {
            m_font->AddGlyph(code);
        }
    }
}

uint16_t HFEditText::CreateDefinitions(std::list<FObj*>* objects) {
    const bool embedded = m_font != nullptr;
    uint16_t fontID = embedded ? m_font->CharacterID() : 0;
    if (!embedded) {
        // A font without glyphs names the player's own sans-serif face.
        auto* device = new FDTDefineFont2(kDeviceFont, 0, 0, 0);
        objects->push_back(device);
        fontID = device->ID();
    }
    auto* field =
        new FDTDefineEditText(new FRect(0, 0, Width(), Height()), true, false, true, !m_editable,
                              false, false, false, !m_text.empty(), embedded, m_border, false, true,
                              fontID, static_cast<uint16_t>(m_fontHeight), new FColor(m_color), 0,
                              0, 0, 0, 0, 0, m_variable.c_str(), m_text.c_str());
    objects->push_back(field);
    return field->ID();
}

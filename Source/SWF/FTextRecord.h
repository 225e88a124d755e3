// Text records of DefineText and DefineText2: style changes (font, colour,
// position, height) and runs of glyphs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FColor.h"

class FSWFStream;

class FTextRecord {
  public:
    virtual ~FTextRecord() = default;
    // Glyph and advance widths are those of the enclosing text tag.
    virtual void WriteToSWFStream(FSWFStream* stream, uint32_t glyphBits, uint32_t advanceBits) = 0;
    virtual bool IsGlyphRecord() const { return false; }
    virtual uint32_t MinCodeBits() const { return 0; }
    virtual uint32_t MinAdvanceBits() const { return 0; }
    // Colours carry alpha in DefineText2.
    virtual void UseAlpha(bool) {}
};

// 1, three zero bits, HasFont, HasColor, HasYOffset, HasXOffset, then
// FontID, the colour, XOffset, YOffset and TextHeight as present (the height
// goes with the font).  Owns the colour (may be null without HasColor).
class FTextChangeRecord : public FTextRecord {
  public:
    FTextChangeRecord(bool hasFont, bool hasColor, bool hasXOffset, bool hasYOffset,
                      uint16_t fontID, uint16_t textHeight, FColor* color, int16_t xOffset,
                      int16_t yOffset);
    void WriteToSWFStream(FSWFStream* stream, uint32_t glyphBits, uint32_t advanceBits) override;
    void UseAlpha(bool alpha) override;

  private:
    bool m_hasFont;
    bool m_hasColor;
    bool m_hasXOffset;
    bool m_hasYOffset;
    uint16_t m_fontID;
    uint16_t m_textHeight;
    std::unique_ptr<FColor> m_color;
    int16_t m_xOffset;
    int16_t m_yOffset;
};

// 0, the glyph count (7 bits), then each glyph's index and advance; ends on
// a byte boundary, where players read the next record.
class FTextGlyphRecord : public FTextRecord {
  public:
    static constexpr size_t kMaxGlyphs = 127;

    // Throws std::length_error past 127 glyphs: a longer run is written as
    // several records.
    void AddGlyphEntry(uint32_t glyphIndex, int32_t advance);
    size_t GlyphCount() const { return m_glyphs.size(); }
    void WriteToSWFStream(FSWFStream* stream, uint32_t glyphBits, uint32_t advanceBits) override;
    bool IsGlyphRecord() const override { return true; }
    uint32_t MinCodeBits() const override;
    uint32_t MinAdvanceBits() const override;

  private:
    struct Glyph {
        uint32_t index;
        int32_t advance;
    };
    std::vector<Glyph> m_glyphs;
};

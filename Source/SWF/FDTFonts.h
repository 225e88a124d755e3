// Font definitions: glyph outlines (DefineFont, DefineFont2) and the name
// and character codes of a DefineFont (DefineFontInfo).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SWF/FObj.h"
#include "SWF/FRect.h"
#include "SWF/FShape.h"
#include "SWF/FString.h"

// A kerning pair: codes as 8 or 16 bits each, then the signed adjustment.
class FKerningRec {
  public:
    FKerningRec(uint16_t leftCode, uint16_t rightCode, int16_t adjustment);
    bool CodesWide() const { return m_leftCode > 0xFF || m_rightCode > 0xFF; }
    void WriteToSWFStream(FSWFStream* stream, bool wideCodes) const;

  private:
    uint16_t m_leftCode;
    uint16_t m_rightCode;
    int16_t m_adjustment;
};

// Glyph shapes in the EM square of 1024 units, as tables of offsets from
// the start of the offset table.
class FGlyphTable {
  public:
    FGlyphTable();
    ~FGlyphTable();
    // Takes ownership.  Throws std::length_error past 65535 glyphs.
    void Add(FShape* glyph);
    uint32_t Count() const { return static_cast<uint32_t>(m_glyphs.size()); }
    // The shapes one after another, and where each starts.
    uint32_t WriteShapes(FSWFStream& shapes, std::vector<uint32_t>& offsets) const;

  private:
    std::vector<std::unique_ptr<FShape>> m_glyphs;
};

// DefineFont (10): FontId, the 16-bit offset table, the glyph shapes.
class FDTDefineFont : public FDT {
  public:
    FDTDefineFont();
    ~FDTDefineFont() override;
    uint16_t ID() override { return m_characterID; }
    // Returns the glyph's index.
    uint32_t AddShapeGlyph(FShape* glyph);
    uint32_t GlyphCount() const { return m_glyphs.Count(); }
    // Throws std::length_error when the shapes outgrow 16-bit offsets.
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    FGlyphTable m_glyphs;
};

// DefineFont2 (48): glyphs with their character codes (16 bits, as movies of
// version 6 and later require), optionally with layout: ascent, descent,
// leading, per-glyph advances and bounds, and kerning pairs.  Offsets are
// 32 bits wide when the glyphs need it.
class FDTDefineFont2 : public FDT {
  public:
    FDTDefineFont2(const char* name, uint16_t bold, uint16_t italic, uint16_t languageCode);
    FDTDefineFont2(const char* name, uint16_t bold, uint16_t italic, uint16_t languageCode,
                   int16_t ascent, int16_t descent, int16_t leading);
    ~FDTDefineFont2() override;
    uint16_t ID() override { return m_characterID; }
    // Takes the shape and the bounds (null: empty); returns the glyph index.
    uint32_t AddGlyph(FShape* glyph, uint16_t code, int16_t advance = 0, FRect* bounds = nullptr);
    void AddKerningRec(FKerningRec* kerning);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    std::string m_name;
    bool m_bold;
    bool m_italic;
    uint8_t m_languageCode;
    bool m_hasLayout;
    int16_t m_ascent = 0;
    int16_t m_descent = 0;
    int16_t m_leading = 0;
    FGlyphTable m_glyphs;
    std::vector<uint16_t> m_codes;
    std::vector<int16_t> m_advances;
    std::vector<std::unique_ptr<FRect>> m_bounds;
    std::vector<std::unique_ptr<FKerningRec>> m_kerning;
};

// DefineFontInfo (13): the name and style of a DefineFont and the character
// code of each of its glyphs, in glyph order.
class FDTDefineFontInfo : public FDT {
  public:
    FDTDefineFontInfo(const char* name, uint16_t fontID, uint16_t bold, uint16_t italic,
                      uint16_t wideCodes);
    void AddCode(uint16_t code);
    // FontId, name length and name, the flag byte, the code table (16-bit
    // codes when asked for or when a code needs them).
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::string m_name;
    uint16_t m_fontID;
    bool m_bold;
    bool m_italic;
    bool m_wideCodes;
    std::vector<uint16_t> m_codes;
};

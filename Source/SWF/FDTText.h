// Text definitions: static text drawn with an embedded font (DefineText,
// DefineText2 with alpha colours) and editable text fields (DefineEditText).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SWF/FColor.h"
#include "SWF/FMatrix.h"
#include "SWF/FObj.h"
#include "SWF/FRect.h"
#include "SWF/FTextRecord.h"

class FDTDefineTextBase : public FDT {
  public:
    ~FDTDefineTextBase() override;
    uint16_t ID() override { return m_characterID; }
    void AddTextRecord(FTextRecord* record);
    // CharacterId, bounds, MATRIX, GlyphBits, AdvanceBits, the records, 0.
    // Players read each glyph run after a style change: a run that does not
    // follow one gets an empty change record before it.
    void WriteToSWFStream(FSWFStream* stream) override;

  protected:
    FDTDefineTextBase(uint16_t tagCode, bool alpha, FRect* bounds, FMatrix* matrix);

  private:
    uint16_t m_characterID;
    uint16_t m_tagCode;
    bool m_alpha;
    std::unique_ptr<FRect> m_bounds;
    std::unique_ptr<FMatrix> m_matrix;
    std::vector<std::unique_ptr<FTextRecord>> m_records;
};

// DefineText (11).  Owns bounds and matrix (null: identity); the int is not
// used.
class FDTDefineText : public FDTDefineTextBase {
  public:
    FDTDefineText(FRect* bounds, FMatrix* matrix, int unused = 0);
};

// DefineText2 (33): colours of change records carry alpha.
class FDTDefineText2 : public FDTDefineTextBase {
  public:
    FDTDefineText2(FRect* bounds, FMatrix* matrix, int unused = 0);
};

// DefineEditText (37): a text field, optionally editable.  Owns the bounds
// and the colour (RGBA; may be null without hasTextColor).
class FDTDefineEditText : public FDT {
  public:
    FDTDefineEditText(FRect* bounds, bool hasFont, bool hasMaxLength, bool hasTextColor,
                      bool readOnly, bool password, bool multiline, bool wordWrap, bool hasText,
                      bool useOutlines, bool border, bool noSelect, bool hasLayout, uint16_t fontID,
                      uint16_t fontHeight, FColor* color, uint16_t maxLength, uint8_t align,
                      uint16_t leftMargin, uint16_t rightMargin, uint16_t indent, uint16_t leading,
                      const char* variableName, const char* initialText);
    uint16_t ID() override { return m_characterID; }
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    std::unique_ptr<FRect> m_bounds;
    bool m_hasFont, m_hasMaxLength, m_hasTextColor, m_readOnly, m_password, m_multiline;
    bool m_wordWrap, m_hasText, m_useOutlines, m_border, m_noSelect, m_hasLayout;
    uint16_t m_fontID;
    uint16_t m_fontHeight;
    std::unique_ptr<FColor> m_color;
    uint16_t m_maxLength;
    uint8_t m_align;
    uint16_t m_leftMargin, m_rightMargin, m_indent, m_leading;
    std::string m_variableName;
    std::string m_initialText;
};

#include "SWF/FDTText.h"

#include <algorithm>
#include <stdexcept>

#include "SWF/FObjCollection.h"
#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"
#include "SWF/FString.h"

namespace {

enum : uint16_t { kTagDefineText = 11, kTagDefineText2 = 33, kTagDefineEditText = 37 };

}  // namespace

FDTDefineTextBase::FDTDefineTextBase(uint16_t tagCode, bool alpha, FRect* bounds, FMatrix* matrix)
    : m_characterID(FObjCollection::Increment()),
      m_tagCode(tagCode),
      m_alpha(alpha),
      m_bounds(bounds != nullptr ? bounds : new FRect(0, 0, 0, 0)),
      m_matrix(matrix != nullptr ? matrix : new FMatrix()) {}

FDTDefineTextBase::~FDTDefineTextBase() = default;

void FDTDefineTextBase::AddTextRecord(FTextRecord* record) {
    auto owned = Adopt(record, "null text record");
    owned->UseAlpha(m_alpha);
    m_records.push_back(std::move(owned));
}

void FDTDefineTextBase::WriteToSWFStream(FSWFStream* stream) {
    uint32_t glyphBits = 0;
    uint32_t advanceBits = 0;
    for (const std::unique_ptr<FTextRecord>& record : m_records) {
        glyphBits = std::max(glyphBits, record->MinCodeBits());
        advanceBits = std::max(advanceBits, record->MinAdvanceBits());
    }
    AppendTagBody(stream, m_tagCode, [&](FSWFStream& body) {
        body.WriteWord(m_characterID);
        m_bounds->WriteToSWFStream(&body);
        m_matrix->WriteToSWFStream(&body);
        body.WriteByte(glyphBits);
        body.WriteByte(advanceBits);
        bool afterChange = false;
        for (const std::unique_ptr<FTextRecord>& record : m_records) {
            if (record->IsGlyphRecord() && !afterChange) {
                FTextChangeRecord(false, false, false, false, 0, 0, nullptr, 0, 0)
                    .WriteToSWFStream(&body, glyphBits, advanceBits);
            }
            record->WriteToSWFStream(&body, glyphBits, advanceBits);
            afterChange = !record->IsGlyphRecord();
        }
        body.FlushBits();
        body.WriteByte(0);
    });
}

FDTDefineText::FDTDefineText(FRect* bounds, FMatrix* matrix, int)
    : FDTDefineTextBase(kTagDefineText, false, bounds, matrix) {}

FDTDefineText2::FDTDefineText2(FRect* bounds, FMatrix* matrix, int)
    : FDTDefineTextBase(kTagDefineText2, true, bounds, matrix) {}

FDTDefineEditText::FDTDefineEditText(FRect* bounds, bool hasFont, bool hasMaxLength,
                                     bool hasTextColor, bool readOnly, bool password,
                                     bool multiline, bool wordWrap, bool hasText, bool useOutlines,
                                     bool border, bool noSelect, bool hasLayout, uint16_t fontID,
                                     uint16_t fontHeight, FColor* color, uint16_t maxLength,
                                     uint8_t align, uint16_t leftMargin, uint16_t rightMargin,
                                     uint16_t indent, uint16_t leading, const char* variableName,
                                     const char* initialText)
    : m_characterID(FObjCollection::Increment()),
      m_bounds(bounds != nullptr ? bounds : new FRect(0, 0, 0, 0)),
      m_hasFont(hasFont),
      m_hasMaxLength(hasMaxLength),
      m_hasTextColor(hasTextColor),
      m_readOnly(readOnly),
      m_password(password),
      m_multiline(multiline),
      m_wordWrap(wordWrap),
      m_hasText(hasText),
      m_useOutlines(useOutlines),
      m_border(border),
      m_noSelect(noSelect),
      m_hasLayout(hasLayout),
      m_fontID(fontID),
      m_fontHeight(fontHeight),
      m_color(color),
      m_maxLength(maxLength),
      m_align(align),
      m_leftMargin(leftMargin),
      m_rightMargin(rightMargin),
      m_indent(indent),
      m_leading(leading),
      m_variableName(variableName != nullptr ? variableName : ""),
      m_initialText(initialText != nullptr ? initialText : "") {
    if (m_hasTextColor && !m_color) {
        throw std::invalid_argument("edit text colour missing");
    }
    if (m_color) {
        m_color->AlphaChannel(true);  // the field's colour is always RGBA
    }
}

void FDTDefineEditText::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineEditText, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        m_bounds->WriteToSWFStream(&body);
        for (bool flag : {m_hasText, m_wordWrap, m_multiline, m_password, m_readOnly,
                          m_hasTextColor, m_hasMaxLength, m_hasFont, false, false, m_hasLayout,
                          m_noSelect, m_border, false, false, m_useOutlines}) {
            body.WriteBits(flag, 1);
        }
        if (m_hasFont) {
            body.WriteWord(m_fontID);
            body.WriteWord(m_fontHeight);
        }
        if (m_hasTextColor) {
            m_color->WriteToSWFStream(&body);
        }
        if (m_hasMaxLength) {
            body.WriteWord(m_maxLength);
        }
        if (m_hasLayout) {
            body.WriteByte(m_align);
            body.WriteWord(m_leftMargin);
            body.WriteWord(m_rightMargin);
            body.WriteWord(m_indent);
            body.WriteWord(m_leading);
        }
        FString(m_variableName).WriteToSWFStream(&body, true);
        if (m_hasText) {
            FString(m_initialText).WriteToSWFStream(&body, true);
        }
    });
}

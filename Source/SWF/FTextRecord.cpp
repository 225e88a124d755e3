#include "SWF/FTextRecord.h"

#include <algorithm>
#include <stdexcept>

#include "SWF/FSWFStream.h"

FTextChangeRecord::FTextChangeRecord(bool hasFont, bool hasColor, bool hasXOffset, bool hasYOffset,
                                     uint16_t fontID, uint16_t textHeight, FColor* color,
                                     int16_t xOffset, int16_t yOffset)
    : m_hasFont(hasFont),
      m_hasColor(hasColor),
      m_hasXOffset(hasXOffset),
      m_hasYOffset(hasYOffset),
      m_fontID(fontID),
      m_textHeight(textHeight),
      m_color(color),
      m_xOffset(xOffset),
      m_yOffset(yOffset) {
    if (m_hasColor && !m_color) {
        throw std::invalid_argument("text colour change without a colour");
    }
}

void FTextChangeRecord::UseAlpha(bool alpha) {
    if (m_color) {
        m_color->AlphaChannel(alpha);
    }
}

void FTextChangeRecord::WriteToSWFStream(FSWFStream* stream, uint32_t, uint32_t) {
    stream->WriteBits(1, 1);
    stream->WriteBits(0, 3);
    for (bool flag : {m_hasFont, m_hasColor, m_hasYOffset, m_hasXOffset}) {
        stream->WriteBits(flag, 1);
    }
    if (m_hasFont) {
        stream->WriteWord(m_fontID);
    }
    if (m_hasColor) {
        m_color->WriteToSWFStream(stream);
    }
    if (m_hasXOffset) {
        stream->WriteWord(static_cast<uint16_t>(m_xOffset));
    }
    if (m_hasYOffset) {
        stream->WriteWord(static_cast<uint16_t>(m_yOffset));
    }
    if (m_hasFont) {
        stream->WriteWord(m_textHeight);
    }
}

void FTextGlyphRecord::AddGlyphEntry(uint32_t glyphIndex, int32_t advance) {
    if (m_glyphs.size() >= kMaxGlyphs) {
        throw std::length_error("a glyph record holds at most 127 glyphs");
    }
    m_glyphs.push_back({glyphIndex, advance});
}

uint32_t FTextGlyphRecord::MinCodeBits() const {
    uint32_t bits = 0;
    for (const Glyph& g : m_glyphs) {
        bits = std::max(bits, FSWFStream::MinBits(g.index, 1));
    }
    return bits;
}

uint32_t FTextGlyphRecord::MinAdvanceBits() const {
    uint32_t bits = 0;
    for (const Glyph& g : m_glyphs) {
        bits = std::max(bits, FSWFStream::MinBits(FSWFStream::MaxNum(g.advance, 0, 0, 0), 1));
    }
    return bits;
}

void FTextGlyphRecord::WriteToSWFStream(FSWFStream* stream, uint32_t glyphBits,
                                        uint32_t advanceBits) {
    stream->WriteBits(0, 1);
    stream->WriteBits(static_cast<uint32_t>(m_glyphs.size()), 7);
    for (const Glyph& g : m_glyphs) {
        stream->WriteBits(g.index, glyphBits);
        stream->WriteBits(static_cast<uint32_t>(g.advance), advanceBits);
    }
    stream->FlushBits();
}

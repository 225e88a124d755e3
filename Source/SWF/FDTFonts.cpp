#include "SWF/FDTFonts.h"

#include <algorithm>
#include <stdexcept>

#include "SWF/FObjCollection.h"
#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

namespace {

enum : uint16_t { kTagDefineFont = 10, kTagDefineFontInfo = 13, kTagDefineFont2 = 48 };

constexpr uint32_t kMaxGlyphs = 0xFFFF;

// Font names are written with an 8-bit length.
void WriteName(FSWFStream& body, const std::string& name) {
    if (name.size() > 0xFF) {
        throw std::length_error("font name longer than 255 bytes");
    }
    body.WriteByte(static_cast<uint32_t>(name.size()));
    FString(name).WriteToSWFStream(&body, false);
}

}  // namespace

FKerningRec::FKerningRec(uint16_t leftCode, uint16_t rightCode, int16_t adjustment)
    : m_leftCode(leftCode), m_rightCode(rightCode), m_adjustment(adjustment) {}

void FKerningRec::WriteToSWFStream(FSWFStream* stream, bool wideCodes) const {
    if (wideCodes) {
        stream->WriteWord(m_leftCode);
        stream->WriteWord(m_rightCode);
    } else {
        stream->WriteByte(m_leftCode);
        stream->WriteByte(m_rightCode);
    }
    stream->WriteWord(static_cast<uint16_t>(m_adjustment));
}

FGlyphTable::FGlyphTable() = default;
FGlyphTable::~FGlyphTable() = default;

void FGlyphTable::Add(FShape* glyph) {
    auto owned = Adopt(glyph, "null glyph");
    if (m_glyphs.size() >= kMaxGlyphs) {
        throw std::length_error("a font holds at most 65535 glyphs");
    }
    m_glyphs.push_back(std::move(owned));
}

uint32_t FGlyphTable::WriteShapes(FSWFStream& shapes, std::vector<uint32_t>& offsets) const {
    offsets.clear();
    for (const std::unique_ptr<FShape>& glyph : m_glyphs) {
        offsets.push_back(shapes.Size());
        glyph->WriteToSWFStream(&shapes);
    }
    return shapes.Size();
}

FDTDefineFont::FDTDefineFont() : m_characterID(FObjCollection::Increment()) {}
FDTDefineFont::~FDTDefineFont() = default;

uint32_t FDTDefineFont::AddShapeGlyph(FShape* glyph) {
    m_glyphs.Add(glyph);
    return m_glyphs.Count() - 1;
}

void FDTDefineFont::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineFont, [this](FSWFStream& body) {
        FSWFStream shapes;
        std::vector<uint32_t> offsets;
        m_glyphs.WriteShapes(shapes, offsets);
        const uint32_t tableSize = 2 * m_glyphs.Count();
        if (tableSize + shapes.Size() > 0xFFFF) {
            throw std::length_error("DefineFont glyphs beyond 16-bit offsets");
        }
        body.WriteWord(m_characterID);
        for (uint32_t offset : offsets) {
            body.WriteWord(tableSize + offset);
        }
        body.Append(&shapes);
    });
}

FDTDefineFont2::FDTDefineFont2(const char* name, uint16_t bold, uint16_t italic,
                               uint16_t languageCode)
    : m_characterID(FObjCollection::Increment()),
      m_name(name != nullptr ? name : ""),
      m_bold(bold != 0),
      m_italic(italic != 0),
      m_languageCode(static_cast<uint8_t>(languageCode)),
      m_hasLayout(false) {}

FDTDefineFont2::FDTDefineFont2(const char* name, uint16_t bold, uint16_t italic,
                               uint16_t languageCode, int16_t ascent, int16_t descent,
                               int16_t leading)
    : FDTDefineFont2(name, bold, italic, languageCode) {
    m_hasLayout = true;
    m_ascent = ascent;
    m_descent = descent;
    m_leading = leading;
}

FDTDefineFont2::~FDTDefineFont2() = default;

uint32_t FDTDefineFont2::AddGlyph(FShape* glyph, uint16_t code, int16_t advance, FRect* bounds) {
    std::unique_ptr<FRect> box(bounds != nullptr ? bounds : new FRect(0, 0, 0, 0));
    m_glyphs.Add(glyph);
    m_codes.push_back(code);
    m_advances.push_back(advance);
    m_bounds.push_back(std::move(box));
    return m_glyphs.Count() - 1;
}

void FDTDefineFont2::AddKerningRec(FKerningRec* kerning) {
    auto owned = Adopt(kerning, "null kerning record");
    if (m_kerning.size() >= 0xFFFF) {
        throw std::length_error("a font holds at most 65535 kerning pairs");
    }
    m_kerning.push_back(std::move(owned));
}

void FDTDefineFont2::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineFont2, [this](FSWFStream& body) {
        FSWFStream shapes;
        std::vector<uint32_t> offsets;
        m_glyphs.WriteShapes(shapes, offsets);
        const uint32_t count = m_glyphs.Count();
        // The table holds one offset per glyph and the code table's offset.
        const bool wideOffsets = 2 * (count + 1) + uint64_t{shapes.Size()} > 0xFFFF;
        const uint32_t offsetBytes = wideOffsets ? 4 : 2;
        const uint32_t tableSize = offsetBytes * (count + 1);

        body.WriteWord(m_characterID);
        for (bool flag : {m_hasLayout, false /* Shift-JIS */, false /* small text */,
                          false /* ANSI */, wideOffsets, true /* wide codes */, m_italic, m_bold}) {
            body.WriteBits(flag, 1);
        }
        body.WriteByte(m_languageCode);
        WriteName(body, m_name);
        body.WriteWord(count);
        auto writeOffset = [&](uint32_t value) {
            wideOffsets ? body.WriteDWord(value) : body.WriteWord(value);
        };
        for (uint32_t offset : offsets) {
            writeOffset(tableSize + offset);
        }
        writeOffset(tableSize + shapes.Size());
        body.Append(&shapes);
        for (uint16_t code : m_codes) {
            body.WriteWord(code);
        }
        if (!m_hasLayout) {
            return;
        }
        body.WriteWord(static_cast<uint16_t>(m_ascent));
        body.WriteWord(static_cast<uint16_t>(m_descent));
        body.WriteWord(static_cast<uint16_t>(m_leading));
        for (int16_t advance : m_advances) {
            body.WriteWord(static_cast<uint16_t>(advance));
        }
        for (const std::unique_ptr<FRect>& bounds : m_bounds) {
            bounds->WriteToSWFStream(&body);
        }
        body.WriteWord(static_cast<uint32_t>(m_kerning.size()));
        for (const std::unique_ptr<FKerningRec>& kerning : m_kerning) {
            kerning->WriteToSWFStream(&body, true);
        }
    });
}

FDTDefineFontInfo::FDTDefineFontInfo(const char* name, uint16_t fontID, uint16_t bold,
                                     uint16_t italic, uint16_t wideCodes)
    : m_name(name != nullptr ? name : ""),
      m_fontID(fontID),
      m_bold(bold != 0),
      m_italic(italic != 0),
      m_wideCodes(wideCodes != 0) {}

void FDTDefineFontInfo::AddCode(uint16_t code) {
    if (m_codes.size() >= kMaxGlyphs) {
        throw std::length_error("a font holds at most 65535 codes");
    }
    m_codes.push_back(code);
}

void FDTDefineFontInfo::WriteToSWFStream(FSWFStream* stream) {
    const bool wide = m_wideCodes || std::any_of(m_codes.begin(), m_codes.end(),
                                                 [](uint16_t c) { return c > 0xFF; });
    AppendTagBody(stream, kTagDefineFontInfo, [&](FSWFStream& body) {
        body.WriteWord(m_fontID);
        WriteName(body, m_name);
        for (bool flag : {false, false, false /* small text */, false /* Shift-JIS */,
                          false /* ANSI */, m_italic, m_bold, wide}) {
            body.WriteBits(flag, 1);
        }
        for (uint16_t code : m_codes) {
            wide ? body.WriteWord(code) : body.WriteByte(code);
        }
    });
}

#include "DemoFont.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <stdexcept>

namespace mvddemo {

std::vector<uint32_t> DecodeUtf8(std::string_view text) {
    std::vector<uint32_t> codes;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        bool ok = i + extra < text.size() || extra == 0;
        for (int k = 1; ok && k <= extra; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        if (!ok) {
            codes.push_back(lead);
            ++i;
            continue;
        }
        codes.push_back(code);
        i += static_cast<size_t>(extra) + 1;
    }
    return codes;
}

namespace {

// The file and face index fontconfig picks for a family, searched with a
// configuration of our own that is released afterwards.
void LocateFont(const std::string& family, std::string* file, int* index, std::string* found) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPattern* match = nullptr;
    if (config != nullptr && pattern != nullptr) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        match = FcFontMatch(config, pattern, &result);
    }
    FcChar8* value = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &value) == FcResultMatch) {
        *file = reinterpret_cast<const char*>(value);
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) {
            *index = 0;
        }
        if (FcPatternGetString(match, FC_FAMILY, 0, &value) == FcResultMatch) {
            *found = reinterpret_cast<const char*>(value);
        }
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    if (pattern != nullptr) {
        FcPatternDestroy(pattern);
    }
    if (config != nullptr) {
        FcConfigDestroy(config);
    }
}

}  // namespace

struct DemoFont::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Face() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

DemoFont::DemoFont(const std::string& family, int32_t pixelSize) : m_face(new Face) {
    int index = 0;
    LocateFont(family, &m_path, &index, &m_family);
    if (m_path.empty()) {
        throw std::runtime_error("no system font found for \"" + family +
                                 "\" (is fontconfig configured and a font installed?)");
    }
    if (FT_Init_FreeType(&m_face->library) != 0 ||
        FT_New_Face(m_face->library, m_path.c_str(), index, &m_face->face) != 0 ||
        FT_Set_Pixel_Sizes(m_face->face, 0, static_cast<FT_UInt>(std::max(pixelSize, 4))) != 0) {
        throw std::runtime_error("cannot load the font " + m_path);
    }
    const FT_Size_Metrics& metrics = m_face->face->size->metrics;
    m_ascent = static_cast<int32_t>((metrics.ascender + 63) >> 6);
    m_lineHeight = static_cast<int32_t>((metrics.height + 63) >> 6);
}

DemoFont::~DemoFont() = default;

const DemoFont::Glyph& DemoFont::glyph(uint32_t code) {
    auto found = m_glyphs.find(code);
    if (found != m_glyphs.end()) {
        return found->second;
    }
    Glyph g;
    FT_Face face = m_face->face;
    if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0) {
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        g.advance = static_cast<int32_t>((face->glyph->advance.x + 32) >> 6);
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.buffer != nullptr) {
            g.width = static_cast<int32_t>(bitmap.width);
            g.height = static_cast<int32_t>(bitmap.rows);
            g.left = face->glyph->bitmap_left;
            g.top = face->glyph->bitmap_top;
            g.coverage.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
            for (int32_t row = 0; row < g.height; ++row) {
                const uint8_t* from = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
                std::copy(from, from + g.width,
                          g.coverage.begin() + static_cast<ptrdiff_t>(row) * g.width);
            }
        }
    }
    return m_glyphs.emplace(code, std::move(g)).first->second;
}

int32_t DemoFont::advance(uint32_t code) {
    return glyph(code).advance;
}

int32_t DemoFont::measure(std::string_view text) {
    int32_t width = 0;
    for (uint32_t code : DecodeUtf8(text)) {
        width += advance(code);
    }
    return width;
}

int32_t DemoFont::draw(Canvas& canvas, int32_t x, int32_t baseline, std::string_view text,
                       uint32_t argb) {
    const Rect& clip = canvas.clip();
    // Lines entirely outside the clip cost nothing.
    if (baseline - m_ascent >= clip.bottom() || baseline + m_lineHeight <= clip.y) {
        return x + measure(text);
    }
    for (uint32_t code : DecodeUtf8(text)) {
        const Glyph& g = glyph(code);
        if (!g.coverage.empty() && x + g.left < clip.right() && x + g.left + g.width > clip.x) {
            canvas.mask(x + g.left, baseline - g.top, g.coverage.data(), g.width, g.height, g.width,
                        argb);
        }
        x += g.advance;
    }
    return x;
}

}  // namespace mvddemo

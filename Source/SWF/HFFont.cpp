#include "SWF/HFFont.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

constexpr const char* kDefaultFamily = "DejaVu Sans";

// Path and face index of the best system font for a name.  A configuration
// of its own, released after the search, leaves nothing behind in the
// process.
bool FindFont(const char* name, std::string* path, int* index) {
    std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> config(FcInitLoadConfigAndFonts(),
                                                                 &FcConfigDestroy);
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
    if (config == nullptr || pattern == nullptr) {
        if (pattern != nullptr) {
            FcPatternDestroy(pattern);
        }
        return false;
    }
    FcConfigSubstitute(config.get(), pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config.get(), pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return false;
    }
    FcChar8* file = nullptr;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (found) {
        *path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) {
            *index = 0;
        }
    }
    FcPatternDestroy(match);
    return found;
}

// Turns a FreeType outline (font units, y up) into shape records (EM units
// of 1024, y down), rounding every point once so the deltas add up.
class OutlineWriter {
  public:
    OutlineWriter(FShape* shape, double scale, bool insideOnRight)
        : m_shape(shape), m_scale(scale), m_insideOnRight(insideOnRight) {}

    static int MoveTo(const FT_Vector* to, void* user) {
        auto* self = static_cast<OutlineWriter*>(user);
        const auto [x, y] = self->Point(to);
        // The first contour sets the fill; later ones only move.
        const bool first = !self->m_started;
        const uint32_t fill = first ? 1 : 0;
        self->m_shape->AddShapeRec(new FShapeRecChange(
            0, 0, first && self->m_insideOnRight, first && !self->m_insideOnRight, 1, x, y,
            self->m_insideOnRight ? 0 : fill, self->m_insideOnRight ? fill : 0, 0, nullptr,
            nullptr));
        self->m_started = true;
        self->m_x = x;
        self->m_y = y;
        return 0;
    }

    static int LineTo(const FT_Vector* to, void* user) {
        auto* self = static_cast<OutlineWriter*>(user);
        const auto [x, y] = self->Point(to);
        if (x != self->m_x || y != self->m_y) {
            self->m_shape->AddShapeRec(new FShapeRecEdgeStraight(x - self->m_x, y - self->m_y));
        }
        self->m_x = x;
        self->m_y = y;
        return 0;
    }

    static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
        auto* self = static_cast<OutlineWriter*>(user);
        self->Curve(self->Point(control), self->Point(to));
        return 0;
    }

    // Cubic curves (PostScript outlines) become two quadratic halves.
    static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        auto* self = static_cast<OutlineWriter*>(user);
        const double x0 = self->m_fx, y0 = self->m_fy;
        const double x3 = to->x, y3 = to->y;
        // Split at t = 1/2, then each half's quadratic control is
        // (3 (c1 + c2) - (p0 + p3)) / 4 of that half.
        const double ax = (x0 + c1->x) / 2, ay = (y0 + c1->y) / 2;
        const double bx = (c1->x + c2->x) / 2.0, by = (c1->y + c2->y) / 2.0;
        const double cx = (c2->x + x3) / 2, cy = (c2->y + y3) / 2;
        const double abx = (ax + bx) / 2, aby = (ay + by) / 2;
        const double bcx = (bx + cx) / 2, bcy = (by + cy) / 2;
        const double mx = (abx + bcx) / 2, my = (aby + bcy) / 2;
        const FT_Vector q1{static_cast<FT_Pos>(std::lround((3 * (ax + abx) - (x0 + mx)) / 4)),
                           static_cast<FT_Pos>(std::lround((3 * (ay + aby) - (y0 + my)) / 4))};
        const FT_Vector mid{static_cast<FT_Pos>(std::lround(mx)),
                            static_cast<FT_Pos>(std::lround(my))};
        const FT_Vector q2{static_cast<FT_Pos>(std::lround((3 * (bcx + cx) - (mx + x3)) / 4)),
                           static_cast<FT_Pos>(std::lround((3 * (bcy + cy) - (my + y3)) / 4))};
        ConicTo(&q1, &mid, user);
        ConicTo(&q2, to, user);
        return 0;
    }

  private:
    std::pair<int32_t, int32_t> Point(const FT_Vector* v) {
        m_fx = static_cast<double>(v->x);
        m_fy = static_cast<double>(v->y);
        return {static_cast<int32_t>(std::lround(v->x * m_scale)),
                static_cast<int32_t>(std::lround(-v->y * m_scale))};
    }

    void Curve(std::pair<int32_t, int32_t> control, std::pair<int32_t, int32_t> to) {
        const int32_t cdx = control.first - m_x, cdy = control.second - m_y;
        const int32_t adx = to.first - control.first, ady = to.second - control.second;
        if (cdx != 0 || cdy != 0 || adx != 0 || ady != 0) {
            m_shape->AddShapeRec(new FShapeRecEdgeCurved(cdx, cdy, adx, ady));
        }
        m_x = to.first;
        m_y = to.second;
    }

    FShape* m_shape;
    double m_scale;
    bool m_insideOnRight;
    bool m_started = false;
    int32_t m_x = 0, m_y = 0;   // the current point in EM units
    double m_fx = 0, m_fy = 0;  // and in font units
};

}  // namespace

struct HFFont::Glyphs {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    double scale = 1;             // font units to EM units
    std::vector<uint32_t> codes;  // by glyph index
    std::map<uint32_t, uint16_t> indexOf;

    ~Glyphs() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }

    int32_t Advance(uint32_t code) const {
        if (FT_Load_Char(face, code, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) {
            return 0;
        }
        const double advance = face->glyph->metrics.horiAdvance * scale;
        return static_cast<int32_t>(std::lround(std::min(advance, 32767.0)));
    }

    FShape* Shape(uint32_t code, FRect** bounds) const {
        auto shape = std::make_unique<FShape>();
        shape->SetFillBits(1);
        *bounds = nullptr;
        if (FT_Load_Char(face, code, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) ==
                0 &&
            face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Outline* outline = &face->glyph->outline;
            // TrueType outlines turn clockwise with y up: counter-clockwise
            // on screen, the inside on the left of each edge (fill style 0).
            const bool insideOnRight =
                FT_Outline_Get_Orientation(outline) != FT_ORIENTATION_TRUETYPE;
            OutlineWriter writer(shape.get(), scale, insideOnRight);
            const FT_Outline_Funcs funcs{&OutlineWriter::MoveTo,
                                         &OutlineWriter::LineTo,
                                         &OutlineWriter::ConicTo,
                                         &OutlineWriter::CubicTo,
                                         0,
                                         0};
            FT_Outline_Decompose(outline, &funcs, &writer);
            FT_BBox box;
            FT_Outline_Get_CBox(outline, &box);
            *bounds = new FRect(static_cast<int32_t>(std::floor(box.xMin * scale)),
                                static_cast<int32_t>(std::floor(-box.yMax * scale)),
                                static_cast<int32_t>(std::ceil(box.xMax * scale)),
                                static_cast<int32_t>(std::ceil(-box.yMin * scale)));
        }
        shape->AddShapeRec(new FShapeRecEnd());
        return shape.release();
    }
};

// The DefineFont2 of one movie.  Glyphs added to the font after it was
// created join it when it is written.
class HFFont::Definition : public FDT {
  public:
    Definition(std::shared_ptr<const Glyphs> glyphs, const std::string& family, int32_t ascent,
               int32_t descent)
        : m_glyphs(std::move(glyphs)),
          m_tag(family.c_str(), 0, 0, 0, static_cast<int16_t>(std::min(ascent, 32767)),
                static_cast<int16_t>(std::min(descent, 32767)), 0) {}

    uint16_t ID() override { return m_tag.ID(); }

    void WriteToSWFStream(FSWFStream* stream) override {
        for (; m_written < m_glyphs->codes.size(); ++m_written) {
            const uint32_t code = m_glyphs->codes[m_written];
            FRect* bounds = nullptr;
            FShape* shape = m_glyphs->Shape(code, &bounds);
            m_tag.AddGlyph(shape, static_cast<uint16_t>(code),
                           static_cast<int16_t>(m_glyphs->Advance(code)), bounds);
        }
        m_tag.WriteToSWFStream(stream);
    }

  private:
    std::shared_ptr<const Glyphs> m_glyphs;
    FDTDefineFont2 m_tag;
    size_t m_written = 0;
};

HFFont::HFFont(const char* name) : m_glyphs(std::make_shared<Glyphs>()) {
    Glyphs& g = *m_glyphs;
    if (FT_Init_FreeType(&g.library) != 0) {
        throw std::runtime_error("FreeType cannot start");
    }
    int index = 0;
    for (const char* candidate :
         {name != nullptr && *name != '\0' ? name : kDefaultFamily, kDefaultFamily}) {
        if (FindFont(candidate, &m_path, &index) &&
            FT_New_Face(g.library, m_path.c_str(), index, &g.face) == 0) {
            break;
        }
        g.face = nullptr;
    }
    if (g.face == nullptr || !FT_IS_SCALABLE(g.face) || g.face->units_per_EM == 0) {
        throw std::runtime_error("no scalable font found for \"" +
                                 std::string(name != nullptr ? name : "") + "\"");
    }
    m_family = g.face->family_name != nullptr ? g.face->family_name : "";
    g.scale = static_cast<double>(kEmSquare) / g.face->units_per_EM;
    m_ascent = static_cast<int32_t>(std::lround(g.face->ascender * g.scale));
    m_descent = static_cast<int32_t>(std::lround(-g.face->descender * g.scale));
}

HFFont::~HFFont() = default;

uint16_t HFFont::AddGlyph(uint32_t code) {
    if (code > 0xFFFF) {
        throw std::out_of_range("characters beyond 0xFFFF have no SWF code");
    }
    Glyphs& g = *m_glyphs;
    const auto it = g.indexOf.find(code);
    if (it != g.indexOf.end()) {
        return it->second;
    }
    if (g.codes.size() >= 0xFFFF) {
        throw std::length_error("a font holds at most 65535 glyphs");
    }
    const auto index = static_cast<uint16_t>(g.codes.size());
    g.codes.push_back(code);
    g.indexOf[code] = index;
    return index;
}

uint16_t HFFont::GetGlyphCodeFromAscii(uint32_t code) {
    return AddGlyph(code);
}

int32_t HFFont::GetAdvance(uint32_t code) {
    return m_glyphs->Advance(code);
}

FShape* HFFont::CreateGlyphShape(uint32_t code, FRect** bounds) {
    return m_glyphs->Shape(code, bounds);
}

void HFFont::AddDefinitions(std::list<FObj*>* objects, HFMovie* movie) {
    if (!NeedsDefinition(movie)) {
        return;
    }
    auto definition = std::make_unique<Definition>(m_glyphs, m_family, m_ascent, m_descent);
    SetCharacterID(definition->ID());
    objects->push_back(definition.release());
}

void HFFont::AddToObjectList(std::list<FObj*>* objects, HFMovie* movie) {
    AddDefinitions(objects, movie);
}

// A font of the high-level scene: glyph outlines read from a system font
// found by name (fontconfig, FreeType; an unknown name gets the system's
// default face), embedded as a DefineFont2 with character codes, advances
// and layout, so static text and edit fields can both draw with it.
//
// Glyphs are added as texts ask for them and keep their index for the
// font's life.  Outlines use the EM square of 1024 units with y down.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SWF/FDTFonts.h"
#include "SWF/HFObject.h"

class HFFont : public HFObject {
  public:
    static constexpr int32_t kEmSquare = 1024;

    // Throws std::runtime_error when no font at all can be loaded.
    explicit HFFont(const char* name);
    ~HFFont() override;

    // The glyph index of a character (a Unicode code point), adding the
    // glyph when it is new.
    uint16_t GetGlyphCodeFromAscii(uint32_t code);
    uint16_t AddGlyph(uint32_t code);
    // The character's advance in EM units.
    int32_t GetAdvance(uint32_t code);
    int32_t Ascent() const { return m_ascent; }
    int32_t Descent() const { return m_descent; }
    // The family of the face found for the name asked.
    const std::string& FamilyName() const { return m_family; }
    const std::string& FilePath() const { return m_path; }

    // Fonts are defined, never placed.
    void AddToObjectList(std::list<FObj*>* objects, HFMovie* movie) override;
    void RemoveFromFrame(std::list<FObj*>*, HFMovie*) override {}
    void AddDefinitions(std::list<FObj*>* objects, HFMovie* movie);

    // The outline of a character as a glyph shape (fill style 1 inside),
    // and its bounds.
    FShape* CreateGlyphShape(uint32_t code, FRect** bounds);

  private:
    // The face and the glyphs, shared with the definitions written, which
    // take the glyphs added until the movie is written.
    struct Glyphs;
    class Definition;

    std::shared_ptr<Glyphs> m_glyphs;
    std::string m_family;
    std::string m_path;
    int32_t m_ascent = 0;
    int32_t m_descent = 0;
};

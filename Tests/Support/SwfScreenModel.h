// Reading exported SWF movies back for tests: the tag list (walked with the
// library's own SWF parser), and a model of the display list that draws
// what each frame shows when pictures are lossless bitmaps filling
// rectangles at scale 1, as the export draws them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "SWFPost/SWFParse.h"

namespace mvdtest {

struct SwfFileTag {
    int code = 0;
    int frame = 0;  // 0-based frame the tag belongs to
    int headerSize = 0;
    std::vector<uint8_t> body;
};

struct SwfFileTags {
    SWFParse::SWFHeader header;
    std::vector<SwfFileTag> tags;  // the End tag included
    int showFrames = 0;

    // The tags of one code, in file order.
    std::vector<const SwfFileTag*> Find(int code) const;
};

// Walks the file with SWFParse; throws std::runtime_error when it is not a
// whole uncompressed SWF file.
SwfFileTags ReadSwfFileTags(const std::string& path);

// One lossless bitmap, as RGB bytes, top row first.
struct SwfModelBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// A rectangle of a shape filled with a bitmap (clipped) or a solid colour.
struct SwfModelPiece {
    int32_t left, top, right, bottom;  // twips
    int bitmapID = 0;                  // 0: solid
    int32_t translateX = 0, translateY = 0;
    int32_t scaleX = 0x10000, scaleY = 0x10000;  // 16.16
    std::array<uint8_t, 3> color{};
};

struct SwfModelShape {
    int32_t boundsLeft, boundsTop, boundsRight, boundsBottom;  // twips
    std::vector<SwfModelPiece> pieces;
};

// Plays the tags of a movie into a display list.  Only what the export
// writes is understood: lossless bitmaps, shapes made of rectangles, and
// PlaceObject2 / RemoveObject2 with identity matrices; other tags are
// ignored.  Anything else inside those tags throws std::runtime_error.
class SwfScreenModel {
  public:
    // Handles one tag (ShowFrame counts a frame).
    void Apply(const SwfFileTag& tag);

    // The stage (`width` x `height` pixels, white where nothing is drawn).
    std::vector<uint8_t> Render(int width, int height) const;

    const std::map<int, SwfModelBitmap>& Bitmaps() const { return m_bitmaps; }
    const std::map<int, SwfModelShape>& Shapes() const { return m_shapes; }
    // depth -> character
    const std::map<int, int>& DisplayList() const { return m_displayList; }
    // For each depth of the display list, the stage pixels its shape shows
    // that no higher depth covers (sprites and buttons are not drawn).
    std::map<int, int64_t> VisibleAreas(int width, int height) const;

  private:
    void DefineBitmap(const std::vector<uint8_t>& body, bool alpha);
    void DefineShape(const std::vector<uint8_t>& body, bool alpha);
    void Place(const std::vector<uint8_t>& body);

    std::map<int, SwfModelBitmap> m_bitmaps;
    std::map<int, SwfModelShape> m_shapes;
    std::map<int, int> m_displayList;
};

}  // namespace mvdtest

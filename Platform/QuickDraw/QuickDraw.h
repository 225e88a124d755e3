// The QuickDraw pieces that movie calls take: colours, rectangles and
// rectangular regions.
#pragma once

#include "Base/MacTypes.h"

struct RGBColor {
    UInt16 red;
    UInt16 green;
    UInt16 blue;
};

typedef UInt8 Style;
enum : Style { normal = 0, bold = 1, italic = 2, underline = 4 };

// A region: its byte size, its bounding box, then (for a region that is not a
// plain rectangle) its scan lines.  Only rectangular regions are made here,
// so the record is always 10 bytes.
struct MacRegion {
    UInt16 rgnSize;
    Rect rgnBBox;
};
typedef MacRegion* RgnPtr;
typedef RgnPtr* RgnHandle;

void SetRect(Rect* r, short left, short top, short right, short bottom);
Boolean EmptyRect(const Rect* r);

// A new, empty region (or null when memory runs out).
RgnHandle NewRgn();
// Makes rgn the rectangle r (the empty region when r is empty).
void RectRgn(RgnHandle rgn, const Rect* r);
void DisposeRgn(RgnHandle rgn);

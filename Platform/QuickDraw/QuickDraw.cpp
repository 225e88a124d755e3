#include "QuickDraw/QuickDraw.h"

#include "Base/MacMemory.h"

void SetRect(Rect* r, short left, short top, short right, short bottom) {
    if (r == nullptr) {
        return;
    }
    r->left = left;
    r->top = top;
    r->right = right;
    r->bottom = bottom;
}

Boolean EmptyRect(const Rect* r) {
    return r == nullptr || r->bottom <= r->top || r->right <= r->left;
}

RgnHandle NewRgn() {
    Handle h = NewHandleClear(sizeof(MacRegion));
    if (h == nullptr) {
        return nullptr;
    }
    auto rgn = reinterpret_cast<RgnHandle>(h);
    (*rgn)->rgnSize = sizeof(MacRegion);
    return rgn;
}

void RectRgn(RgnHandle rgn, const Rect* r) {
    if (rgn == nullptr || *rgn == nullptr || r == nullptr) {
        return;
    }
    (*rgn)->rgnSize = sizeof(MacRegion);
    if (EmptyRect(r)) {
        (*rgn)->rgnBBox = Rect{0, 0, 0, 0};
    } else {
        (*rgn)->rgnBBox = *r;
    }
}

void DisposeRgn(RgnHandle rgn) {
    DisposeHandle(reinterpret_cast<Handle>(rgn));
}

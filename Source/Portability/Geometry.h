// Rectangles, sizes and MulDiv with the names and calling shapes of the
// Windows API and class library.
#pragma once

#include <cstdint>

// Four signed 32-bit values in the order left, top, right, bottom.
struct _RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
typedef _RECT RECT;
typedef _RECT* LPRECT;

class CRect : public _RECT {
  public:
    CRect() : _RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : _RECT{l, t, r, b} {}

    void SetEmpty();
    // True when (right - left) x (bottom - top) <= 0, computed without
    // overflow: a rectangle whose width and height are both negative is not
    // empty.
    bool IsRectEmpty() const;
    void CopyRect(const _RECT* src);
};

class CSize {
  public:
    CSize() : cx(0), cy(0) {}
    CSize(long x, long y) : cx(static_cast<int32_t>(x)), cy(static_cast<int32_t>(y)) {}

    int32_t cx;
    int32_t cy;
};

// Null rectangles: SetRectEmpty does nothing, IsRectEmpty is true and
// CopyRect returns false.
void SetRectEmpty(_RECT* rect);
bool IsRectEmpty(const _RECT* rect);
bool CopyRect(_RECT* dst, const _RECT* src);

// a x b / c with a 64-bit product, truncated towards zero.  -1 when c is 0
// or when the quotient does not fit in an int.
int MulDiv(int a, int b, int c);

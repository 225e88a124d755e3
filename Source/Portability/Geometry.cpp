#include "Portability/Geometry.h"

#include <limits>

void CRect::SetEmpty() {
    SetRectEmpty(this);
}

bool CRect::IsRectEmpty() const {
    return ::IsRectEmpty(this);
}

void CRect::CopyRect(const _RECT* src) {
    ::CopyRect(this, src);
}

void SetRectEmpty(_RECT* rect) {
    if (rect != nullptr) {
        *rect = _RECT{0, 0, 0, 0};
    }
}

bool IsRectEmpty(const _RECT* rect) {
    if (rect == nullptr) {
        return true;
    }
    // Each difference fits in 33 bits, so the product fits in 66: compare
    // the signs and zeroes instead of multiplying.
    const int64_t width = int64_t{rect->right} - rect->left;
    const int64_t height = int64_t{rect->bottom} - rect->top;
    return width == 0 || height == 0 || ((width < 0) != (height < 0));
}

bool CopyRect(_RECT* dst, const _RECT* src) {
    if (dst == nullptr || src == nullptr) {
        return false;
    }
    *dst = *src;
    return true;
}

int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const int64_t quotient = int64_t{a} * b / c;  // |a x b| <= 2^62: no overflow
    if (quotient < std::numeric_limits<int>::min() || quotient > std::numeric_limits<int>::max()) {
        return -1;
    }
    return static_cast<int>(quotient);
}

#include "SWFExport/SWFRegion.h"

#include <algorithm>

namespace {

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Appends the parts of `r` outside `cut` (at most four): the bands above
// and below the cut, then the pieces left and right of it.
void AppendDifference(const RECT& r, const RECT& cut, std::vector<RECT>& out) {
    if (!Overlap(r, cut)) {
        out.push_back(r);
        return;
    }
    const int32_t top = std::max(r.top, cut.top);
    const int32_t bottom = std::min(r.bottom, cut.bottom);
    if (r.top < top) {
        out.push_back({r.left, r.top, r.right, top});
    }
    if (bottom < r.bottom) {
        out.push_back({r.left, bottom, r.right, r.bottom});
    }
    if (r.left < cut.left) {
        out.push_back({r.left, top, cut.left, bottom});
    }
    if (cut.right < r.right) {
        out.push_back({cut.right, top, r.right, bottom});
    }
}

}  // namespace

SWFRegion::SWFRegion(const RECT& rect) {
    Unite(rect);
}

void SWFRegion::Unite(const RECT& rect) {
    if (Empty(rect)) {
        return;
    }
    // Only the parts not held yet are added, so the rectangles stay disjoint.
    std::vector<RECT> pieces{rect};
    for (const RECT& held : m_rects) {
        std::vector<RECT> rest;
        for (const RECT& piece : pieces) {
            AppendDifference(piece, held, rest);
        }
        pieces.swap(rest);
        if (pieces.empty()) {
            return;
        }
    }
    m_rects.insert(m_rects.end(), pieces.begin(), pieces.end());
    UpdateBounds();
}

void SWFRegion::Subtract(const SWFRegion& other) {
    if (IsEmpty() || other.IsEmpty() || !Overlap(m_bounds, other.m_bounds)) {
        return;
    }
    for (const RECT& cut : other.m_rects) {
        SubtractRect(cut);
        if (IsEmpty()) {
            break;
        }
    }
    UpdateBounds();
}

void SWFRegion::SubtractRect(const RECT& cut) {
    std::vector<RECT> rest;
    rest.reserve(m_rects.size() + 4);
    for (const RECT& r : m_rects) {
        AppendDifference(r, cut, rest);
    }
    m_rects.swap(rest);
}

int64_t SWFRegion::Area() const {
    int64_t area = 0;
    for (const RECT& r : m_rects) {
        area += int64_t{r.right - r.left} * (r.bottom - r.top);
    }
    return area;
}

bool SWFRegion::Contains(int32_t x, int32_t y) const {
    return std::any_of(m_rects.begin(), m_rects.end(), [x, y](const RECT& r) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    });
}

void SWFRegion::UpdateBounds() {
    if (m_rects.empty()) {
        m_bounds = RECT{0, 0, 0, 0};
        return;
    }
    m_bounds = m_rects.front();
    for (const RECT& r : m_rects) {
        m_bounds.left = std::min(m_bounds.left, r.left);
        m_bounds.top = std::min(m_bounds.top, r.top);
        m_bounds.right = std::max(m_bounds.right, r.right);
        m_bounds.bottom = std::max(m_bounds.bottom, r.bottom);
    }
}

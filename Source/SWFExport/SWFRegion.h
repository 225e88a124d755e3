// A part of the screen as an exact set of pixels, held as disjoint
// rectangles: what an older picture still shows once newer pictures cover
// some of it.
#pragma once

#include <cstdint>
#include <vector>

#include "Portability/Geometry.h"

class SWFRegion {
  public:
    SWFRegion() = default;
    // The pixels of one rectangle (left and top inclusive, right and bottom
    // exclusive); an empty rectangle gives an empty region.
    explicit SWFRegion(const RECT& rect);

    // Adds the pixels of `rect`.
    void Unite(const RECT& rect);
    // Removes every pixel of `other`.
    void Subtract(const SWFRegion& other);

    bool IsEmpty() const { return m_rects.empty(); }
    // Pixels held.
    int64_t Area() const;
    bool Contains(int32_t x, int32_t y) const;
    // Disjoint rectangles whose union is the region.
    const std::vector<RECT>& Rects() const { return m_rects; }
    // The smallest rectangle holding the region (all zero when empty).
    const RECT& Bounds() const { return m_bounds; }

  private:
    void SubtractRect(const RECT& cut);
    void UpdateBounds();

    std::vector<RECT> m_rects;
    RECT m_bounds{0, 0, 0, 0};
};

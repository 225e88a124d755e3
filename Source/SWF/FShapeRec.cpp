#include "SWF/FShapeRec.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "SWF/FRect.h"
#include "SWF/FSWFStream.h"
#include "SWF/FShape.h"

namespace {

// Edge records hold NumBits - 2 in 4 bits: at most 17 bits per delta.
constexpr uint32_t kMaxEdgeBits = 17;
constexpr int64_t kMaxEdgeDelta = 65535;

uint32_t EdgeBits(std::initializer_list<int32_t> deltas) {
    uint32_t largest = 0;
    for (int32_t d : deltas) {
        largest = std::max(largest, FSWFStream::MaxNum(d, 0, 0, 0));
    }
    // The field cannot say fewer than 2 bits (a zero-length edge needs 1).
    return std::max<uint32_t>(2, FSWFStream::MinBits(largest, 1));
}

void WriteStraight(FSWFStream* stream, int32_t dx, int32_t dy) {
    const uint32_t bits = EdgeBits({dx, dy});
    stream->WriteBits(1, 1);  // edge
    stream->WriteBits(1, 1);  // straight
    stream->WriteBits(bits - 2, 4);
    const bool general = dx != 0 && dy != 0;
    stream->WriteBits(general, 1);
    if (general) {
        stream->WriteBits(static_cast<uint32_t>(dx), bits);
        stream->WriteBits(static_cast<uint32_t>(dy), bits);
    } else {
        const bool vertical = dx == 0;
        stream->WriteBits(vertical, 1);
        stream->WriteBits(static_cast<uint32_t>(vertical ? dy : dx), bits);
    }
}

void WriteCurved(FSWFStream* stream, int32_t cx, int32_t cy, int32_t ax, int32_t ay) {
    const uint32_t bits = EdgeBits({cx, cy, ax, ay});
    stream->WriteBits(1, 1);  // edge
    stream->WriteBits(0, 1);  // curved
    stream->WriteBits(bits - 2, 4);
    for (int32_t d : {cx, cy, ax, ay}) {
        stream->WriteBits(static_cast<uint32_t>(d), bits);
    }
}

// Wide enough for the products of curve subdivision.
using Wide = __int128;

// Rounds num / den (den > 0) to the nearest integer.
int64_t RoundDiv(Wide num, Wide den) {
    return static_cast<int64_t>(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
}

struct Point {
    int64_t x;
    int64_t y;
};

// The point at t = i / n of the curve from the origin with control c and
// anchor a: 2 t (1 - t) c + t^2 a.
Point CurvePoint(Point c, Point a, int64_t i, int64_t n) {
    const Wide den = Wide{n} * n;
    const Wide kc = Wide{2} * i * (n - i);
    const Wide ka = Wide{i} * i;
    return {RoundDiv(kc * c.x + ka * a.x, den), RoundDiv(kc * c.y + ka * a.y, den)};
}

// The control point of the piece from t = i / n to (i + 1) / n:
// (t0 (1 - t1) + t1 (1 - t0)) c + t0 t1 a.
Point PieceControl(Point c, Point a, int64_t i, int64_t n) {
    const int64_t j = i + 1;
    const Wide den = Wide{n} * n;
    const Wide kc = Wide{i} * (n - j) + Wide{j} * (n - i);
    const Wide ka = Wide{i} * j;
    return {RoundDiv(kc * c.x + ka * a.x, den), RoundDiv(kc * c.y + ka * a.y, den)};
}

}  // namespace

FShapeRecChange::FShapeRecChange(uint32_t newStyles, uint32_t lineStyle, uint32_t fillStyle1,
                                 uint32_t fillStyle0, uint32_t moveTo, int32_t moveDeltaX,
                                 int32_t moveDeltaY, uint32_t fill0Style, uint32_t fill1Style,
                                 uint32_t lineStyleIndex, FFillStyleArray* fillStyles,
                                 FLineStyleArray* lineStyles)
    : m_newStyles(newStyles != 0),
      m_hasLineStyle(lineStyle != 0),
      m_hasFillStyle1(fillStyle1 != 0),
      m_hasFillStyle0(fillStyle0 != 0),
      m_moveTo(moveTo != 0),
      m_moveDeltaX(moveDeltaX),
      m_moveDeltaY(moveDeltaY),
      m_fill0Style(fill0Style),
      m_fill1Style(fill1Style),
      m_lineStyle(lineStyleIndex),
      m_fillStyles(fillStyles),
      m_lineStyles(lineStyles) {
    if (m_newStyles) {
        if (!m_fillStyles) {
            m_fillStyles = std::make_unique<FFillStyleArray>();
        }
        if (!m_lineStyles) {
            m_lineStyles = std::make_unique<FLineStyleArray>();
        }
    }
}

uint32_t FShapeRecChange::NewFillBits() const {
    return m_fillStyles ? FSWFStream::MinBits(m_fillStyles->Count(), 0) : 0;
}

uint32_t FShapeRecChange::NewLineBits() const {
    return m_lineStyles ? FSWFStream::MinBits(m_lineStyles->Count(), 0) : 0;
}

void FShapeRecChange::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteBits(0, 1);  // not an edge
    for (bool flag : {m_newStyles, m_hasLineStyle, m_hasFillStyle1, m_hasFillStyle0, m_moveTo}) {
        stream->WriteBits(flag, 1);
    }
    if (m_moveTo) {
        const uint32_t bits =
            FSWFStream::MinBits(FSWFStream::MaxNum(m_moveDeltaX, m_moveDeltaY, 0, 0), 1);
        CheckFieldBits(bits);
        stream->WriteBits(bits, 5);
        stream->WriteBits(static_cast<uint32_t>(m_moveDeltaX), bits);
        stream->WriteBits(static_cast<uint32_t>(m_moveDeltaY), bits);
    }
    const struct {
        bool present;
        uint32_t index;
        unsigned long bits;
    } indices[] = {{m_hasFillStyle0, m_fill0Style, m_fillBits},
                   {m_hasFillStyle1, m_fill1Style, m_fillBits},
                   {m_hasLineStyle, m_lineStyle, m_lineBits}};
    for (const auto& i : indices) {
        if (!i.present) {
            continue;
        }
        if (FSWFStream::MinBits(i.index, 0) > i.bits) {
            throw std::range_error("shape style index beyond its style array");
        }
        stream->WriteBits(i.index, static_cast<uint32_t>(i.bits));
    }
    if (m_newStyles) {
        // The new arrays start on a byte boundary, followed by the index
        // widths that the records after this one use.
        stream->FlushBits();
        m_fillStyles->WriteToSWFStream(stream);
        m_lineStyles->WriteToSWFStream(stream);
        stream->WriteBits(StyleIndexBits(m_fillStyles->Count()), 4);
        stream->WriteBits(StyleIndexBits(m_lineStyles->Count()), 4);
    }
}

FShapeRecEdgeStraight::FShapeRecEdgeStraight(int32_t deltaX, int32_t deltaY)
    : m_deltaX(deltaX), m_deltaY(deltaY) {}

void FShapeRecEdgeStraight::WriteToSWFStream(FSWFStream* stream) {
    const int64_t dx = m_deltaX;
    const int64_t dy = m_deltaY;
    const int64_t largest = std::max(std::llabs(dx), std::llabs(dy));
    const int64_t pieces = (largest + kMaxEdgeDelta - 1) / kMaxEdgeDelta;
    if (pieces <= 1) {
        WriteStraight(stream, m_deltaX, m_deltaY);
        return;
    }
    // Consecutive points along the line, rounded, so the pieces add up to
    // exactly the whole edge.
    int64_t x = 0;
    int64_t y = 0;
    for (int64_t i = 1; i <= pieces; ++i) {
        const int64_t nx = RoundDiv(dx * i, pieces);
        const int64_t ny = RoundDiv(dy * i, pieces);
        WriteStraight(stream, static_cast<int32_t>(nx - x), static_cast<int32_t>(ny - y));
        x = nx;
        y = ny;
    }
}

FShapeRecEdgeCurved::FShapeRecEdgeCurved(int32_t controlDeltaX, int32_t controlDeltaY,
                                         int32_t anchorDeltaX, int32_t anchorDeltaY)
    : m_controlDeltaX(controlDeltaX),
      m_controlDeltaY(controlDeltaY),
      m_anchorDeltaX(anchorDeltaX),
      m_anchorDeltaY(anchorDeltaY) {}

void FShapeRecEdgeCurved::WriteToSWFStream(FSWFStream* stream) {
    if (EdgeBits({m_controlDeltaX, m_controlDeltaY, m_anchorDeltaX, m_anchorDeltaY}) <=
        kMaxEdgeBits) {
        WriteCurved(stream, m_controlDeltaX, m_controlDeltaY, m_anchorDeltaX, m_anchorDeltaY);
        return;
    }
    // Control and anchor relative to the start point.
    const Point c{m_controlDeltaX, m_controlDeltaY};
    const Point a{c.x + m_anchorDeltaX, c.y + m_anchorDeltaY};
    const int64_t largest =
        std::max({std::llabs(c.x), std::llabs(c.y), std::llabs(a.x), std::llabs(a.y),
                  std::llabs(a.x - c.x), std::llabs(a.y - c.y)});
    // Each piece spans at most 2 * largest / n per delta, plus rounding.
    const int64_t pieces = (2 * largest + 2) / (kMaxEdgeDelta / 2) + 1;
    Point from{0, 0};
    for (int64_t i = 0; i < pieces; ++i) {
        const Point control = PieceControl(c, a, i, pieces);
        const Point to = i + 1 == pieces ? a : CurvePoint(c, a, i + 1, pieces);
        WriteCurved(stream, static_cast<int32_t>(control.x - from.x),
                    static_cast<int32_t>(control.y - from.y),
                    static_cast<int32_t>(to.x - control.x), static_cast<int32_t>(to.y - control.y));
        from = to;
    }
}

void FShapeRecEnd::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteBits(0, 6);
    stream->FlushBits();
}

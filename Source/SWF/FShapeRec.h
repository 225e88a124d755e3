// Shape records: style changes and moves, straight and curved edges, and the
// end of a shape.  Records are bit fields packed without alignment.
#pragma once

#include <cstdint>
#include <memory>

#include "SWF/FStyleArrays.h"

class FSWFStream;

class FShapeRec {
  public:
    virtual ~FShapeRec() = default;
    virtual void WriteToSWFStream(FSWFStream* stream) = 0;
    // The widths of fill and line style indices in the enclosing shape.
    virtual void IncludeNFillBitInfo(unsigned long) {}
    virtual void IncludeNLineBitInfo(unsigned long) {}
    // A style change bringing new style arrays changes the index widths of
    // the records after it.
    virtual bool HasNewStyles() const { return false; }
    virtual uint32_t NewFillBits() const { return 0; }
    virtual uint32_t NewLineBits() const { return 0; }
    virtual bool IsEnd() const { return false; }
};

// StyleChangeRecord.  Owns the new style arrays (used with newStyles only).
class FShapeRecChange : public FShapeRec {
  public:
    FShapeRecChange(uint32_t newStyles, uint32_t lineStyle, uint32_t fillStyle1,
                    uint32_t fillStyle0, uint32_t moveTo, int32_t moveDeltaX, int32_t moveDeltaY,
                    uint32_t fill0Style, uint32_t fill1Style, uint32_t lineStyleIndex,
                    FFillStyleArray* fillStyles, FLineStyleArray* lineStyles);
    void WriteToSWFStream(FSWFStream* stream) override;
    void IncludeNFillBitInfo(unsigned long bits) override { m_fillBits = bits; }
    void IncludeNLineBitInfo(unsigned long bits) override { m_lineBits = bits; }
    bool HasNewStyles() const override { return m_newStyles; }
    uint32_t NewFillBits() const override;
    uint32_t NewLineBits() const override;

  private:
    bool m_newStyles;
    bool m_hasLineStyle;
    bool m_hasFillStyle1;
    bool m_hasFillStyle0;
    bool m_moveTo;
    int32_t m_moveDeltaX;
    int32_t m_moveDeltaY;
    uint32_t m_fill0Style;
    uint32_t m_fill1Style;
    uint32_t m_lineStyle;
    std::unique_ptr<FFillStyleArray> m_fillStyles;
    std::unique_ptr<FLineStyleArray> m_lineStyles;
    unsigned long m_fillBits = 0;
    unsigned long m_lineBits = 0;
};

// StraightEdgeRecord: general, horizontal (dy = 0) or vertical.  An edge
// longer than one record can hold (deltas beyond -65536..65535 twips) is
// written as several records along the same line.
class FShapeRecEdgeStraight : public FShapeRec {
  public:
    FShapeRecEdgeStraight(int32_t deltaX, int32_t deltaY);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    int32_t m_deltaX;
    int32_t m_deltaY;
};

// CurvedEdgeRecord: a quadratic Bezier by its control and anchor deltas.
// A curve too large for one record is written as several pieces of it.
class FShapeRecEdgeCurved : public FShapeRec {
  public:
    FShapeRecEdgeCurved(int32_t controlDeltaX, int32_t controlDeltaY, int32_t anchorDeltaX,
                        int32_t anchorDeltaY);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    int32_t m_controlDeltaX;
    int32_t m_controlDeltaY;
    int32_t m_anchorDeltaX;
    int32_t m_anchorDeltaY;
};

// EndShapeRecord: six zero bits, then byte alignment.
class FShapeRecEnd : public FShapeRec {
  public:
    void WriteToSWFStream(FSWFStream* stream) override;
    bool IsEnd() const override { return true; }
};

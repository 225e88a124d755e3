// Shapes: edges with index widths (FShape, used by glyphs and morph shapes)
// and edges with their style arrays (FShapeWStyle, SHAPEWITHSTYLE).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FShapeRec.h"
#include "SWF/FStyleArrays.h"

class FSWFStream;

// An ordered list of owned shape records, written with the index widths in
// force at each record.
class FShapeRecList {
  public:
    FShapeRecList();
    ~FShapeRecList();
    void Add(FShapeRec* record);
    bool Empty() const { return m_records.empty(); }
    // Widths change after a record that brings new style arrays.  Ends
    // with an end record even when none was added.
    void Write(FSWFStream* stream, uint32_t fillBits, uint32_t lineBits);

  private:
    std::vector<std::unique_ptr<FShapeRec>> m_records;
};

class FShape {
  public:
    FShape();
    virtual ~FShape();
    void SetFillBits(uint32_t bits) { m_fillBits = bits; }
    void SetLineBits(uint32_t bits) { m_lineBits = bits; }
    uint32_t FillBits() const { return m_fillBits; }
    uint32_t LineBits() const { return m_lineBits; }
    void AddShapeRec(FShapeRec* record) { m_records.Add(record); }
    // NumFillBits (4), NumLineBits (4), the records, byte aligned.
    virtual void WriteToSWFStream(FSWFStream* stream);

  private:
    uint32_t m_fillBits = 0;
    uint32_t m_lineBits = 0;
    FShapeRecList m_records;
};

class FShapeWStyle {
  public:
    // Takes over both arrays; the index widths follow from their counts.
    // Throws std::length_error when an array needs indices wider than 15
    // bits (more than 32767 styles).
    FShapeWStyle(FFillStyleArray* fillStyles, FLineStyleArray* lineStyles);
    virtual ~FShapeWStyle();
    uint32_t FillBits() const { return m_fillBits; }
    uint32_t LineBits() const { return m_lineBits; }
    void AddShapeRec(FShapeRec* record) { m_records.Add(record); }
    // The style arrays, NumFillBits (4), NumLineBits (4), the records, byte
    // aligned.
    virtual void WriteToSWFStream(FSWFStream* stream);

  private:
    std::unique_ptr<FFillStyleArray> m_fillStyles;
    std::unique_ptr<FLineStyleArray> m_lineStyles;
    uint32_t m_fillBits;
    uint32_t m_lineBits;
    FShapeRecList m_records;
};

// Index width for a style array of `count` styles; throws std::length_error
// past the 15 bits a shape can say.
uint32_t StyleIndexBits(uint32_t count);

// Shape definitions: DefineShape (2), DefineShape2 (22), DefineShape3 (32,
// colours with alpha) and DefineMorphShape (46).
//
// Building a shape: add styles (each call returns the style's 1-based
// index), FinishStyleArrays(), then the records.  A shape always ends with
// an end record, added on writing when missing.
#pragma once

#include <cstdint>
#include <memory>

#include "SWF/FObj.h"
#include "SWF/FRect.h"
#include "SWF/FShape.h"

class FDTDefineShapeBase : public FDT {
  public:
    ~FDTDefineShapeBase() override;
    uint16_t ID() override { return m_characterID; }

    // Style additions throw std::logic_error once the arrays are finished.
    uint32_t AddFillStyle(FFillStyle* fillStyle);
    uint32_t AddSolidFillStyle(FColor* color);
    uint32_t AddLineStyle(uint32_t width, FColor* color);
    void FinishStyleArrays();
    // Throws std::logic_error before FinishStyleArrays().
    void AddShapeRec(FShapeRec* record);

    // ShapeId, bounds, SHAPEWITHSTYLE.  Finishes the arrays if needed.
    void WriteToSWFStream(FSWFStream* stream) override;

    const FRect& Bounds() const { return *m_bounds; }

  protected:
    FDTDefineShapeBase(FRect* bounds, uint16_t tagCode, bool alpha);

  private:
    void CheckBuilding() const;

    uint16_t m_characterID;
    uint16_t m_tagCode;
    bool m_alpha;
    std::unique_ptr<FRect> m_bounds;
    std::unique_ptr<FFillStyleArray> m_fillStyles;
    std::unique_ptr<FLineStyleArray> m_lineStyles;
    std::unique_ptr<FShapeWStyle> m_shapeWithStyle;
};

// Colours without alpha.
class FDTDefineShape : public FDTDefineShapeBase {
  public:
    explicit FDTDefineShape(FRect* bounds);
};

// Colours without alpha; style arrays of more than 255 entries.
class FDTDefineShape2 : public FDTDefineShapeBase {
  public:
    explicit FDTDefineShape2(FRect* bounds);
};

// Colours with alpha.
class FDTDefineShape3 : public FDTDefineShapeBase {
  public:
    explicit FDTDefineShape3(FRect* bounds);
};

class FDTDefineMorphShape : public FDT {
  public:
    FDTDefineMorphShape(FRect* startBounds, FRect* endBounds);
    ~FDTDefineMorphShape() override;
    uint16_t ID() override { return m_characterID; }

    uint32_t AddFillStyle(FMorphFillStyle* fillStyle);
    uint32_t AddLineStyle(uint32_t startWidth, FColor* startColor, uint32_t endWidth,
                          FColor* endColor);
    void FinishStyleArrays();
    // Start edges (after FinishStyleArrays) and end edges (no styles).
    void AddShapeRec_1(FShapeRec* record);
    void AddEdgeRec_2(FShapeRec* record);

    // CharacterId, both bounds, Offset (32) to the end edges, the styles,
    // the start edges, the end edges.
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_characterID;
    std::unique_ptr<FRect> m_startBounds;
    std::unique_ptr<FRect> m_endBounds;
    FShape m_startEdges;
    FShape m_endEdges;
    std::unique_ptr<FFillStyleArray> m_fillStyles;
    std::unique_ptr<FLineStyleArray> m_lineStyles;
    bool m_finished = false;
};

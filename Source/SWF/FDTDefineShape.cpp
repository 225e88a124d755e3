#include "SWF/FDTDefineShape.h"

#include <stdexcept>

#include "SWF/FObjCollection.h"
#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

namespace {

enum : uint16_t {
    kTagDefineShape = 2,
    kTagDefineShape2 = 22,
    kTagDefineShape3 = 32,
    kTagDefineMorphShape = 46,
};

FRect* RequiredBounds(FRect* bounds) {
    if (bounds == nullptr) {
        throw std::invalid_argument("shape needs bounds");
    }
    return bounds;
}

}  // namespace

FDTDefineShapeBase::FDTDefineShapeBase(FRect* bounds, uint16_t tagCode, bool alpha)
    : m_characterID(FObjCollection::Increment()),
      m_tagCode(tagCode),
      m_alpha(alpha),
      m_bounds(RequiredBounds(bounds)),
      m_fillStyles(std::make_unique<FFillStyleArray>()),
      m_lineStyles(std::make_unique<FLineStyleArray>()) {}

FDTDefineShapeBase::~FDTDefineShapeBase() = default;

void FDTDefineShapeBase::CheckBuilding() const {
    if (m_shapeWithStyle) {
        throw std::logic_error("shape styles added after FinishStyleArrays");
    }
}

uint32_t FDTDefineShapeBase::AddFillStyle(FFillStyle* fillStyle) {
    auto owned = Adopt(fillStyle, "null fill style");
    CheckBuilding();
    owned->UseAlpha(m_alpha);
    return m_fillStyles->Add(owned.release());
}

uint32_t FDTDefineShapeBase::AddSolidFillStyle(FColor* color) {
    return AddFillStyle(new FFillStyleSolid(color));
}

uint32_t FDTDefineShapeBase::AddLineStyle(uint32_t width, FColor* color) {
    auto style = std::make_unique<FLineStyle>(width, color);
    CheckBuilding();
    style->UseAlpha(m_alpha);
    return m_lineStyles->Add(style.release());
}

void FDTDefineShapeBase::FinishStyleArrays() {
    CheckBuilding();
    m_shapeWithStyle =
        std::make_unique<FShapeWStyle>(m_fillStyles.release(), m_lineStyles.release());
}

void FDTDefineShapeBase::AddShapeRec(FShapeRec* record) {
    auto owned = Adopt(record, "null shape record");
    if (!m_shapeWithStyle) {
        throw std::logic_error("shape records added before FinishStyleArrays");
    }
    m_shapeWithStyle->AddShapeRec(owned.release());
}

void FDTDefineShapeBase::WriteToSWFStream(FSWFStream* stream) {
    if (!m_shapeWithStyle) {
        FinishStyleArrays();
    }
    AppendTagBody(stream, m_tagCode, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        m_bounds->WriteToSWFStream(&body);
        m_shapeWithStyle->WriteToSWFStream(&body);
    });
}

FDTDefineShape::FDTDefineShape(FRect* bounds)
    : FDTDefineShapeBase(bounds, kTagDefineShape, false) {}

FDTDefineShape2::FDTDefineShape2(FRect* bounds)
    : FDTDefineShapeBase(bounds, kTagDefineShape2, false) {}

FDTDefineShape3::FDTDefineShape3(FRect* bounds)
    : FDTDefineShapeBase(bounds, kTagDefineShape3, true) {}

FDTDefineMorphShape::FDTDefineMorphShape(FRect* startBounds, FRect* endBounds)
    : m_characterID(FObjCollection::Increment()),
      m_startBounds(RequiredBounds(startBounds)),
      m_endBounds(RequiredBounds(endBounds)),
      m_fillStyles(std::make_unique<FFillStyleArray>()),
      m_lineStyles(std::make_unique<FLineStyleArray>()) {}

FDTDefineMorphShape::~FDTDefineMorphShape() = default;

uint32_t FDTDefineMorphShape::AddFillStyle(FMorphFillStyle* fillStyle) {
    auto owned = Adopt(fillStyle, "null fill style");
    if (m_finished) {
        throw std::logic_error("morph styles added after FinishStyleArrays");
    }
    owned->UseAlpha(true);
    return m_fillStyles->Add(owned.release());
}

uint32_t FDTDefineMorphShape::AddLineStyle(uint32_t startWidth, FColor* startColor,
                                           uint32_t endWidth, FColor* endColor) {
    auto style = std::make_unique<FMorphLineStyle>(startWidth, endWidth, startColor, endColor);
    if (m_finished) {
        throw std::logic_error("morph styles added after FinishStyleArrays");
    }
    style->UseAlpha(true);
    return m_lineStyles->Add(style.release());
}

void FDTDefineMorphShape::FinishStyleArrays() {
    m_startEdges.SetFillBits(StyleIndexBits(m_fillStyles->Count()));
    m_startEdges.SetLineBits(StyleIndexBits(m_lineStyles->Count()));
    m_finished = true;
}

void FDTDefineMorphShape::AddShapeRec_1(FShapeRec* record) {
    auto owned = Adopt(record, "null shape record");
    if (!m_finished) {
        throw std::logic_error("morph records added before FinishStyleArrays");
    }
    m_startEdges.AddShapeRec(owned.release());
}

void FDTDefineMorphShape::AddEdgeRec_2(FShapeRec* record) {
    m_endEdges.AddShapeRec(record);
}

void FDTDefineMorphShape::WriteToSWFStream(FSWFStream* stream) {
    if (!m_finished) {
        FinishStyleArrays();
    }
    AppendTagBody(stream, kTagDefineMorphShape, [this](FSWFStream& body) {
        FSWFStream styledPart;
        m_fillStyles->WriteToSWFStream(&styledPart);
        m_lineStyles->WriteToSWFStream(&styledPart);
        m_startEdges.WriteToSWFStream(&styledPart);
        body.WriteWord(m_characterID);
        m_startBounds->WriteToSWFStream(&body);
        m_endBounds->WriteToSWFStream(&body);
        body.WriteDWord(styledPart.Size());
        body.Append(&styledPart);
        m_endEdges.WriteToSWFStream(&body);
    });
}

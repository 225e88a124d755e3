#include "SWF/FShape.h"

#include <stdexcept>

#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

uint32_t StyleIndexBits(uint32_t count) {
    const uint32_t bits = FSWFStream::MinBits(count, 0);
    if (bits > 15) {
        throw std::length_error("a shape indexes at most 32767 styles of a kind");
    }
    return bits;
}

FShapeRecList::FShapeRecList() = default;
FShapeRecList::~FShapeRecList() = default;

void FShapeRecList::Add(FShapeRec* record) {
    m_records.push_back(Adopt(record, "null shape record"));
}

void FShapeRecList::Write(FSWFStream* stream, uint32_t fillBits, uint32_t lineBits) {
    for (const std::unique_ptr<FShapeRec>& record : m_records) {
        record->IncludeNFillBitInfo(fillBits);
        record->IncludeNLineBitInfo(lineBits);
        record->WriteToSWFStream(stream);
        if (record->HasNewStyles()) {
            fillBits = record->NewFillBits();
            lineBits = record->NewLineBits();
        }
    }
    if (m_records.empty() || !m_records.back()->IsEnd()) {
        FShapeRecEnd().WriteToSWFStream(stream);  // a shape always ends
    }
    stream->FlushBits();
}

FShape::FShape() = default;
FShape::~FShape() = default;

void FShape::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteBits(m_fillBits, 4);
    stream->WriteBits(m_lineBits, 4);
    m_records.Write(stream, m_fillBits, m_lineBits);
}

FShapeWStyle::FShapeWStyle(FFillStyleArray* fillStyles, FLineStyleArray* lineStyles)
    : m_fillStyles(fillStyles != nullptr ? fillStyles : new FFillStyleArray()),
      m_lineStyles(lineStyles != nullptr ? lineStyles : new FLineStyleArray()),
      m_fillBits(StyleIndexBits(m_fillStyles->Count())),
      m_lineBits(StyleIndexBits(m_lineStyles->Count())) {}

FShapeWStyle::~FShapeWStyle() = default;

void FShapeWStyle::WriteToSWFStream(FSWFStream* stream) {
    m_fillStyles->WriteToSWFStream(stream);
    m_lineStyles->WriteToSWFStream(stream);
    stream->WriteBits(m_fillBits, 4);
    stream->WriteBits(m_lineBits, 4);
    m_records.Write(stream, m_fillBits, m_lineBits);
}

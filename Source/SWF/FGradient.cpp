#include "SWF/FGradient.h"

#include <stdexcept>

#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

namespace {

FColor* RequiredColor(FColor* color) {
    if (color == nullptr) {
        throw std::invalid_argument("gradient record needs a colour");
    }
    return color;
}

}  // namespace

FGradRecord::FGradRecord(uint32_t ratio, FColor* color)
    : m_ratio(ratio), m_color(RequiredColor(color)) {}

void FGradRecord::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteByte(m_ratio);
    m_color->WriteToSWFStream(stream);
}

void FGradRecord::UseAlpha(bool alpha) {
    m_color->AlphaChannel(alpha);
}

FMorphGradRecord::FMorphGradRecord(uint32_t startRatio, FColor* startColor, uint32_t endRatio,
                                   FColor* endColor)
    : m_startRatio(startRatio),
      m_startColor(RequiredColor(startColor)),
      m_endRatio(endRatio),
      m_endColor(RequiredColor(endColor)) {}

void FMorphGradRecord::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteByte(m_startRatio);
    m_startColor->WriteToSWFStream(stream);
    stream->WriteByte(m_endRatio);
    m_endColor->WriteToSWFStream(stream);
}

void FMorphGradRecord::UseAlpha(bool alpha) {
    m_startColor->AlphaChannel(alpha);
    m_endColor->AlphaChannel(alpha);
}

FGradient::FGradient() = default;
FGradient::~FGradient() = default;

void FGradient::Add(FAGradRecord* record) {
    auto owned = Adopt(record, "null gradient record");
    if (m_records.size() >= kMaxRecords) {
        throw std::length_error("a gradient holds at most 15 records");
    }
    m_records.push_back(std::move(owned));
}

void FGradient::UseAlpha(bool alpha) {
    for (auto& record : m_records) {
        record->UseAlpha(alpha);
    }
}

void FGradient::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteByte(static_cast<uint32_t>(m_records.size()));
    for (auto& record : m_records) {
        record->WriteToSWFStream(stream);
    }
}

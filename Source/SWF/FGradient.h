// Gradients: control points (ratio and colour) of gradient fills, plain and
// morphing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FColor.h"

class FSWFStream;

class FAGradRecord {
  public:
    virtual ~FAGradRecord() = default;
    virtual void WriteToSWFStream(FSWFStream* stream) = 0;
    // Whether the colours are written with alpha (DefineShape3 and morphs).
    virtual void UseAlpha(bool alpha) = 0;
};

// Ratio (0..255 across the gradient), colour.  Owns the colour.
class FGradRecord : public FAGradRecord {
  public:
    FGradRecord(uint32_t ratio, FColor* color);
    void WriteToSWFStream(FSWFStream* stream) override;
    void UseAlpha(bool alpha) override;

  private:
    uint32_t m_ratio;
    std::unique_ptr<FColor> m_color;
};

class FMorphGradRecord : public FAGradRecord {
  public:
    FMorphGradRecord(uint32_t startRatio, FColor* startColor, uint32_t endRatio, FColor* endColor);
    void WriteToSWFStream(FSWFStream* stream) override;
    void UseAlpha(bool alpha) override;

  private:
    uint32_t m_startRatio;
    std::unique_ptr<FColor> m_startColor;
    uint32_t m_endRatio;
    std::unique_ptr<FColor> m_endColor;
};

// The record count (8 bits) and the records.  Players read at most 15
// records, so Add refuses a 16th (std::length_error).
class FGradient {
  public:
    static constexpr size_t kMaxRecords = 15;

    FGradient();
    virtual ~FGradient();
    void Add(FAGradRecord* record);
    void UseAlpha(bool alpha);
    virtual void WriteToSWFStream(FSWFStream* stream);

  private:
    std::vector<std::unique_ptr<FAGradRecord>> m_records;
};

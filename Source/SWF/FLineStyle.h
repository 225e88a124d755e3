// Line styles of shapes and morph shapes.
#pragma once

#include <cstdint>
#include <memory>

#include "SWF/FColor.h"

class FSWFStream;

class FALineStyle {
  public:
    virtual ~FALineStyle() = default;
    virtual void WriteToSWFStream(FSWFStream* stream) = 0;
    virtual void UseAlpha(bool alpha) = 0;
};

// Width (twips, 16 bits) and colour.  Owns the colour.
class FLineStyle : public FALineStyle {
  public:
    FLineStyle(uint32_t width, FColor* color);
    void WriteToSWFStream(FSWFStream* stream) override;
    void UseAlpha(bool alpha) override;

  private:
    uint32_t m_width;
    std::unique_ptr<FColor> m_color;
};

class FMorphLineStyle : public FALineStyle {
  public:
    FMorphLineStyle(uint32_t startWidth, uint32_t endWidth, FColor* startColor, FColor* endColor);
    void WriteToSWFStream(FSWFStream* stream) override;
    void UseAlpha(bool alpha) override;

  private:
    uint32_t m_startWidth;
    uint32_t m_endWidth;
    std::unique_ptr<FColor> m_startColor;
    std::unique_ptr<FColor> m_endColor;
};

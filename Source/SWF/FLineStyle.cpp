#include "SWF/FLineStyle.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

namespace {

FColor* RequiredColor(FColor* color) {
    if (color == nullptr) {
        throw std::invalid_argument("line style needs a colour");
    }
    return color;
}

}  // namespace

FLineStyle::FLineStyle(uint32_t width, FColor* color)
    : m_width(width), m_color(RequiredColor(color)) {}

void FLineStyle::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteWord(m_width);
    m_color->WriteToSWFStream(stream);
}

void FLineStyle::UseAlpha(bool alpha) {
    m_color->AlphaChannel(alpha);
}

FMorphLineStyle::FMorphLineStyle(uint32_t startWidth, uint32_t endWidth, FColor* startColor,
                                 FColor* endColor)
    : m_startWidth(startWidth),
      m_endWidth(endWidth),
      m_startColor(RequiredColor(startColor)),
      m_endColor(RequiredColor(endColor)) {}

void FMorphLineStyle::WriteToSWFStream(FSWFStream* stream) {
    stream->WriteWord(m_startWidth);
    stream->WriteWord(m_endWidth);
    m_startColor->WriteToSWFStream(stream);
    m_endColor->WriteToSWFStream(stream);
}

void FMorphLineStyle::UseAlpha(bool alpha) {
    m_startColor->AlphaChannel(alpha);
    m_endColor->AlphaChannel(alpha);
}

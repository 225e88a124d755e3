#include "SWF/FColor.h"

#include "SWF/FSWFStream.h"

FColor::FColor(uint32_t red, uint32_t green, uint32_t blue)
    : m_red(red), m_green(green), m_blue(blue), m_alpha(255), m_hasAlpha(false) {}

FColor::FColor(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha)
    : m_red(red), m_green(green), m_blue(blue), m_alpha(alpha), m_hasAlpha(true) {}

FColor::FColor(FRGB rgb) : FColor(rgb.Red(), rgb.Green(), rgb.Blue()) {}

FColor::FColor(FRGBA rgba) : FColor(rgba.Red(), rgba.Green(), rgba.Blue(), rgba.Alpha()) {}

void FColor::WriteToSWFStream(FSWFStream* stream) const {
    stream->WriteByte(m_red);
    stream->WriteByte(m_green);
    stream->WriteByte(m_blue);
    if (m_hasAlpha) {
        stream->WriteByte(m_alpha);
    }
}

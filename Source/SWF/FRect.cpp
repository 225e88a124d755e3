#include "SWF/FRect.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

void CheckFieldBits(uint32_t bits) {
    if (bits > kMaxFieldBits) {
        throw std::range_error("SWF value too large for its bit field");
    }
}

FRect::FRect(int32_t xmin, int32_t ymin, int32_t xmax, int32_t ymax)
    : m_xmin(xmin), m_xmax(xmax), m_ymin(ymin), m_ymax(ymax) {}

uint32_t FRect::MinBits() const {
    return FSWFStream::MinBits(FSWFStream::MaxNum(m_xmin, m_xmax, m_ymin, m_ymax), 1);
}

void FRect::WriteToSWFStream(FSWFStream* stream) const {
    const uint32_t bits = MinBits();
    CheckFieldBits(bits);
    stream->WriteBits(bits, 5);
    for (int32_t v : {m_xmin, m_xmax, m_ymin, m_ymax}) {
        stream->WriteBits(static_cast<uint32_t>(v), bits);
    }
    stream->FlushBits();
}

#include "SWF/FMatrix.h"

#include "SWF/FRect.h"
#include "SWF/FSWFStream.h"

namespace {

void WritePair(FSWFStream* stream, uint32_t bits, int32_t a, int32_t b) {
    CheckFieldBits(bits);
    stream->WriteBits(bits, 5);
    stream->WriteBits(static_cast<uint32_t>(a), bits);
    stream->WriteBits(static_cast<uint32_t>(b), bits);
}

}  // namespace

FMatrix::FMatrix() = default;

FMatrix::FMatrix(uint32_t hasScale, int32_t scaleX, int32_t scaleY, uint32_t hasRotate,
                 int32_t rotateSkew0, int32_t rotateSkew1, int32_t translateX, int32_t translateY)
    : m_hasScale(hasScale),
      m_nScaleBits(MinBits(scaleX, scaleY)),
      m_scaleX(scaleX),
      m_scaleY(scaleY),
      m_hasRotate(hasRotate),
      m_nRotateBits(MinBits(rotateSkew0, rotateSkew1)),
      m_rotateSkew0(rotateSkew0),
      m_rotateSkew1(rotateSkew1),
      m_nTranslateBits(MinBits(translateX, translateY)),
      m_translateX(translateX),
      m_translateY(translateY),
      m_identity(0) {}

uint32_t FMatrix::MinBits(int32_t a, int32_t b) {
    return FSWFStream::MinBits(FSWFStream::MaxNum(a, b, 0, 0), 1);
}

void FMatrix::WriteToSWFStream(FSWFStream* stream) const {
    if (m_identity != 0) {
        // No scale, no rotation, a translation of zero bits.
        stream->WriteBits(0, 7);
        stream->FlushBits();
        return;
    }
    stream->WriteBits(m_hasScale != 0, 1);
    if (m_hasScale != 0) {
        WritePair(stream, m_nScaleBits, m_scaleX, m_scaleY);
    }
    stream->WriteBits(m_hasRotate != 0, 1);
    if (m_hasRotate != 0) {
        WritePair(stream, m_nRotateBits, m_rotateSkew0, m_rotateSkew1);
    }
    WritePair(stream, m_nTranslateBits, m_translateX, m_translateY);
    stream->FlushBits();
}

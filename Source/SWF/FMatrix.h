// The SWF MATRIX record.  Scale and rotate terms are 16.16 fixed point,
// translations are twips.
#pragma once

#include <cstdint>

class FSWFStream;

class FMatrix {
  public:
    // The identity matrix: written as the single byte 00.
    FMatrix();
    FMatrix(uint32_t hasScale, int32_t scaleX, int32_t scaleY, uint32_t hasRotate,
            int32_t rotateSkew0, int32_t rotateSkew1, int32_t translateX, int32_t translateY);

    // Bits for a pair of signed values, with a sign bit.
    static uint32_t MinBits(int32_t a, int32_t b);

    // Byte aligned at the end.  Throws std::range_error when a pair needs
    // more bits than its 5-bit count can say.
    void WriteToSWFStream(FSWFStream* stream) const;

    bool IsIdentity() const { return m_identity != 0; }

  private:
    uint32_t m_hasScale = 0;
    uint32_t m_nScaleBits = 0;
    int32_t m_scaleX = 0;
    int32_t m_scaleY = 0;
    uint32_t m_hasRotate = 0;
    uint32_t m_nRotateBits = 0;
    int32_t m_rotateSkew0 = 0;
    int32_t m_rotateSkew1 = 0;
    uint32_t m_nTranslateBits = 0;
    int32_t m_translateX = 0;
    int32_t m_translateY = 0;
    uint16_t m_identity = 1;
};

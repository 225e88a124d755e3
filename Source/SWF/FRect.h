// The SWF RECT record: a bounding box in twips.
#pragma once

#include <cstdint>

class FSWFStream;

class FRect {
  public:
    FRect(int32_t xmin, int32_t ymin, int32_t xmax, int32_t ymax);

    // Bits per field: enough for the largest magnitude, with a sign bit.
    uint32_t MinBits() const;
    // Nbits (5), Xmin, Xmax, Ymin, Ymax, byte aligned.  Throws
    // std::range_error when a value needs more than the 31 bits Nbits holds.
    void WriteToSWFStream(FSWFStream* stream) const;

    int32_t Xmin() const { return m_xmin; }
    int32_t Xmax() const { return m_xmax; }
    int32_t Ymin() const { return m_ymin; }
    int32_t Ymax() const { return m_ymax; }

  private:
    int32_t m_xmin;
    int32_t m_xmax;
    int32_t m_ymin;
    int32_t m_ymax;
};

// The widest count a 5-bit bit-count field can hold.
constexpr uint32_t kMaxFieldBits = 31;
// Throws std::range_error unless `bits` fits a 5-bit bit-count field.
void CheckFieldBits(uint32_t bits);

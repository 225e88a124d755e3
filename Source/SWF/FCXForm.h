// Colour transforms: CXFORM (RGB) and CXFORMWITHALPHA.
//
// A transformed colour component is (c * mult / 256) + add.  The first
// constructor flag says the multiply terms are present, the second the add
// terms; the terms are given multiply terms first.  As in the file, the add
// flag is written first and the multiply terms precede the add terms.
#pragma once

#include <array>
#include <cstdint>

class FSWFStream;

class FACXForm {
  public:
    virtual ~FACXForm() = default;
    virtual void WriteToSWFStream(FSWFStream* stream) = 0;
};

class FCXForm : public FACXForm {
  public:
    FCXForm(uint32_t hasMult, uint32_t hasAdd, int32_t redMult, int32_t greenMult, int32_t blueMult,
            int32_t redAdd, int32_t greenAdd, int32_t blueAdd);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint32_t m_hasMult;
    uint32_t m_hasAdd;
    std::array<int32_t, 3> m_mult;
    std::array<int32_t, 3> m_add;
};

class FCXFormWAlpha : public FACXForm {
  public:
    FCXFormWAlpha(uint32_t hasMult, uint32_t hasAdd, int32_t redMult, int32_t greenMult,
                  int32_t blueMult, int32_t alphaMult, int32_t redAdd, int32_t greenAdd,
                  int32_t blueAdd, int32_t alphaAdd);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint32_t m_hasMult;
    uint32_t m_hasAdd;
    std::array<int32_t, 4> m_mult;
    std::array<int32_t, 4> m_add;
};

#include "SWF/FCXForm.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <utility>

#include "SWF/FSWFStream.h"

namespace {

// The shared layout of both transforms: HasAddTerms, HasMultTerms, Nbits (4),
// the multiply terms, the add terms, byte aligned.  Nbits covers every term,
// present or not.
void WriteTransform(FSWFStream* stream, bool hasMult, bool hasAdd, std::span<const int32_t> mult,
                    std::span<const int32_t> add) {
    uint32_t largest = 0;
    for (std::span<const int32_t> terms : {mult, add}) {
        for (int32_t t : terms) {
            largest = std::max(largest, FSWFStream::MaxNum(t, 0, 0, 0));
        }
    }
    const uint32_t bits = FSWFStream::MinBits(largest, 1);
    if (bits > 15) {
        throw std::range_error("SWF colour transform term too large");
    }
    stream->WriteBits(hasAdd, 1);
    stream->WriteBits(hasMult, 1);
    stream->WriteBits(bits, 4);
    for (auto [present, terms] : {std::pair{hasMult, mult}, std::pair{hasAdd, add}}) {
        if (present) {
            for (int32_t t : terms) {
                stream->WriteBits(static_cast<uint32_t>(t), bits);
            }
        }
    }
    stream->FlushBits();
}

}  // namespace

FCXForm::FCXForm(uint32_t hasMult, uint32_t hasAdd, int32_t redMult, int32_t greenMult,
                 int32_t blueMult, int32_t redAdd, int32_t greenAdd, int32_t blueAdd)
    : m_hasMult(hasMult),
      m_hasAdd(hasAdd),
      m_mult{redMult, greenMult, blueMult},
      m_add{redAdd, greenAdd, blueAdd} {}

void FCXForm::WriteToSWFStream(FSWFStream* stream) {
    WriteTransform(stream, m_hasMult != 0, m_hasAdd != 0, m_mult, m_add);
}

FCXFormWAlpha::FCXFormWAlpha(uint32_t hasMult, uint32_t hasAdd, int32_t redMult, int32_t greenMult,
                             int32_t blueMult, int32_t alphaMult, int32_t redAdd, int32_t greenAdd,
                             int32_t blueAdd, int32_t alphaAdd)
    : m_hasMult(hasMult),
      m_hasAdd(hasAdd),
      m_mult{redMult, greenMult, blueMult, alphaMult},
      m_add{redAdd, greenAdd, blueAdd, alphaAdd} {}

void FCXFormWAlpha::WriteToSWFStream(FSWFStream* stream) {
    WriteTransform(stream, m_hasMult != 0, m_hasAdd != 0, m_mult, m_add);
}

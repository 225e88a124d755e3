#include "SWF/FStyleArrays.h"

#include <stdexcept>

#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

namespace {

constexpr uint32_t kExtendedCount = 0xFF;

}  // namespace

template <typename Style>
uint32_t FStyleArray<Style>::Add(Style* style) {
    auto owned = Adopt(style, "null style");
    if (m_styles.size() >= kMaxStyles) {
        throw std::length_error("a style array holds at most 65535 styles");
    }
    m_styles.push_back(std::move(owned));
    return Count();
}

template <typename Style>
void FStyleArray<Style>::UseAlpha(bool alpha) {
    for (auto& style : m_styles) {
        style->UseAlpha(alpha);
    }
}

template <typename Style>
void FStyleArray<Style>::WriteToSWFStream(FSWFStream* stream) {
    if (Count() < kExtendedCount) {
        stream->WriteByte(Count());
    } else {
        stream->WriteByte(kExtendedCount);
        stream->WriteWord(Count());
    }
    for (auto& style : m_styles) {
        style->WriteToSWFStream(stream);
    }
}

template class FStyleArray<FAFillStyle>;
template class FStyleArray<FALineStyle>;

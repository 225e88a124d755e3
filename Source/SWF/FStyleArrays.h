// Fill and line style arrays: a count (one byte up to 254, else 0xFF and 16
// bits) and the styles, which the array owns.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FFillStyle.h"
#include "SWF/FLineStyle.h"

class FSWFStream;

template <typename Style>
class FStyleArray {
  public:
    static constexpr uint32_t kMaxStyles = 0xFFFF;

    virtual ~FStyleArray() = default;
    // Takes ownership; returns the new count, the style's 1-based index.
    // Throws std::length_error past 65535 styles.
    uint32_t Add(Style* style);
    uint32_t Count() const { return static_cast<uint32_t>(m_styles.size()); }
    void UseAlpha(bool alpha);
    virtual void WriteToSWFStream(FSWFStream* stream);

  private:
    std::vector<std::unique_ptr<Style>> m_styles;
};

class FFillStyleArray : public FStyleArray<FAFillStyle> {};
class FLineStyleArray : public FStyleArray<FALineStyle> {};

extern template class FStyleArray<FAFillStyle>;
extern template class FStyleArray<FALineStyle>;

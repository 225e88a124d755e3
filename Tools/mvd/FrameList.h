// A choice of frame numbers (from 0) as given on the command line: "all",
// or numbers and ranges separated by commas, such as "0,10-20,150-" (a
// range without an end runs to the last frame).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mvd {

class FrameList {
  public:
    // Throws UsageError for text that is not such a list.
    static FrameList Parse(const std::string& text);

    bool contains(uint64_t frame) const;
    // The highest frame asked for, or nullopt when a range is open.
    std::optional<uint64_t> last() const;
    // The lowest frame asked for that a file of frameCount frames lacks.
    std::optional<uint64_t> firstMissing(uint64_t frameCount) const;

  private:
    struct Range {
        uint64_t first;
        std::optional<uint64_t> last;
    };
    std::vector<Range> m_ranges;
};

}  // namespace mvd

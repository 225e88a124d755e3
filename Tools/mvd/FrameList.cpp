#include "FrameList.h"

#include <charconv>

#include "ToolError.h"

namespace mvd {

namespace {

uint64_t ParseNumber(const std::string& text, const std::string& whole) {
    uint64_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw UsageError("\"" + whole +
                         "\" is not a frame list (numbers from 0 and ranges such as 5-9 or "
                         "10-, separated by commas)");
    }
    return n;
}

}  // namespace

FrameList FrameList::Parse(const std::string& text) {
    FrameList list;
    if (text == "all") {
        list.m_ranges.push_back({0, std::nullopt});
        return list;
    }
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const size_t dash = item.find('-');
        if (dash == std::string::npos) {
            const uint64_t n = ParseNumber(item, text);
            list.m_ranges.push_back({n, n});
        } else {
            const uint64_t first = ParseNumber(item.substr(0, dash), text);
            const std::string end = item.substr(dash + 1);
            const std::optional<uint64_t> last =
                end.empty() ? std::nullopt : std::optional(ParseNumber(end, text));
            if (last && *last < first) {
                throw UsageError("the frame range " + item + " runs backwards");
            }
            list.m_ranges.push_back({first, last});
        }
        start = comma + 1;
    }
    return list;
}

bool FrameList::contains(uint64_t frame) const {
    for (const Range& r : m_ranges) {
        if (frame >= r.first && (!r.last || frame <= *r.last)) {
            return true;
        }
    }
    return false;
}

std::optional<uint64_t> FrameList::last() const {
    uint64_t highest = 0;
    for (const Range& r : m_ranges) {
        if (!r.last) {
            return std::nullopt;
        }
        highest = std::max(highest, *r.last);
    }
    return highest;
}

std::optional<uint64_t> FrameList::firstMissing(uint64_t frameCount) const {
    std::optional<uint64_t> missing;
    for (const Range& r : m_ranges) {
        // An open range asks only for the frames that exist, but at least
        // for its first.
        const uint64_t wanted = r.last ? *r.last : r.first;
        if (wanted >= frameCount && (r.first >= frameCount || r.last)) {
            const uint64_t first = std::max(r.first, frameCount);
            missing = missing ? std::min(*missing, first) : first;
        }
    }
    return missing;
}

}  // namespace mvd

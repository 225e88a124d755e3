// The samples a media holds until its movie atom is written, kept compactly:
// an hour of screen recording adds hundreds of thousands of runs.  Each
// AddMediaSample2 call is one run; the attributes that runs share (sample
// count, duration, display offset, description, flags) are held once per
// stretch of runs that agree on them, and only a run's file offset and
// sample size are held per run, in blocks that grow without copying.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <vector>

#include "MovieToolbox/Movies.h"

namespace mtb {

// The samples of one AddMediaSample2 call: equal in size and duration,
// stored one after the other in the movie file.
struct SampleRun {
    uint64_t offset = 0;
    uint32_t sampleSize = 0;
    uint32_t sampleCount = 0;
    uint32_t duration = 0;
    int32_t displayOffset = 0;
    int64_t decodeTime = 0;
    uint32_t descriptionIndex = 1;  // 1-based
    MediaSampleFlags flags = 0;

    uint64_t byteCount() const { return static_cast<uint64_t>(sampleSize) * sampleCount; }
    int64_t timeSpan() const { return static_cast<int64_t>(duration) * sampleCount; }
};

class SampleRunTable {
  public:
    // Walks the runs in order; yields each as a SampleRun value.
    class const_iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = SampleRun;
        using difference_type = std::ptrdiff_t;
        using pointer = const SampleRun*;
        using reference = const SampleRun&;

        const_iterator() = default;
        const SampleRun& operator*() const { return m_run; }
        const SampleRun* operator->() const { return &m_run; }
        const_iterator& operator++();
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const { return m_index == other.m_index; }

      private:
        friend class SampleRunTable;
        const_iterator(const SampleRunTable* table, size_t index, size_t stretch);
        void load();

        const SampleRunTable* m_table = nullptr;
        size_t m_index = 0;
        size_t m_stretch = 0;
        SampleRun m_run;
    };

    // Appends a run; its decodeTime is taken to be the end of the runs
    // before it.
    void push_back(const SampleRun& run);

    size_t size() const { return m_offsets.size(); }
    bool empty() const { return m_offsets.empty(); }
    uint64_t sampleCount() const { return m_samples; }
    const_iterator begin() const { return const_iterator(this, 0, 0); }
    const_iterator end() const { return const_iterator(this, size(), m_stretches.size()); }
    SampleRun front() const { return *begin(); }
    SampleRun back() const;
    // The run holding media time `time`, or end().
    const_iterator runAt(int64_t time) const;

  private:
    // Consecutive runs that share every attribute but offset and size.
    struct Stretch {
        size_t firstRun = 0;
        int64_t decodeTime = 0;
        uint32_t sampleCount = 0;
        uint32_t duration = 0;
        int32_t displayOffset = 0;
        uint32_t descriptionIndex = 1;
        MediaSampleFlags flags = 0;

        int64_t runSpan() const { return static_cast<int64_t>(duration) * sampleCount; }
        bool holds(const SampleRun& run) const;
    };

    size_t stretchEnd(size_t stretch) const;

    std::deque<uint64_t> m_offsets;
    std::deque<uint32_t> m_sizes;
    std::vector<Stretch> m_stretches;
    uint64_t m_samples = 0;
    int64_t m_endTime = 0;
};

}  // namespace mtb

#include "MovieToolbox/SampleRunTable.h"

#include <algorithm>

namespace mtb {

bool SampleRunTable::Stretch::holds(const SampleRun& run) const {
    return run.sampleCount == sampleCount && run.duration == duration &&
           run.displayOffset == displayOffset && run.descriptionIndex == descriptionIndex &&
           run.flags == flags;
}

size_t SampleRunTable::stretchEnd(size_t stretch) const {
    return stretch + 1 < m_stretches.size() ? m_stretches[stretch + 1].firstRun : size();
}

void SampleRunTable::push_back(const SampleRun& run) {
    if (m_stretches.empty() || !m_stretches.back().holds(run)) {
        m_stretches.push_back(Stretch{size(), m_endTime, run.sampleCount, run.duration,
                                      run.displayOffset, run.descriptionIndex, run.flags});
    }
    m_offsets.push_back(run.offset);
    m_sizes.push_back(run.sampleSize);
    m_samples += run.sampleCount;
    m_endTime += run.timeSpan();
}

SampleRun SampleRunTable::back() const {
    return *const_iterator(this, size() - 1, m_stretches.size() - 1);
}

SampleRunTable::const_iterator SampleRunTable::runAt(int64_t time) const {
    auto it = std::upper_bound(m_stretches.begin(), m_stretches.end(), time,
                               [](int64_t t, const Stretch& s) { return t < s.decodeTime; });
    if (it == m_stretches.begin() || time >= m_endTime) {
        return end();
    }
    --it;
    const size_t stretch = static_cast<size_t>(it - m_stretches.begin());
    const size_t run = it->firstRun + static_cast<size_t>((time - it->decodeTime) / it->runSpan());
    return run < stretchEnd(stretch) ? const_iterator(this, run, stretch) : end();
}

SampleRunTable::const_iterator::const_iterator(const SampleRunTable* table, size_t index,
                                               size_t stretch)
    : m_table(table), m_index(index), m_stretch(stretch) {
    load();
}

SampleRunTable::const_iterator& SampleRunTable::const_iterator::operator++() {
    ++m_index;
    if (m_index >= m_table->stretchEnd(m_stretch)) {
        ++m_stretch;
    }
    load();
    return *this;
}

void SampleRunTable::const_iterator::load() {
    if (m_table == nullptr || m_index >= m_table->size()) {
        return;
    }
    const Stretch& s = m_table->m_stretches[m_stretch];
    m_run.offset = m_table->m_offsets[m_index];
    m_run.sampleSize = m_table->m_sizes[m_index];
    m_run.sampleCount = s.sampleCount;
    m_run.duration = s.duration;
    m_run.displayOffset = s.displayOffset;
    m_run.decodeTime = s.decodeTime + static_cast<int64_t>(m_index - s.firstRun) * s.runSpan();
    m_run.descriptionIndex = s.descriptionIndex;
    m_run.flags = s.flags;
}

}  // namespace mtb

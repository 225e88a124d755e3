#include "MovieToolbox/SampleTableIndex.h"

#include <algorithm>
#include <limits>

namespace qtfile {

namespace {

// Index of the run containing item, given the first item of each run.
size_t RunContaining(const std::vector<uint64_t>& firsts, uint64_t item) {
    auto it = std::upper_bound(firsts.begin(), firsts.end(), item);
    return static_cast<size_t>(it - firsts.begin()) - 1;
}

}  // namespace

bool SampleTableIndex::build(const SampleTableAtom& table, std::string& error) {
    m_table = &table;
    m_sampleCount = table.sampleSizes.sampleCount;
    const SampleSizeAtom& sizes = table.sampleSizes;
    if (sizes.constantSize == 0 && sizes.sizes.size() != m_sampleCount) {
        error = "'stsz' lists fewer sizes than samples";
        return false;
    }
    m_sizePrefix.clear();
    if (sizes.constantSize == 0) {
        m_sizePrefix.resize(sizes.sizes.size() + 1, 0);
        for (size_t i = 0; i < sizes.sizes.size(); ++i) {
            m_sizePrefix[i + 1] = m_sizePrefix[i] + sizes.sizes[i];
        }
    }
    return buildChunks(error) && buildTimes(error) && checkSyncAndOffsets(error);
}

bool SampleTableIndex::buildChunks(std::string& error) {
    const auto& entries = m_table->sampleToChunk.entries;
    size_t chunkCount = m_table->chunkOffsets.offsets.size();
    size_t descriptionCount = m_table->descriptions.entries.size();
    m_chunkFirstSample.assign(1, 0);
    m_chunkDescription.clear();
    m_chunkFirstSample.reserve(chunkCount + 1);
    m_chunkDescription.reserve(chunkCount);
    if (chunkCount > 0 && (entries.empty() || entries[0].firstChunk != 1)) {
        error = "'stsc' does not start at chunk 1";
        return false;
    }
    for (size_t e = 0; e < entries.size(); ++e) {
        const SampleToChunkEntry& entry = entries[e];
        uint64_t end = e + 1 < entries.size() ? entries[e + 1].firstChunk : chunkCount + 1ull;
        if (entry.firstChunk < 1 || end <= entry.firstChunk || end > chunkCount + 1ull) {
            error = "'stsc' chunk numbers out of order or out of range";
            return false;
        }
        if (entry.descriptionIndex < 1 || entry.descriptionIndex > descriptionCount) {
            error = "'stsc' names a sample description that does not exist";
            return false;
        }
        for (uint64_t chunk = entry.firstChunk; chunk < end; ++chunk) {
            uint64_t next = m_chunkFirstSample.back() + entry.samplesPerChunk;
            if (next > m_sampleCount) {
                error = "'stsc' places more samples than 'stsz' has";
                return false;
            }
            m_chunkFirstSample.push_back(next);
            m_chunkDescription.push_back(entry.descriptionIndex);
        }
    }
    if (m_chunkFirstSample.back() != m_sampleCount) {
        error = "'stsc' places fewer samples than 'stsz' has";
        return false;
    }
    return true;
}

bool SampleTableIndex::buildTimes(std::string& error) {
    const auto& entries = m_table->timeToSample.entries;
    m_timeFirstSample.clear();
    m_timeFirstTime.clear();
    uint64_t sample = 0;
    uint64_t time = 0;
    for (const TimeToSampleEntry& e : entries) {
        m_timeFirstSample.push_back(sample);
        m_timeFirstTime.push_back(time);
        sample += e.sampleCount;
        time += static_cast<uint64_t>(e.sampleCount) * e.sampleDuration;
    }
    if (sample != m_sampleCount) {
        error = "'stts' times " + std::to_string(sample) + " samples, 'stsz' has " +
                std::to_string(m_sampleCount);
        return false;
    }
    m_totalDuration = time;
    m_offsetFirstSample.clear();
    if (m_table->compositionOffsets) {
        uint64_t covered = 0;
        for (const CompositionOffsetEntry& e : m_table->compositionOffsets->entries) {
            m_offsetFirstSample.push_back(covered);
            covered += e.sampleCount;
        }
        if (covered != m_sampleCount) {
            error = "'ctts' covers a different number of samples than 'stsz'";
            return false;
        }
    }
    return true;
}

bool SampleTableIndex::checkSyncAndOffsets(std::string& error) {
    if (m_table->syncSamples) {
        uint32_t previous = 0;
        for (uint32_t n : m_table->syncSamples->sampleNumbers) {
            if (n <= previous || n > m_sampleCount) {
                error = "'stss' sample numbers out of order or out of range";
                return false;
            }
            previous = n;
        }
    }
    return true;
}

bool SampleTableIndex::sample(uint32_t index, SampleInfo& info) const {
    if (m_table == nullptr || index >= m_sampleCount) {
        return false;
    }
    size_t chunk = RunContaining(m_chunkFirstSample, index);
    uint64_t first = m_chunkFirstSample[chunk];
    const SampleSizeAtom& sizes = m_table->sampleSizes;
    uint64_t within = 0;
    if (sizes.constantSize != 0) {
        info.size = sizes.constantSize;
        within = (index - first) * static_cast<uint64_t>(sizes.constantSize);
    } else {
        info.size = sizes.sizes[index];
        within = m_sizePrefix[index] - m_sizePrefix[first];
    }
    uint64_t chunkOffset = m_table->chunkOffsets.offsets[chunk];
    if (within > std::numeric_limits<uint64_t>::max() - chunkOffset - info.size) {
        return false;
    }
    info.offset = chunkOffset + within;
    info.chunkIndex = static_cast<uint32_t>(chunk);
    info.descriptionIndex = m_chunkDescription[chunk];

    size_t run = RunContaining(m_timeFirstSample, index);
    const TimeToSampleEntry& timing = m_table->timeToSample.entries[run];
    info.duration = timing.sampleDuration;
    info.decodeTime =
        m_timeFirstTime[run] + (index - m_timeFirstSample[run]) * timing.sampleDuration;

    info.compositionOffset = 0;
    if (!m_offsetFirstSample.empty()) {
        size_t offsetRun = RunContaining(m_offsetFirstSample, index);
        info.compositionOffset = m_table->compositionOffsets->entries[offsetRun].offset;
    }
    info.sync = !m_table->syncSamples ||
                std::binary_search(m_table->syncSamples->sampleNumbers.begin(),
                                   m_table->syncSamples->sampleNumbers.end(), index + 1);
    return true;
}

}  // namespace qtfile

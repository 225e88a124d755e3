// Finds where each sample of a media lies, when it is decoded and whether it
// is a sync sample, from the sample table atoms of a movie file.
//
// build() checks the tables against each other first (sample counts of the
// time, size and chunk tables agree; indexes are in range) so that sample()
// never reads outside them.  Memory grows with the number of chunks and table
// entries, not with the number of samples, except for media whose samples
// differ in size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MovieToolbox/MovieAtoms.h"

namespace qtfile {

struct SampleInfo {
    uint64_t offset = 0;  // in the file
    uint32_t size = 0;
    uint64_t decodeTime = 0;  // media time scale
    uint32_t duration = 0;
    int32_t compositionOffset = 0;
    bool sync = true;
    uint32_t descriptionIndex = 1;  // 1-based, into the 'stsd' entries
    uint32_t chunkIndex = 0;        // 0-based
};

class SampleTableIndex {
  public:
    [[nodiscard]] bool build(const SampleTableAtom& table, std::string& error);

    uint32_t sampleCount() const { return m_sampleCount; }
    uint32_t chunkCount() const { return static_cast<uint32_t>(m_chunkDescription.size()); }
    uint64_t totalDuration() const { return m_totalDuration; }
    // Sample number index (0-based); false when it is out of range or its
    // place in the file cannot be expressed.
    [[nodiscard]] bool sample(uint32_t index, SampleInfo& info) const;

  private:
    bool buildChunks(std::string& error);
    bool buildTimes(std::string& error);
    bool checkSyncAndOffsets(std::string& error);

    const SampleTableAtom* m_table = nullptr;
    uint32_t m_sampleCount = 0;
    uint64_t m_totalDuration = 0;
    std::vector<uint64_t> m_chunkFirstSample;  // one per chunk, then the total
    std::vector<uint32_t> m_chunkDescription;
    std::vector<uint64_t> m_sizePrefix;  // only when sample sizes differ
    std::vector<uint64_t> m_timeFirstSample;
    std::vector<uint64_t> m_timeFirstTime;
    std::vector<uint64_t> m_offsetFirstSample;
};

}  // namespace qtfile

// Feeds arbitrary bytes to the movie file reader as a whole file, then walks
// every track's samples (a bounded number of them) and reads their bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "MovieToolbox/MovieFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qtfile::MovieFileReader reader;
    if (!reader.openBytes(std::span<const uint8_t>(data, size)).ok()) {
        return 0;
    }
    std::vector<uint8_t> bytes;
    for (size_t t = 0; t < reader.trackCount(); ++t) {
        uint32_t count = reader.samples(t).sampleCount();
        uint32_t limit = count < 4096 ? count : 4096;
        for (uint32_t i = 0; i < limit; ++i) {
            qtfile::SampleInfo info;
            if (reader.sampleInfo(t, i, info).ok() && info.size <= (1u << 20)) {
                (void)reader.readSample(t, i, bytes);
            }
        }
        // The last sample as well, to reach the far end of the tables.
        if (count > limit) {
            qtfile::SampleInfo info;
            (void)reader.sampleInfo(t, count - 1, info);
        }
    }
    return 0;
}

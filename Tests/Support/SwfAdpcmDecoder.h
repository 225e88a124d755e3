// Reference decoder of SWF ADPCM sound data, written from the published
// description of the format, independent of the library's compressor.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mvdtest {

struct SwfAdpcmDecoded {
    int codeBits = 0;
    // Interleaved 16-bit samples, `frames` frames of `channels` samples.
    std::vector<int16_t> samples;
    uint32_t frames = 0;
    // Per packet, per channel: the initial step index from its header.
    std::vector<int> initialIndices;
};

// Decodes up to `maxFrames` sample frames (all the data holds when 0).
// Stops at the end of the data; a frame cut short by it is not returned.
SwfAdpcmDecoded DecodeSwfAdpcm(std::span<const uint8_t> data, int channels, uint32_t maxFrames = 0);

// Signal-to-noise ratio in dB of `decoded` against `source` (same length).
double SnrDb(std::span<const int16_t> source, std::span<const int16_t> decoded);

}  // namespace mvdtest

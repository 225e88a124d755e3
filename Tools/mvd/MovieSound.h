// The sound of a movie's first sound track as interleaved 16-bit samples:
// uncompressed big- or little-endian 16-bit ('twos', 'sowt', 'lpcm' with
// 16 bits) or IMA 4:1 ('ima4').
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mvd {

struct MovieSound {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    std::vector<int16_t> samples;  // interleaved
};

// Empty (no channels) when the movie has no sound track.  Throws ToolError
// for sound it cannot decode.
MovieSound ReadMovieSound(const std::string& path);

}  // namespace mvd

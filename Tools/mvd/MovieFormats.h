// What the sample descriptions of a movie track say (file form: every
// number big-endian), and the text of text samples.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "MovieToolbox/MovieFileReader.h"

namespace mvd {

struct VideoFormat {
    uint32_t codec = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 0;
    std::string compressorName;
};

struct SoundFormat {
    uint32_t codec = 0;
    int version = 0;
    uint32_t channels = 0;
    uint32_t bitsPerSample = 0;
    double sampleRate = 0;
    uint32_t flags = 0;  // version 2: the format's flags (float, big-endian, ...)
};

// nullopt when the entry is too short for its fixed fields.
std::optional<VideoFormat> ReadVideoFormat(std::span<const uint8_t> entry);
std::optional<SoundFormat> ReadSoundFormat(std::span<const uint8_t> entry);
// The text of a text sample (a 16-bit length, then the characters), or
// nullopt when the length runs past the sample.
std::optional<std::string> ReadTextSample(std::span<const uint8_t> sample);

// The first sample description of a track, or an empty span.
std::span<const uint8_t> FirstDescription(const qtfile::TrackAtom& track);

}  // namespace mvd

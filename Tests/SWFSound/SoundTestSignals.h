// Test signals for the sound tests: tones with some noise, as bytes, and a
// movie's sound as ffmpeg decodes it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Support/FFmpegTool.h"

namespace soundtest {

// `frames` interleaved frames: each channel a mix of two tones (different
// per channel) plus a little noise, peaking near `amplitude`.
inline std::vector<int16_t> Tones(uint32_t frames, int channels, double amplitude = 12000,
                                  unsigned seed = 1) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-0.02, 0.02);
    std::vector<int16_t> out;
    out.reserve(size_t(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double t = i / 22050.0;
            const double v = 0.7 * std::sin(2 * M_PI * (440 + 220 * c) * t) +
                             0.25 * std::sin(2 * M_PI * (1250 + 300 * c) * t) + noise(random);
            out.push_back(static_cast<int16_t>(std::lround(amplitude * v)));
        }
    }
    return out;
}

inline std::vector<uint8_t> LeBytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out;
    out.reserve(samples.size() * 2);
    for (int16_t s : samples) {
        out.push_back(static_cast<uint8_t>(s & 0xFF));
        out.push_back(static_cast<uint8_t>((static_cast<uint16_t>(s) >> 8) & 0xFF));
    }
    return out;
}

// 16-bit interleaved samples of the file's sound by ffmpeg (none when it fails).
inline std::vector<int16_t> FfmpegSamples(const std::string& path) {
    const auto bytes = mvdtest::FFmpegDecode(path, {"-map", "0:a", "-f", "s16le"});
    std::vector<int16_t> out(bytes ? bytes->size() / 2 : 0);
    if (!out.empty()) {
        std::memcpy(out.data(), bytes->data(), out.size() * 2);
    }
    return out;
}

}  // namespace soundtest

// Builds RIFF WAVE files in memory for the tests, correct or damaged.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace soundtest {

using Bytes = std::vector<uint8_t>;

inline void PutLe(Bytes& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One chunk: id, declared size (the payload's by default), payload and its
// pad byte when the payload is odd.
inline Bytes Chunk(const std::string& id, const Bytes& payload, int64_t declared = -1) {
    Bytes b(id.begin(), id.end());
    PutLe(b, declared < 0 ? static_cast<uint32_t>(payload.size()) : uint32_t(declared), 4);
    b.insert(b.end(), payload.begin(), payload.end());
    if (payload.size() & 1)
        b.push_back(0);
    return b;
}

struct WavFormat {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    int blockAlign = -1;  // computed when negative
};

inline Bytes FormatChunk(const WavFormat& f) {
    const uint16_t align =
        f.blockAlign < 0 ? static_cast<uint16_t>(f.channels * f.bits / 8) : uint16_t(f.blockAlign);
    Bytes p;
    PutLe(p, f.tag, 2);
    PutLe(p, f.channels, 2);
    PutLe(p, f.rate, 4);
    PutLe(p, align * f.rate, 4);
    PutLe(p, align, 2);
    PutLe(p, f.bits, 2);
    return Chunk("fmt ", p);
}

inline Bytes Riff(const std::vector<Bytes>& chunks) {
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    Bytes b = {'R', 'I', 'F', 'F'};
    PutLe(b, static_cast<uint32_t>(body.size()), 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes Wav(const WavFormat& f, const Bytes& samples) {
    return Riff({FormatChunk(f), Chunk("data", samples)});
}

// A temporary file holding `bytes`, positioned at its start (null on
// failure); the caller closes it, which removes it.
inline FILE* TempFileWith(const Bytes& bytes) {
    FILE* f = tmpfile();
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        rewind(f);
    }
    return f;
}

}  // namespace soundtest

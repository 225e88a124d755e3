// Reader of RIFF WAVE files holding PCM sound that SWF can carry: 8- or
// 16-bit samples, one or two channels, at 5512, 11025, 22050 or 44100 Hz.
//
// Every byte is untrusted: chunk sizes are checked against what the input
// really holds, the sample buffer grows only with bytes actually read, and
// every rejection comes with a message (ending in a newline). While it reads,
// the reader prints a trace of the chunks and format fields to a stdio
// stream (standard output by default; null for none).
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "SWF/FSound.h"

struct FWavSound {
    FSound m_format;             // the fields of the format chunk
    int m_rate = 0;              // SWF rate code 0..3
    int m_size = 0;              // 0 for 8-bit, 1 for 16-bit samples
    int m_type = 0;              // 0 mono, 1 stereo
    uint32_t m_sampleCount = 0;  // whole sample frames in m_samples
    // Interleaved samples as stored: unsigned 8-bit or signed 16-bit
    // little-endian; a partial last frame is dropped.
    std::vector<uint8_t> m_samples;
};

class FWavReader {
  public:
    explicit FWavReader(FILE* trace = stdout) : m_trace(trace) {}

    // Reads a whole file from its current position. False with Error() set
    // on any failure; the sound is then empty.
    bool Load(FILE* file);
    bool Load(std::span<const uint8_t> bytes);

    const FWavSound& Sound() const { return m_sound; }
    FWavSound TakeSound() { return std::move(m_sound); }
    const std::string& Error() const { return m_error; }

    // Where a read stops: file or memory, read forward only.
    class Source {
      public:
        virtual ~Source() = default;
        // Copies up to n bytes; returns how many were available.
        virtual size_t Read(uint8_t* dst, size_t n) = 0;
    };

  private:
    bool Parse(Source& source);
    bool ParseFormat(Source& source, uint32_t size);
    bool ReadData(Source& source, uint32_t size);
    bool Skip(Source& source, uint64_t size);
    bool CheckFormat();
    bool Fail(const std::string& message);
    void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));

    FILE* m_trace;
    FWavSound m_sound;
    std::string m_error;
    bool m_haveFormat = false;
    bool m_haveData = false;
};

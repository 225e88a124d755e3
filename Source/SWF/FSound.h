// The sound format fields shared by every SWF sound tag, and the wave format
// record they describe.
#pragma once

#include <cstdint>

class FSWFStream;

// SWF sound compression codes (the 4-bit SoundFormat field).
enum : int { kSoundUncompressed = 0, kSoundADPCM = 1, kSoundMP3 = 2 };

// A wave format record (format tag, channels, rate, average bytes per second,
// block align, bits per sample), filled from an SWF mix byte:
// (rate << 2) + (size << 1) + type, where rate is 0..3 (5512, 11025, 22050,
// 44100 Hz), size 0 for 8-bit and 1 for 16-bit samples, type 0 mono, 1 stereo.
class FSound {
  public:
    static const uint32_t kRateTable[4];

    uint16_t m_formatTag = 0;
    uint16_t m_channels = 0;
    uint32_t m_samplesPerSec = 0;
    uint32_t m_avgBytesPerSec = 0;
    uint16_t m_blockAlign = 0;
    uint16_t m_bitsPerSample = 0;

    // Zeroes every field.
    void Init();
    // PCM format tag 1 and the rate, channels and bits the mix byte names.
    void Set(uint8_t mixByte);

    static uint8_t MixByte(int rate, int size, int type);
    // The 2-bit rate code of one of the four SWF rates, or -1.
    static int RateCode(uint32_t samplesPerSec);
};

// The four format fields of a sound tag: compression (4 bits), rate (2),
// size (1) and type (1), written as one byte in that order.
struct FSoundFormat {
    // Throws std::invalid_argument for a field that does not fit its bits.
    FSoundFormat(int compression, int rate, int size, int type);
    void WriteToSWFStream(FSWFStream* stream) const;
    // Bytes of one sample frame of uncompressed samples in this format.
    uint32_t FrameBytes() const { return static_cast<uint32_t>((m_size + 1) * (m_type + 1)); }

    int m_compression;
    int m_rate;
    int m_size;
    int m_type;
};

// `data` as bytes; throws std::invalid_argument when it is null but
// `length` is not 0.
const uint8_t* SoundDataOrThrow(const void* data, uint32_t length);

// DefineSound (14): an event sound, from data in any SWF sound format, from
// 16- or 8-bit samples compressed to ADPCM, or from a WAV file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "SWF/FObj.h"
#include "SWF/FSound.h"

class FDTDefineSound : public FDT {
  public:
    // Data already in the format `compression` names (uncompressed, ADPCM
    // or MP3), referenced, not copied: it must outlive the stream the tag is
    // written to. rate 0..3, size 0/1 (8/16-bit), type 0/1 (mono/stereo).
    // Throws std::invalid_argument for missing data or fields out of range.
    FDTDefineSound(int compression, int rate, int size, int type, uint32_t sampleCount,
                   const void* data, uint32_t dataLength);

    uint16_t ID() override { return m_characterID; }
    // SoundId (16); compression (4), rate (2), size (1), type (1);
    // SoundSampleCount (32); the sound data.
    void WriteToSWFStream(FSWFStream* stream) override;

    const FSoundFormat& Format() const { return m_format; }
    uint32_t SampleCount() const { return m_sampleCount; }
    uint32_t DataLength() const { return m_dataLength; }
    const uint8_t* Data() const { return m_data; }

  protected:
    // No data and no character ID yet: constructors take the ID once their
    // arguments have been checked. Stream blocks built on this class are not
    // characters and take none.
    explicit FDTDefineSound(const FSoundFormat& format) : m_format(format) {}
    void TakeCharacterID();
    // Compresses `frames` sample frames (as the size and type fields say)
    // to ADPCM into the owned vector and points the data at it.
    void CompressADPCM(const uint8_t* samples, uint32_t frames, int codeSize);

    uint16_t m_characterID = 0;
    FSoundFormat m_format;
    uint32_t m_sampleCount = 0;
    uint32_t m_dataLength = 0;
    const uint8_t* m_data = nullptr;
    std::vector<uint8_t> m_compressed;
};

// Samples compressed to SWF ADPCM at once; the caller's samples are not
// kept. The samples are 16-bit signed little-endian (size 1) or 8-bit
// unsigned (size 0), channels interleaved. Only whole frames the data
// holds are compressed, at most `sampleCount`; SampleCount() tells how many.
class FDTDefineSoundADPCM : public FDTDefineSound {
  public:
    FDTDefineSoundADPCM(int rate, int size, int type, uint32_t sampleCount, const void* data,
                        uint32_t dataLength, int codeSize);

  protected:
    FDTDefineSoundADPCM(int rate, int size, int type, uint32_t sampleCount, const void* data,
                        uint32_t dataLength, int codeSize, bool takeID);
};

// A WAV file's PCM samples compressed to ADPCM. A null file, or a file the
// reader rejects, gives an empty sound (no samples); IsLoaded() and
// LoadError() tell which. The reader's trace goes to `trace` (null: none).
// Throws std::invalid_argument for a code size outside 2..5.
class FDTDefineSoundWAV : public FDTDefineSound {
  public:
    FDTDefineSoundWAV(FILE* file, int codeSize, FILE* trace = stdout);

    bool IsLoaded() const { return m_loadError.empty(); }
    const std::string& LoadError() const { return m_loadError; }

  protected:
    bool loadWavFile(FILE* file, int codeSize, FILE* trace);

    std::string m_loadError;
};

// Streaming sound: the stream heads (SoundStreamHead 18, SoundStreamHead2
// 45) that declare a stream's format and samples per frame, and the blocks
// (SoundStreamBlock 19) that carry each frame's share of it. None of these
// tags is a character: they take no character ID.
#pragma once

#include <cstdint>
#include <memory>

#include "SWF/FDTDefineSound.h"
#include "SWF/FObj.h"

// The body every stream head shares: the playback mix byte, then the
// stream's compression (4), rate (2), size (1), type (1), its samples per
// frame (16) and, for MP3 streams, the latency seek (16, written as 0).
class FSoundStreamHeadTag : public FDT {
  public:
    void WriteToSWFStream(FSWFStream* stream) override;

  protected:
    FSoundStreamHeadTag(uint16_t tagCode, uint8_t mixByte, int compression, int rate, int size,
                        int type, uint16_t sampleCount);

  private:
    uint16_t m_tagCode;
    uint8_t m_mixByte;
    FSoundFormat m_format;
    uint16_t m_sampleCount;
};

// SoundStreamHead (18): an ADPCM stream of 16-bit samples at the mix byte's
// rate.
class FDTSoundStreamHead : public FSoundStreamHeadTag {
  public:
    FDTSoundStreamHead(uint8_t mixByte, bool stereo, uint16_t sampleCount);
};

// SoundStreamHead2 (45): a stream at the mix byte's rate.
class FDTSoundStreamHead2 : public FSoundStreamHeadTag {
  public:
    FDTSoundStreamHead2(uint8_t mixByte, int compression, int size, int type, uint16_t sampleCount);
};

// SoundStreamHead2 (45) with the stream's rate given on its own.
class MyFDTSoundStreamHead2 : public FSoundStreamHeadTag {
  public:
    MyFDTSoundStreamHead2(uint8_t mixByte, int compression, int size, int type, int rate,
                          uint16_t sampleCount);
};

// SoundStreamBlock (19) of caller-owned data, referenced, not copied: it
// must outlive the stream the tag is written to.
class FDTSoundStreamBlock : public FDT {
  public:
    FDTSoundStreamBlock(uint32_t length, const void* data);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint32_t m_length;
    const uint8_t* m_data;
};

// SoundStreamBlock (19) of uncompressed samples; takes over `data`, which
// must come from new[].
class MyFDTSoundStreamBlock_PCM : public FDT {
  public:
    MyFDTSoundStreamBlock_PCM(uint32_t length, uint8_t* data);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint32_t m_length;
    std::unique_ptr<uint8_t[]> m_data;
};

// SoundStreamBlock (19) of samples compressed at once to a complete ADPCM
// stream of its own (code size, then a packet header at its first sample).
class MyFDTSoundStreamBlock_ADPCM : public FDTDefineSoundADPCM {
  public:
    MyFDTSoundStreamBlock_ADPCM(int rate, int size, int type, uint32_t sampleCount,
                                const void* data, uint32_t dataLength, int codeSize);
    uint16_t ID() override { return 0; }
    void WriteToSWFStream(FSWFStream* stream) override;
};

// SoundStreamBlock (19) of MP3 frames: SampleCount (16), SeekSamples (16),
// then the caller-owned data (referenced, may be null when empty).
class MyFDTSoundStreamBlock_MP3 : public FDT {
  public:
    MyFDTSoundStreamBlock_MP3(uint32_t length, const void* data, uint16_t sampleCount,
                              int16_t seekSamples);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint32_t m_length;
    const uint8_t* m_data;
    uint16_t m_sampleCount;
    int16_t m_seekSamples;
};

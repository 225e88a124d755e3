// An event sound of the high-level scene, from samples or a WAV file,
// compressed to ADPCM and started in the frames it is added to.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "SWF/HFObject.h"

class HFSound : public HFObject {
  public:
    // Samples in the SWF sound format fields (rate 0..3 for 5512 to 44100
    // Hz, size 0 for unsigned 8-bit and 1 for signed 16-bit samples, type
    // 0 mono and 1 stereo), copied; ADPCM codes of `codeSize` bits (2..5).
    HFSound(int rate, int size, int type, uint32_t sampleCount, const void* data, uint32_t length,
            int codeSize);
    // The rest of an open WAV file, read at once.  A file that cannot be
    // used gives a silent sound: IsLoaded() and LoadError() tell.
    HFSound(FILE* file, int codeSize);

    bool IsLoaded() const { return m_error.empty(); }
    const std::string& LoadError() const { return m_error; }

    // The first time in a movie: a SoundStreamHead for the sound's format
    // and its DefineSound.  Every time: a StartSound that does not start it
    // again while it plays.
    void AddToObjectList(std::list<FObj*>* objects, HFMovie* movie) override;
    // Stops the sound.
    void RemoveFromFrame(std::list<FObj*>* objects, HFMovie* movie) override;

  private:
    FDT* CreateDefinition() const;

    bool m_fromWav;
    int m_rate = 0;
    int m_size = 0;
    int m_type = 0;
    uint32_t m_sampleCount = 0;
    int m_codeSize;
    std::vector<uint8_t> m_bytes;  // samples, or the WAV file
    std::string m_error;
};

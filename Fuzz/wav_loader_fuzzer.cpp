// Feeds arbitrary bytes to the WAV reader and ADPCM-compresses whatever it
// accepts, checking that an accepted sound is consistent.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "SWF/FSoundComp.h"
#include "SWF/FWavReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FWavReader reader(nullptr);
    if (!reader.Load(std::span<const uint8_t>(data, size))) {
        if (reader.Error().empty())
            abort();
        return 0;
    }
    const FWavSound& sound = reader.Sound();
    const size_t frameBytes = size_t(sound.m_type + 1) * (sound.m_size + 1);
    if (sound.m_samples.size() != sound.m_sampleCount * frameBytes)
        abort();
    if (sound.m_samples.size() > size)
        abort();
    std::vector<uint8_t> out;
    FSoundComp comp(out, 2 + static_cast<int>(size % 4), sound.m_type == 1, sound.m_size == 0);
    comp.Compress(sound.m_samples.data(), sound.m_sampleCount);
    comp.Flush();
    if (comp.BytesWritten() != out.size() || comp.SampleCount() != sound.m_sampleCount)
        abort();
    return 0;
}

#include "SWF/FDTDefineSound.h"

#include <algorithm>
#include <stdexcept>

#include "SWF/FObjCollection.h"
#include "SWF/FSWFStream.h"
#include "SWF/FSoundComp.h"
#include "SWF/FWavReader.h"

namespace {

constexpr uint16_t kTagDefineSound = 14;

}  // namespace

void FDTDefineSound::TakeCharacterID() {
    m_characterID = FObjCollection::Increment();
}

FDTDefineSound::FDTDefineSound(int compression, int rate, int size, int type, uint32_t sampleCount,
                               const void* data, uint32_t dataLength)
    : m_format(compression, rate, size, type),
      m_sampleCount(sampleCount),
      m_dataLength(dataLength),
      m_data(SoundDataOrThrow(data, dataLength)) {
    TakeCharacterID();
}

void FDTDefineSound::CompressADPCM(const uint8_t* samples, uint32_t frames, int codeSize) {
    m_compressed.clear();
    FSoundComp comp(m_compressed, codeSize, m_format.m_type == 1, m_format.m_size == 0);
    comp.Compress(samples, frames);
    comp.Flush();
    m_format.m_compression = kSoundADPCM;
    m_sampleCount = frames;
    m_data = m_compressed.data();
    m_dataLength = static_cast<uint32_t>(m_compressed.size());
}

void FDTDefineSound::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagDefineSound, [this](FSWFStream& body) {
        body.WriteWord(m_characterID);
        m_format.WriteToSWFStream(&body);
        body.WriteDWord(m_sampleCount);
        body.WriteLargeData(m_data, m_dataLength);
    });
}

FDTDefineSoundADPCM::FDTDefineSoundADPCM(int rate, int size, int type, uint32_t sampleCount,
                                         const void* data, uint32_t dataLength, int codeSize)
    : FDTDefineSoundADPCM(rate, size, type, sampleCount, data, dataLength, codeSize, true) {}

FDTDefineSoundADPCM::FDTDefineSoundADPCM(int rate, int size, int type, uint32_t sampleCount,
                                         const void* data, uint32_t dataLength, int codeSize,
                                         bool takeID)
    : FDTDefineSound(FSoundFormat(kSoundADPCM, rate, size, type)) {
    // Only whole frames that the data holds, however many were announced.
    const uint32_t frames = std::min(sampleCount, dataLength / m_format.FrameBytes());
    CompressADPCM(SoundDataOrThrow(data, dataLength), frames, codeSize);
    if (takeID)
        TakeCharacterID();
}

FDTDefineSoundWAV::FDTDefineSoundWAV(FILE* file, int codeSize, FILE* trace)
    : FDTDefineSound(FSoundFormat(kSoundADPCM, 0, 0, 0)) {
    if (codeSize < 2 || codeSize > 5) {
        throw std::invalid_argument("ADPCM code size must be 2 to 5 bits");
    }
    TakeCharacterID();
    if (file == nullptr) {
        m_loadError = "No file to read\n";
        return;
    }
    loadWavFile(file, codeSize, trace);
}

bool FDTDefineSoundWAV::loadWavFile(FILE* file, int codeSize, FILE* trace) {
    FWavReader reader(trace);
    if (!reader.Load(file)) {
        m_loadError = reader.Error();
        return false;
    }
    const FWavSound& sound = reader.Sound();
    m_format = FSoundFormat(kSoundADPCM, sound.m_rate, sound.m_size, sound.m_type);
    CompressADPCM(sound.m_samples.data(), sound.m_sampleCount, codeSize);
    return true;
}

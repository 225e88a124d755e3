#include "SWF/HFSound.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "SWF/FControlTags.h"
#include "SWF/FDTDefineSound.h"
#include "SWF/FDTSoundStream.h"
#include "SWF/FSound.h"
#include "SWF/FWavReader.h"
#include "SWF/HFMovie.h"

namespace {

void CheckCodeSize(int codeSize) {
    if (codeSize < 2 || codeSize > 5) {
        throw std::invalid_argument("ADPCM code size must be 2 to 5 bits");
    }
}

}  // namespace

HFSound::HFSound(int rate, int size, int type, uint32_t sampleCount, const void* data,
                 uint32_t length, int codeSize)
    : m_fromWav(false),
      m_rate(rate),
      m_size(size),
      m_type(type),
      m_sampleCount(sampleCount),
      m_codeSize(codeSize) {
    CheckCodeSize(codeSize);
    FSoundFormat(kSoundADPCM, rate, size, type);  // refuses fields out of range
    const uint8_t* bytes = SoundDataOrThrow(data, length);
    m_bytes.assign(bytes, bytes + length);
}

HFSound::HFSound(FILE* file, int codeSize) : m_fromWav(true), m_codeSize(codeSize) {
    CheckCodeSize(codeSize);
    if (file == nullptr) {
        m_error = "No file to read\n";
        return;
    }
    uint8_t buffer[65536];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        m_bytes.insert(m_bytes.end(), buffer, buffer + read);
    }
    FWavReader reader(nullptr);
    if (!reader.Load(m_bytes)) {
        m_error = reader.Error();
        return;
    }
    m_rate = reader.Sound().m_rate;
    m_size = reader.Sound().m_size;
    m_type = reader.Sound().m_type;
    m_sampleCount = reader.Sound().m_sampleCount;
}

FDT* HFSound::CreateDefinition() const {
    if (!m_fromWav) {
        return new FDTDefineSoundADPCM(m_rate, m_size, m_type, m_sampleCount, m_bytes.data(),
                                       static_cast<uint32_t>(m_bytes.size()), m_codeSize);
    }
    // The WAV sound class reads a file: give it the bytes kept.
    FILE* file = m_bytes.empty()
                     ? nullptr
                     : fmemopen(const_cast<uint8_t*>(m_bytes.data()), m_bytes.size(), "rb");
    auto* sound = new FDTDefineSoundWAV(file, m_codeSize, nullptr);
    if (file != nullptr) {
        std::fclose(file);
    }
    return sound;
}

void HFSound::AddToObjectList(std::list<FObj*>* objects, HFMovie* movie) {
    if (NeedsDefinition(movie)) {
        const uint32_t perFrame = FSound::kRateTable[m_rate & 3] / movie->FrameRate();
        objects->push_back(
            new FDTSoundStreamHead(FSound::MixByte(m_rate, m_size, m_type), m_type != 0,
                                   static_cast<uint16_t>(std::min(perFrame, 0xFFFFu))));
        FDT* sound = CreateDefinition();
        SetCharacterID(sound->ID());
        objects->push_back(sound);
    }
    objects->push_back(
        new FCTStartSound(CharacterID(), new FSoundInfo(FSoundInfo::kSyncNoMultiple, false, false,
                                                        false, false, 0, 0, 0, 0, nullptr)));
}

void HFSound::RemoveFromFrame(std::list<FObj*>* objects, HFMovie* movie) {
    if (!IsDefinedIn(movie)) {
        throw std::logic_error("a sound is stopped in a movie it was never added to");
    }
    objects->push_back(new FCTStartSound(
        CharacterID(),
        new FSoundInfo(FSoundInfo::kSyncStop, false, false, false, false, 0, 0, 0, 0, nullptr)));
}

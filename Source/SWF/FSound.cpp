#include "SWF/FSound.h"

const uint32_t FSound::kRateTable[4] = {5512, 11025, 22050, 44100};

void FSound::Init() {
    *this = FSound();
}

void FSound::Set(uint8_t mixByte) {
    m_formatTag = 1;
    m_samplesPerSec = kRateTable[(mixByte >> 2) & 3];
    m_channels = (mixByte & 1) ? 2 : 1;
    m_bitsPerSample = (mixByte & 2) ? 16 : 8;
    m_blockAlign = static_cast<uint16_t>(m_bitsPerSample * m_channels / 8);
    m_avgBytesPerSec = m_blockAlign * m_samplesPerSec;
}

uint8_t FSound::MixByte(int rate, int size, int type) {
    return static_cast<uint8_t>(((rate & 3) << 2) + ((size & 1) << 1) + (type & 1));
}

int FSound::RateCode(uint32_t samplesPerSec) {
    for (int i = 0; i < 4; ++i) {
        if (kRateTable[i] == samplesPerSec)
            return i;
    }
    return -1;
}

#include "SWF/FSound.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

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

FSoundFormat::FSoundFormat(int compression, int rate, int size, int type)
    : m_compression(compression), m_rate(rate), m_size(size), m_type(type) {
    if (compression < 0 || compression > 15 || rate < 0 || rate > 3 || size < 0 || size > 1 ||
        type < 0 || type > 1) {
        throw std::invalid_argument("sound format field out of range");
    }
}

void FSoundFormat::WriteToSWFStream(FSWFStream* stream) const {
    stream->WriteBits(static_cast<uint32_t>(m_compression), 4);
    stream->WriteBits(static_cast<uint32_t>(m_rate), 2);
    stream->WriteBits(static_cast<uint32_t>(m_size), 1);
    stream->WriteBits(static_cast<uint32_t>(m_type), 1);
}

const uint8_t* SoundDataOrThrow(const void* data, uint32_t length) {
    if (data == nullptr && length != 0)
        throw std::invalid_argument("sound data missing");
    return static_cast<const uint8_t*>(data);
}

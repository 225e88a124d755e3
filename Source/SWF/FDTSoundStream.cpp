#include "SWF/FDTSoundStream.h"

#include "SWF/FSWFStream.h"
#include "SWF/FSound.h"

namespace {

enum : uint16_t { kTagSoundStreamHead = 18, kTagSoundStreamBlock = 19, kTagSoundStreamHead2 = 45 };

int MixRate(uint8_t mixByte) {
    return (mixByte >> 2) & 3;
}

}  // namespace

FSoundStreamHeadTag::FSoundStreamHeadTag(uint16_t tagCode, uint8_t mixByte, int compression,
                                         int rate, int size, int type, uint16_t sampleCount)
    : m_tagCode(tagCode),
      m_mixByte(static_cast<uint8_t>(mixByte & 0x0F)),  // the upper four bits are reserved
      m_format(compression, rate, size, type),
      m_sampleCount(sampleCount) {}

void FSoundStreamHeadTag::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, m_tagCode, [this](FSWFStream& body) {
        body.WriteByte(m_mixByte);
        m_format.WriteToSWFStream(&body);
        body.WriteWord(m_sampleCount);
        if (m_format.m_compression == kSoundMP3)
            body.WriteWord(0);  // LatencySeek
    });
}

FDTSoundStreamHead::FDTSoundStreamHead(uint8_t mixByte, bool stereo, uint16_t sampleCount)
    : FSoundStreamHeadTag(kTagSoundStreamHead, mixByte, kSoundADPCM, MixRate(mixByte), 1,
                          stereo ? 1 : 0, sampleCount) {}

FDTSoundStreamHead2::FDTSoundStreamHead2(uint8_t mixByte, int compression, int size, int type,
                                         uint16_t sampleCount)
    : FSoundStreamHeadTag(kTagSoundStreamHead2, mixByte, compression, MixRate(mixByte), size, type,
                          sampleCount) {}

MyFDTSoundStreamHead2::MyFDTSoundStreamHead2(uint8_t mixByte, int compression, int size, int type,
                                             int rate, uint16_t sampleCount)
    : FSoundStreamHeadTag(kTagSoundStreamHead2, mixByte, compression, rate, size, type,
                          sampleCount) {}

FDTSoundStreamBlock::FDTSoundStreamBlock(uint32_t length, const void* data)
    : m_length(length), m_data(SoundDataOrThrow(data, length)) {}

void FDTSoundStreamBlock::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagSoundStreamBlock,
                  [this](FSWFStream& body) { body.WriteLargeData(m_data, m_length); });
}

MyFDTSoundStreamBlock_PCM::MyFDTSoundStreamBlock_PCM(uint32_t length, uint8_t* data)
    : m_length(length), m_data(data) {
    SoundDataOrThrow(data, length);
}

void MyFDTSoundStreamBlock_PCM::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagSoundStreamBlock,
                  [this](FSWFStream& body) { body.WriteLargeData(m_data.get(), m_length); });
}

MyFDTSoundStreamBlock_ADPCM::MyFDTSoundStreamBlock_ADPCM(int rate, int size, int type,
                                                         uint32_t sampleCount, const void* data,
                                                         uint32_t dataLength, int codeSize)
    : FDTDefineSoundADPCM(rate, size, type, sampleCount, data, dataLength, codeSize, false) {}

void MyFDTSoundStreamBlock_ADPCM::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagSoundStreamBlock,
                  [this](FSWFStream& body) { body.WriteLargeData(m_data, m_dataLength); });
}

MyFDTSoundStreamBlock_MP3::MyFDTSoundStreamBlock_MP3(uint32_t length, const void* data,
                                                     uint16_t sampleCount, int16_t seekSamples)
    : m_length(length),
      m_data(SoundDataOrThrow(data, length)),
      m_sampleCount(sampleCount),
      m_seekSamples(seekSamples) {}

void MyFDTSoundStreamBlock_MP3::WriteToSWFStream(FSWFStream* stream) {
    AppendTagBody(stream, kTagSoundStreamBlock, [this](FSWFStream& body) {
        body.WriteWord(m_sampleCount);
        body.WriteWord(static_cast<uint16_t>(m_seekSamples));
        body.WriteLargeData(m_data, m_length);
    });
}

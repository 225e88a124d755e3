// The audio path: one stream head declared before the first frame, then one
// SoundStreamBlock per chunk, uncompressed or ADPCM as the settings say.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "SWF/FDTSoundStream.h"
#include "SWF/FObjCollection.h"
#include "SWFExport/CSWFWriter.h"

namespace {

enum : int { kCompressionNone = 0, kCompressionADPCM = 1, kCompressionMP3 = 2 };
constexpr int kAudioFormats = 24;
// A frame's share of sound larger than this cannot come from a real format.
constexpr int64_t kMaxChunkBytes = 1 << 24;

// The SWF rate code of a sample rate, or -1 for a rate SWF cannot play.
int RateCode(uint32_t samplesPerSecond) {
    switch (samplesPerSecond) {
        case 5512:
        case 5513:
            return 0;
        case 11025:
            return 1;
        case 22050:
            return 2;
        case 44100:
            return 3;
        default:
            return -1;
    }
}

}  // namespace

// Blocks are written only for a format the stream header can declare.
bool CSWFWriter::AudioFormatUsable() const {
    return RateCode(m_waveFormat.nSamplesPerSec) >= 0 &&
           (m_waveFormat.wBitsPerSample == 8 || m_waveFormat.wBitsPerSample == 16) &&
           (m_waveFormat.nChannels == 1 || m_waveFormat.nChannels == 2) && m_nChunkSize > 0;
}

// One frame's share of sample frames in bytes, every channel counted; 0 when
// no real format gives that much.
int CSWFWriter::ChunkSize() const {
    const tagWAVEFORMATEX& format = m_waveFormat;
    const int64_t chunk = int64_t{format.wBitsPerSample / 8} * format.nChannels *
                          (format.nSamplesPerSec / static_cast<uint32_t>(m_nFrameRate));
    return chunk <= kMaxChunkBytes ? static_cast<int>(chunk) : 0;
}

int CSWFWriter::GetAudioChunkSize() {
    std::lock_guard lock(m_mutex);
    return ChunkSize();
}

int CSWFWriter::PreProcessFirstAudioSample() {
    std::lock_guard lock(m_mutex);
    return PreProcessFirstAudioSampleLocked();
}

int CSWFWriter::PreProcessFirstAudioSampleLocked() {
    const tagWAVEFORMATEX& format = m_waveFormat;
    m_nChunkSize = ChunkSize();
    if (m_nFramesReceived > 0) {
        return 1;
    }
    const int compression = m_SWFConfig.m_nAudioCompression;
    m_nSizeFlag = format.wBitsPerSample == 8 && compression != kCompressionMP3 ? 0 : 1;
    m_nTypeFlag = format.nChannels == 2 ? 1 : 0;
    const int rate = RateCode(format.nSamplesPerSec);
    if (rate < 0) {
        std::puts("Flash Conversion\n\nAudio sample rate not supported");
        return 0;
    }
    m_nRateCode = rate;
    if (!AudioFormatUsable()) {
        std::puts("Flash Conversion\n\nAudio sample format not supported");
        return 0;
    }
    const bool known = compression >= kCompressionNone && compression <= kCompressionMP3;
    const uint32_t samplesPerFrame = known ? format.nSamplesPerSec / uint32_t(m_nFrameRate) : 0;
    if (IsOpen()) {
        try {
            const auto mix =
                static_cast<uint8_t>((m_nRateCode << 2) + (m_nSizeFlag << 1) + m_nTypeFlag);
            m_pMovie->AddFObj(new MyFDTSoundStreamHead2(mix, compression, m_nSizeFlag, m_nTypeFlag,
                                                        m_nRateCode,
                                                        static_cast<uint16_t>(samplesPerFrame)));
        } catch (const std::exception& error) {
            ShowError(error.what());
            return 0;
        }
    }
    return 1;
}

void CSWFWriter::SetUpAudioVars() {
    std::lock_guard lock(m_mutex);
    SetUpAudioVarsLocked();
}

void CSWFWriter::SetUpAudioVarsLocked() {
    const int compression = m_SWFConfig.m_nAudioCompression;
    const int index = m_SWFConfig.m_nAudioFormat;
    if (compression == kCompressionADPCM && index >= 0 && index < kAudioFormats) {
        m_nADPCMCodeSize = 2 + index % 4;
    }
    if (compression == kCompressionNone || compression == kCompressionADPCM) {
        m_chunkBuffer.assign(static_cast<size_t>(std::max(m_nChunkSize, 0)), 0);
    }
}

int CSWFWriter::AddAudioChunk(const void* samples, int length) {
    std::lock_guard lock(m_mutex);
    if (!IsOpen()) {
        return 0;
    }
    if (m_nFramesReceived == 0) {
        // Sound before the first frame follows the settings as well.
        PreProcessFirstAudioSampleLocked();
        SetUpAudioVarsLocked();
    }
    const int compression = m_SWFConfig.m_nAudioCompression;
    if (!AudioFormatUsable() ||
        (compression != kCompressionNone && compression != kCompressionADPCM)) {
        return 0;
    }
    if (length < 0 || (samples == nullptr && length > 0)) {
        ShowError("audio chunk without samples");
        return 0;
    }
    const size_t chunk = static_cast<size_t>(m_nChunkSize);
    size_t bytes = static_cast<size_t>(length);
    if (bytes > chunk) {
        ShowError("audio chunk longer than one frame's share: the rest is dropped");
        bytes = chunk;
    }
    // Short chunks are completed with silence.
    const uint8_t silence = m_waveFormat.wBitsPerSample == 8 ? 128 : 0;
    auto fill = [&](uint8_t* out) {
        if (bytes > 0) {
            std::memcpy(out, samples, bytes);
        }
        std::memset(out + bytes, silence, chunk - bytes);
    };
    try {
        if (compression == kCompressionNone) {
            auto buffer = std::make_unique<uint8_t[]>(chunk);
            fill(buffer.get());
            m_pMovie->AddFObj(
                new MyFDTSoundStreamBlock_PCM(static_cast<uint32_t>(chunk), buffer.release()));
        } else {
            m_chunkBuffer.resize(chunk);
            fill(m_chunkBuffer.data());
            const uint32_t sampleCount =
                static_cast<uint32_t>(chunk / (m_waveFormat.wBitsPerSample / 8));
            m_pMovie->AddFObj(new MyFDTSoundStreamBlock_ADPCM(
                m_nRateCode, m_nSizeFlag, m_nTypeFlag, sampleCount, m_chunkBuffer.data(),
                static_cast<uint32_t>(chunk), m_nADPCMCodeSize));
        }
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
    return 0;
}

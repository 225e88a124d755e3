#include "AudioCodecs/IMA4Codec.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr int kMaxStepIndex = 88;
constexpr int kStepTable[kMaxStepIndex + 1] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
// Step index change by code magnitude (the sign bit does not matter).
constexpr int kIndexTable[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr UInt16 kPredictorMask = 0xFF80;
constexpr UInt16 kIndexMask = 0x007F;

struct AdpcmState : IMA4ChannelState {
    // Applies one code: the reconstruction both coder directions share.
    void apply(int code) {
        const int step = kStepTable[index];
        int difference = step >> 3;
        if (code & 4)
            difference += step;
        if (code & 2)
            difference += step >> 1;
        if (code & 1)
            difference += step >> 2;
        predictor += (code & 8) ? -difference : difference;
        predictor = std::clamp(predictor, -32768, 32767);
        index = std::clamp(index + kIndexTable[code & 7], 0, kMaxStepIndex);
    }

    // The code whose reconstruction comes nearest below |sample - predictor|,
    // found bit by bit from the step down, then applied.
    int encode(int sample) {
        int difference = sample - predictor;
        int code = 0;
        if (difference < 0) {
            code = 8;
            difference = -difference;
        }
        int step = kStepTable[index];
        for (int bit = 4; bit != 0; bit >>= 1) {
            if (difference >= step) {
                code |= bit;
                difference -= step;
            }
            step >>= 1;
        }
        apply(code);
        return code;
    }
};

// The header drops the predictor's low 7 bits, so the exact predictor lies
// 0..127 above the header's: a following decoder recognises its own state.
UInt16 PacketHeader(const IMA4ChannelState& state) {
    return static_cast<UInt16>((static_cast<UInt16>(state.predictor) & kPredictorMask) |
                               state.index);
}

// The state a packet starts from, given the state the channel is in.
AdpcmState PacketStart(UInt16 header, const IMA4ChannelState& running) {
    const int predictor = static_cast<SInt16>(header & kPredictorMask);
    const int index = header & kIndexMask;
    if (index == running.index && std::abs(running.predictor - predictor) <= 0x7F) {
        return {running};
    }
    return {{predictor, index}};
}

void CheckChannels(int channels) {
    if (channels < 1 || channels > kIMA4MaxChannels) {
        throw std::invalid_argument("IMA4 channel count out of range");
    }
}

}  // namespace

IMA4Encoder::IMA4Encoder(int channels) : m_channels(channels) {
    CheckChannels(channels);
    m_state.resize(static_cast<size_t>(channels));
    m_pending.resize(kIMA4FramesPerPacket * static_cast<size_t>(channels));
}

size_t IMA4Encoder::maxEncodedSize(size_t frameCount) const {
    return (m_pendingFrames + frameCount) / kIMA4FramesPerPacket * bytesPerPacket();
}

OSStatus IMA4Encoder::encode(std::span<const SInt16> samples, std::span<UInt8> out,
                             size_t* written) {
    const auto channels = static_cast<size_t>(m_channels);
    if (written == nullptr || samples.size() % channels != 0 ||
        out.size() < maxEncodedSize(samples.size() / channels)) {
        return paramErr;
    }
    size_t outBytes = 0;
    const size_t packetSamples = kIMA4FramesPerPacket * channels;
    if (m_pendingFrames > 0) {
        const size_t take = std::min(samples.size(), packetSamples - m_pendingFrames * channels);
        std::copy_n(samples.begin(), take, m_pending.begin() + m_pendingFrames * channels);
        m_pendingFrames += take / channels;
        samples = samples.subspan(take);
        if (m_pendingFrames < kIMA4FramesPerPacket) {
            *written = 0;
            return noErr;
        }
        encodePacket(m_pending.data(), out.data());
        outBytes += bytesPerPacket();
        m_pendingFrames = 0;
    }
    while (samples.size() >= packetSamples) {
        encodePacket(samples.data(), out.data() + outBytes);
        outBytes += bytesPerPacket();
        samples = samples.subspan(packetSamples);
    }
    std::copy(samples.begin(), samples.end(), m_pending.begin());
    m_pendingFrames = samples.size() / channels;
    *written = outBytes;
    return noErr;
}

OSStatus IMA4Encoder::finish(std::span<UInt8> out, size_t* written) {
    if (written == nullptr || (m_pendingFrames > 0 && out.size() < bytesPerPacket())) {
        return paramErr;
    }
    *written = 0;
    if (m_pendingFrames > 0) {
        const auto channels = static_cast<size_t>(m_channels);
        for (size_t i = m_pendingFrames * channels; i < m_pending.size(); ++i) {
            m_pending[i] = m_pending[i - channels];
        }
        encodePacket(m_pending.data(), out.data());
        *written = bytesPerPacket();
    }
    reset();
    return noErr;
}

void IMA4Encoder::reset() {
    m_pendingFrames = 0;
    std::fill(m_state.begin(), m_state.end(), IMA4ChannelState{});
}

void IMA4Encoder::encodePacket(const SInt16* frames, UInt8* out) {
    for (int c = 0; c < m_channels; ++c) {
        const UInt16 header = PacketHeader(m_state[c]);
        AdpcmState state{m_state[c]};
        out[0] = static_cast<UInt8>(header >> 8);
        out[1] = static_cast<UInt8>(header);
        for (size_t i = 0; i < kIMA4FramesPerPacket; i += 2) {
            const int low = state.encode(frames[i * m_channels + c]);
            const int high = state.encode(frames[(i + 1) * m_channels + c]);
            out[2 + i / 2] = static_cast<UInt8>(low | (high << 4));
        }
        m_state[c] = state;
        out += kIMA4BytesPerChannelPacket;
    }
}

IMA4Decoder::IMA4Decoder(int channels) : m_channels(channels) {
    CheckChannels(channels);
    m_state.resize(static_cast<size_t>(channels));
}

void IMA4Decoder::reset() {
    std::fill(m_state.begin(), m_state.end(), IMA4ChannelState{});
}

OSStatus IMA4Decoder::decode(std::span<const UInt8> packets, std::span<SInt16> out,
                             size_t* framesWritten) {
    if (framesWritten == nullptr) {
        return paramErr;
    }
    if (packets.size() % bytesPerPacket() != 0) {
        return kAudioCodecBadDataError;
    }
    const auto channels = static_cast<size_t>(m_channels);
    const size_t packetCount = packets.size() / bytesPerPacket();
    if (out.size() / kIMA4FramesPerPacket / channels < packetCount) {
        return paramErr;
    }
    for (size_t i = 0; i < packets.size(); i += kIMA4BytesPerChannelPacket) {
        if ((packets[i + 1] & kIndexMask) > kMaxStepIndex) {
            return kAudioCodecBadDataError;
        }
    }
    const UInt8* in = packets.data();
    SInt16* dst = out.data();
    for (size_t p = 0; p < packetCount; ++p) {
        for (size_t c = 0; c < channels; ++c) {
            AdpcmState state = PacketStart(static_cast<UInt16>((in[0] << 8) | in[1]), m_state[c]);
            for (size_t i = 0; i < kIMA4FramesPerPacket; ++i) {
                const UInt8 byte = in[2 + i / 2];
                state.apply((i & 1) ? byte >> 4 : byte & 0x0F);
                dst[i * channels + c] = static_cast<SInt16>(state.predictor);
            }
            m_state[c] = state;
            in += kIMA4BytesPerChannelPacket;
        }
        dst += kIMA4FramesPerPacket * channels;
    }
    *framesWritten = packetCount * kIMA4FramesPerPacket;
    return noErr;
}

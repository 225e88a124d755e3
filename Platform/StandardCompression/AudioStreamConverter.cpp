#include "StandardCompression/AudioStreamConverter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "StandardCompression/StandardCompression.h"

namespace sc {
namespace {

// How one linear PCM sample is stored.
struct SampleLayout {
    int bytes = 0;
    bool isFloat = false;
    bool bigEndian = false;
    bool isSigned = true;
};

SampleLayout LayoutOf(const AudioStreamBasicDescription& d) {
    SampleLayout s;
    s.bytes = static_cast<int>(d.mBitsPerChannel / 8);
    s.isFloat = (d.mFormatFlags & kAudioFormatFlagIsFloat) != 0;
    s.bigEndian = (d.mFormatFlags & kAudioFormatFlagIsBigEndian) != 0;
    s.isSigned =
        s.isFloat || s.bytes > 1 || (d.mFormatFlags & kAudioFormatFlagIsSignedInteger) != 0;
    return s;
}

double LoadSample(const UInt8* p, const SampleLayout& s) {
    uint64_t raw = 0;
    for (int i = 0; i < s.bytes; ++i) {
        raw |= uint64_t{p[s.bigEndian ? i : s.bytes - 1 - i]} << (8 * (s.bytes - 1 - i));
    }
    if (s.isFloat) {
        if (s.bytes == 4) {
            float f;
            const auto bits = static_cast<uint32_t>(raw);
            std::memcpy(&f, &bits, 4);
            return f;
        }
        double d;
        std::memcpy(&d, &raw, 8);
        return d;
    }
    const int bits = 8 * s.bytes;
    const double scale = std::ldexp(1.0, bits - 1);
    if (!s.isSigned) {
        return (static_cast<double>(raw) - scale) / scale;
    }
    const auto value = static_cast<int64_t>(raw << (64 - bits)) >> (64 - bits);
    return static_cast<double>(value) / scale;
}

// An integer sample of `bits` bits for v, rounded to nearest and clipped.
int64_t Quantize(double v, int bits) {
    if (std::isnan(v)) {
        return 0;
    }
    const double scale = std::ldexp(1.0, bits - 1);
    return static_cast<int64_t>(std::clamp(std::nearbyint(v * scale), -scale, scale - 1));
}

void StoreSample(UInt8* p, double v, const SampleLayout& s) {
    uint64_t raw = 0;
    if (s.isFloat) {
        if (s.bytes == 4) {
            const auto f = static_cast<float>(v);
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            raw = bits;
        } else {
            std::memcpy(&raw, &v, 8);
        }
    } else {
        int64_t x = Quantize(v, 8 * s.bytes);
        if (!s.isSigned) {
            x += 128;
        }
        raw = static_cast<uint64_t>(x);
    }
    for (int i = 0; i < s.bytes; ++i) {
        p[s.bigEndian ? s.bytes - 1 - i : i] = static_cast<UInt8>(raw >> (8 * i));
    }
}

// Sets field to value when it is 0; false when it holds something else.
bool Derive(UInt32& field, UInt32 value) {
    if (field == 0) {
        field = value;
    }
    return field == value;
}

}  // namespace

bool CompletePCMDescription(AudioStreamBasicDescription& d) {
    if (d.mFormatID != kAudioFormatLinearPCM || d.mChannelsPerFrame < 1 ||
        d.mChannelsPerFrame > kMaxAudioChannels || !(d.mSampleRate >= 0) ||
        (d.mFormatFlags & kAudioFormatFlagIsNonInterleaved) != 0) {
        return false;
    }
    const UInt32 bits = d.mBitsPerChannel;
    if ((d.mFormatFlags & kAudioFormatFlagIsFloat) != 0) {
        if (bits != 32 && bits != 64) {
            return false;
        }
    } else if ((bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
               (bits > 8 && (d.mFormatFlags & kAudioFormatFlagIsSignedInteger) == 0)) {
        return false;  // integers above 8 bits are always signed
    }
    const UInt32 frameBytes = bits / 8 * d.mChannelsPerFrame;
    if (!Derive(d.mBytesPerFrame, frameBytes) || !Derive(d.mBytesPerPacket, frameBytes) ||
        !Derive(d.mFramesPerPacket, 1)) {
        return false;
    }
    d.mFormatFlags |= kAudioFormatFlagIsPacked;
    return true;
}

bool CompleteOutputDescription(AudioStreamBasicDescription& d) {
    if (d.mFormatID != kAudioFormatAppleIMA4) {
        return CompletePCMDescription(d);
    }
    const UInt32 channels = d.mChannelsPerFrame;
    return channels >= 1 && channels <= kMaxAudioChannels && d.mSampleRate >= 0 &&
           d.mFormatFlags == 0 && d.mBytesPerFrame == 0 && d.mBitsPerChannel == 0 &&
           Derive(d.mFramesPerPacket, kIMA4FramesPerPacket) &&
           Derive(d.mBytesPerPacket, static_cast<UInt32>(kIMA4BytesPerChannelPacket * channels));
}

void AudioStreamConverter::setInput(const AudioStreamBasicDescription& input) {
    m_input = input;
    reset();
}

void AudioStreamConverter::setOutput(const AudioStreamBasicDescription& output) {
    m_output = output;
    reset();
}

void AudioStreamConverter::reset() {
    m_pending.clear();
    m_consumed = 0;
    m_inputEnded = false;
    m_finished = false;
    m_ima4.reset();
    if (m_output.mFormatID == kAudioFormatAppleIMA4) {
        m_ima4.emplace(static_cast<int>(m_output.mChannelsPerFrame));
    }
}

// Appends input frames, mapped to the output channels.
void AudioStreamConverter::appendFrames(const UInt8* data, size_t frames) {
    const SampleLayout in = LayoutOf(m_input);
    const UInt32 inChannels = m_input.mChannelsPerFrame;
    const UInt32 outChannels = m_output.mChannelsPerFrame;
    m_frame.resize(inChannels);
    for (size_t f = 0; f < frames; ++f) {
        const UInt8* p = data + f * m_input.mBytesPerFrame;
        double sum = 0;
        for (UInt32 c = 0; c < inChannels; ++c) {
            m_frame[c] = LoadSample(p + c * in.bytes, in);
            sum += m_frame[c];
        }
        for (UInt32 c = 0; c < outChannels; ++c) {
            double v = 0;
            if (outChannels == 1) {
                v = sum / inChannels;
            } else if (inChannels == 1) {
                v = m_frame[0];
            } else if (c < inChannels) {
                v = m_frame[c];
            }
            m_pending.push_back(v);
        }
    }
}

OSStatus AudioStreamConverter::pullFrames(const Pull& pull, size_t wanted) {
    const size_t outChannels = m_output.mChannelsPerFrame;
    while (!m_inputEnded && m_pending.size() / outChannels - m_consumed < wanted) {
        const size_t missing = wanted - (m_pending.size() / outChannels - m_consumed);
        UInt32 given = 0;
        const UInt8* data = nullptr;
        size_t bytes = 0;
        const auto ask = static_cast<UInt32>(std::min<size_t>(missing, UINT32_MAX));
        if (OSStatus err = pull(ask, given, data, bytes); err != noErr) {
            return err;
        }
        // Never read past the bytes the caller gave.
        const size_t frames = std::min<size_t>(given, bytes / m_input.mBytesPerFrame);
        if (frames == 0) {
            m_inputEnded = true;
            break;
        }
        if (data == nullptr) {
            return paramErr;
        }
        appendFrames(data, frames);
    }
    return noErr;
}

void AudioStreamConverter::writePackets(size_t count, UInt8* out) {
    const size_t channels = m_output.mChannelsPerFrame;
    const double* frames = m_pending.data() + m_consumed * channels;
    if (m_ima4) {
        const size_t samples = count * kIMA4FramesPerPacket * channels;
        m_samples.resize(samples);
        for (size_t i = 0; i < samples; ++i) {
            m_samples[i] = static_cast<SInt16>(Quantize(frames[i], 16));
        }
        size_t written = 0;
        (void)m_ima4->encode(m_samples, {out, count * m_output.mBytesPerPacket}, &written);
        m_consumed += count * kIMA4FramesPerPacket;
        return;
    }
    const SampleLayout layout = LayoutOf(m_output);
    for (size_t i = 0; i < count * channels; ++i) {
        StoreSample(out + i * layout.bytes, frames[i], layout);
    }
    m_consumed += count;
}

// The frames left at the end of the input, padded into one last packet.
size_t AudioStreamConverter::finishIMA4(UInt8* out) {
    const size_t channels = m_output.mChannelsPerFrame;
    const size_t frames = m_pending.size() / channels - m_consumed;
    m_samples.resize(frames * channels);
    for (size_t i = 0; i < m_samples.size(); ++i) {
        m_samples[i] = static_cast<SInt16>(Quantize(m_pending[m_consumed * channels + i], 16));
    }
    size_t held = 0;
    size_t written = 0;
    (void)m_ima4->encode(m_samples, {out, m_output.mBytesPerPacket}, &held);
    (void)m_ima4->finish({out, m_output.mBytesPerPacket}, &written);
    m_consumed += frames;
    m_finished = true;
    return written;
}

OSStatus AudioStreamConverter::fill(const Pull& pull, UInt32& packets, AudioBuffer& out,
                                    AudioStreamPacketDescription* descriptions) {
    const UInt32 requested = packets;
    packets = 0;
    const UInt32 room = out.mDataByteSize;
    out.mDataByteSize = 0;
    if (m_input.mFormatID != kAudioFormatLinearPCM || m_output.mFormatID == 0 ||
        (m_output.mSampleRate != 0 && m_output.mSampleRate != m_input.mSampleRate)) {
        return kAudioConverterErr_FormatNotSupported;
    }
    const UInt32 packetBytes = m_output.mBytesPerPacket;
    const size_t framesPerPacket = m_output.mFramesPerPacket;
    const size_t limit = std::min<size_t>(requested, room / packetBytes);
    if (requested > 0 && limit == 0) {
        return kAudioConverterErr_InvalidOutputSize;
    }
    if (out.mData == nullptr && limit > 0) {
        return paramErr;
    }
    auto* bytes = static_cast<UInt8*>(out.mData);
    size_t produced = 0;
    OSStatus status = noErr;
    while (produced < limit && !m_finished) {
        status = pullFrames(pull, (limit - produced) * framesPerPacket);
        const size_t available = m_pending.size() / m_output.mChannelsPerFrame - m_consumed;
        const size_t count = std::min(limit - produced, available / framesPerPacket);
        writePackets(count, bytes + produced * packetBytes);
        produced += count;
        if (count == 0 && m_inputEnded && m_ima4 && available > 0) {
            finishIMA4(bytes + produced * packetBytes);
            ++produced;
        }
        if (status != noErr || count == 0) {
            break;
        }
    }
    // Drop what was written; keep the frames still pending.
    m_pending.erase(
        m_pending.begin(),
        m_pending.begin() + static_cast<ptrdiff_t>(m_consumed * m_output.mChannelsPerFrame));
    m_consumed = 0;
    if (descriptions != nullptr) {
        for (size_t i = 0; i < produced; ++i) {
            descriptions[i] = {static_cast<SInt64>(i * packetBytes), 0, packetBytes};
        }
    }
    packets = static_cast<UInt32>(produced);
    out.mDataByteSize = static_cast<UInt32>(produced * packetBytes);
    return status;
}

}  // namespace sc

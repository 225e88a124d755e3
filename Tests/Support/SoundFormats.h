// Stream and sound descriptions of the sound formats the movie tests write:
// 16-bit big-endian linear PCM and IMA 4:1.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "AudioCodecs/IMA4Codec.h"
#include "MovieToolbox/SoundDescription.h"

namespace mvdtest {

// Signed, packed, big-endian 16-bit samples.
inline AudioStreamBasicDescription PCMStream(uint32_t channels, double rate) {
    AudioStreamBasicDescription s{};
    s.mSampleRate = rate;
    s.mFormatID = kAudioFormatLinearPCM;
    s.mFormatFlags =
        kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsBigEndian;
    s.mBytesPerPacket = s.mBytesPerFrame = 2 * channels;
    s.mFramesPerPacket = 1;
    s.mChannelsPerFrame = channels;
    s.mBitsPerChannel = 16;
    return s;
}

inline AudioStreamBasicDescription IMA4Stream(uint32_t channels, double rate) {
    AudioStreamBasicDescription s{};
    s.mSampleRate = rate;
    s.mFormatID = kAudioFormatAppleIMA4;
    s.mBytesPerPacket = static_cast<UInt32>(kIMA4BytesPerChannelPacket * channels);
    s.mFramesPerPacket = kIMA4FramesPerPacket;
    s.mChannelsPerFrame = channels;
    return s;
}

// A new description of the stream (the caller disposes of it).
inline SoundDescriptionHandle NewSoundDescription(AudioStreamBasicDescription stream) {
    SoundDescriptionHandle sound = nullptr;
    if (QTSoundDescriptionCreate(&stream, nullptr, 0, nullptr, 0, 'mvlo', &sound) != noErr) {
        throw std::runtime_error("QTSoundDescriptionCreate failed");
    }
    return sound;
}

}  // namespace mvdtest

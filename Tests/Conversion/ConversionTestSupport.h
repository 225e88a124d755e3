// Shared pieces of the conversion tests: a movie's video track decoded by our
// decompressors, the picture a capture frame should become in a movie, and
// the fields of a capture frame record stored as a movie sample.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Capture/CaptureTestContent.h"
#include "Capture/MVRCDecompressor.h"
#include "Capture/MVRCFormat.h"
#include "ImageCompression/MovieFrameDecoder.h"
#include "MovieToolbox/MovieFileReader.h"
#include "MovieToolbox/SoundDescription.h"

namespace conversiontest {

using Pixels = std::vector<uint8_t>;

struct DecodedTrack {
    std::vector<Pixels> frames;  // 32-bit ARGB, top line first
    std::vector<qtfile::SampleInfo> samples;
    std::vector<Pixels> sampleBytes;
};

// Every sample of a video track decoded to 32-bit ARGB through the
// registered decompressors (the 'MVRC' one registered here).
inline DecodedTrack DecodeVideoTrack(const std::string& path, size_t trackIndex) {
    EXPECT_NE(MVRCRegisterDecompressorComponent(), nullptr);
    DecodedTrack decoded;
    qtfile::MovieFileReader reader;
    const qtfile::ReadStatus status = reader.open(path);
    EXPECT_TRUE(status.ok()) << status.message;
    if (!status.ok()) {
        return decoded;
    }
    const OSErr err =
        DecodeTrackFrames(reader, trackIndex, kCVPixelFormatType_32ARGB,
                          [&](uint32_t index, const MovieFrameDecoder& decoder) {
                              auto frame = decoder.frame();
                              decoded.frames.emplace_back(frame.begin(), frame.end());
                              qtfile::SampleInfo info;
                              EXPECT_TRUE(reader.sampleInfo(trackIndex, index, info).ok());
                              decoded.samples.push_back(info);
                              Pixels bytes;
                              EXPECT_TRUE(reader.readSample(trackIndex, index, bytes).ok());
                              decoded.sampleBytes.push_back(std::move(bytes));
                              return true;
                          });
    EXPECT_EQ(err, noErr);
    return decoded;
}

// A sound description of big-endian 16-bit PCM (dispose of it when done).
inline SoundDescriptionHandle NewPCMDescription(uint32_t channels, double rate) {
    AudioStreamBasicDescription s{};
    s.mSampleRate = rate;
    s.mFormatID = kAudioFormatLinearPCM;
    s.mFormatFlags =
        kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsBigEndian;
    s.mBytesPerPacket = s.mBytesPerFrame = 2 * channels;
    s.mFramesPerPacket = 1;
    s.mChannelsPerFrame = channels;
    s.mBitsPerChannel = 16;
    SoundDescriptionHandle sound = nullptr;
    EXPECT_EQ(QTSoundDescriptionCreate(&s, nullptr, 0, nullptr, 0, 'mvlo', &sound), noErr);
    return sound;
}

// What a movie shows for a capture frame: its lines in reverse order, as
// 32-bit ARGB.
inline Pixels MoviePicture(const MVDImage& frame) {
    Pixels out(frame.byteSize());
    const size_t row = frame.rowBytes();
    for (uint32_t y = 0; y < frame.m_height; ++y) {
        const uint8_t* s = frame.m_pData + (frame.m_height - 1 - y) * row;
        uint8_t* d = out.data() + y * row;
        for (uint32_t x = 0; x < frame.m_width; ++x) {
            const uint8_t* p = s + x * 4;
            if (frame.m_pixelFormat == kMVDPixelFormat32BGRA) {
                d[x * 4] = p[3], d[x * 4 + 1] = p[2], d[x * 4 + 2] = p[1], d[x * 4 + 3] = p[0];
            } else {
                std::memcpy(d + x * 4, p, 4);
            }
        }
    }
    return out;
}

// The frame with a sprite drawn over it at `where` (the sprite's size).
inline Pixels MoviePicture(const MVDImage& frame, MVDImage* sprite, tagMVDRect where) {
    if (sprite == nullptr) {
        return MoviePicture(frame);
    }
    tagMVDImageFormat format = frame.format();
    MVDImage shown(&format);
    frame.blitOnto(&shown);
    where.width = static_cast<int32_t>(sprite->m_width);
    where.height = static_cast<int32_t>(sprite->m_height);
    shown.alphaBlit(sprite, &where);
    return MoviePicture(shown);
}

// The fields of a frame record that say how it was coded.
struct RecordFields {
    _MVRCFrameHeader header{};
    bool hasSprite = false;
    bool spriteHasImage = false;
    tagMVDRect spriteRect{};
};

// Walks a frame record by its sizes (without decoding pixels).
inline RecordFields ParseRecord(const Pixels& record) {
    RecordFields fields;
    size_t at = kMVRCTagSize;
    if (record.size() < at + kMVRCFrameHeaderSize ||
        std::memcmp(record.data(), kMVRCFrameTag, kMVRCTagSize) != 0) {
        ADD_FAILURE() << "not a frame record";
        return fields;
    }
    MVRCDecodeFrameHeader(record.data() + at, &fields.header);
    at += kMVRCFrameHeaderSize + size_t{fields.header.rectCount} * kMVRCRectSize;
    for (uint32_t i = 0; i < fields.header.rectCount && at + 9 <= record.size(); ++i) {
        at += 9 + MVRCLoad32(record.data() + at + kMVRCTagSize);
    }
    if (at + kMVRCTagSize + kMVRCRectSize + 1 <= record.size() &&
        std::memcmp(record.data() + at, kMVRCSpriteTag, kMVRCTagSize) == 0) {
        fields.hasSprite = true;
        fields.spriteRect = MVRCDecodeRect(record.data() + at + kMVRCTagSize);
        fields.spriteHasImage = record[at + kMVRCTagSize + kMVRCRectSize] != 0;
    }
    return fields;
}

}  // namespace conversiontest

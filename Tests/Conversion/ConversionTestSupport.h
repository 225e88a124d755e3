// Shared pieces of the conversion tests: a movie's video track decoded by our
// decompressors, the picture a capture frame should become in a movie, and
// the fields of a capture frame record stored as a movie sample.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "Capture/CaptureTestContent.h"
#include "Capture/MVRCDecompressor.h"
#include "Capture/MVRCFormat.h"
#include "Capture/MVRCReader.h"
#include "Capture/MVRCWriter.h"
#include "ImageCompression/MovieFrameDecoder.h"
#include "MovieToolbox/MovieFileReader.h"

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

struct ReaderFrame {
    Pixels picture;     // as the movie should show it
    uint32_t duration;  // in units of 600
};

// Tests run once per compression type and pixel format.
using TypeAndFormat = std::tuple<MVRCCompressionType, uint32_t>;

inline auto AllTypesAndFormats() {
    return ::testing::Combine(
        ::testing::Values(kMVRCCompressionNone, kMVRCCompressionZlib, kMVRCCompressionDeltaRLE,
                          kMVRCCompressionDeltaRLEZlib, kMVRCCompressionYUVDeltaRLE),
        ::testing::Values(kMVDPixelFormat32ARGB, kMVDPixelFormat32BGRA));
}

inline std::string TypeAndFormatName(const ::testing::TestParamInfo<TypeAndFormat>& info) {
    return "type" + std::to_string(int(std::get<0>(info.param))) +
           (std::get<1>(info.param) == kMVDPixelFormat32BGRA ? "_BGRA" : "_ARGB");
}

// A recording with key and difference frames, unchanged frames, several
// frame rates and durations, and a cursor that moves, changes and leaves.
inline void RecordCapture(const std::string& path, MVRCCompressionType type, uint32_t pixelFormat,
                          int frames) {
    tagMVDImageFormat format{71, 45, pixelFormat, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 21);
    MVDImage cursor(7, 6, kMVDPixelFormat32BGRA, 4, nullptr);
    for (size_t i = 0; i < cursor.byteSize(); ++i) {
        cursor.m_pData[i] = static_cast<uint8_t>(i * 13);
    }
    MVRCWriter writer;
    writer.setCompressionType(type);
    writer.setKeyFrameRate(8);
    writer.openFile(path);
    writer.writeHeader(&format);
    std::mt19937 rng(31);
    const float rates[] = {30.0f, 15.0f, 29.97f, 10.0f};
    for (int f = 0; f < frames; ++f) {
        std::vector<CGRect> rects;
        if (f == 0) {
            rects.push_back(CGRectMake(0, 0, 71, 45));
        } else if (f % 6 != 5) {
            const tagMVDRect r = capturetest::RandomRect(71, 45, rng);
            capturetest::ChangeRect(image, r, rng);
            rects.push_back(capturetest::ToCGRect(r));
        }
        const float rate = rates[f % 4];
        const unsigned long duration = 1 + f % 3;
        if (f % 5 == 4) {
            writer.writeFrame(duration, rate, &image, unsigned(rects.size()), rects.data());
        } else {
            writer.writeFrame(duration, rate, &image, unsigned(rects.size()), rects.data(),
                              f % 5 == 0 ? &cursor : nullptr, CGRectMake(f * 4 - 3, f, 7, 6));
        }
    }
    writer.closeFile();
}

// A capture file of a header and its end: no frames.
inline void WriteEmptyCapture(const std::string& path, uint32_t pixelFormat) {
    tagMVDImageFormat format{32, 20, pixelFormat, 4};
    MVRCWriter writer;
    writer.openFile(path);
    writer.writeHeader(&format);
    writer.closeFile();
}

// The reader's own frames of a capture file, as a movie shows them.
inline std::vector<ReaderFrame> ReaderFrames(const std::string& path) {
    MVRCReader reader;
    reader.openFile(path.c_str());
    _MVRCHeader header;
    reader.readHeader(&header);
    tagMVDImageFormat format = header.format();
    MVDImage out(&format);
    std::vector<ReaderFrame> frames;
    _MVRCFrameHeader frame;
    while (reader.readFrame(&frame, &out)) {
        frames.push_back({MoviePicture(out), *MVRCReader::sampleDuration(frame, 600)});
    }
    return frames;
}

// Where each frame record of a capture file starts.
inline std::vector<size_t> FrameRecordStarts(const Pixels& bytes) {
    std::vector<size_t> starts;
    for (size_t at = kMVRCHeaderSize; at + kMVRCTagSize <= bytes.size(); ++at) {
        if (std::memcmp(bytes.data() + at, kMVRCFrameTag, kMVRCTagSize) == 0) {
            starts.push_back(at);
        }
    }
    return starts;
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

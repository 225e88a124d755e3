// The 'MVRC' decompressor against descriptions it cannot use and damaged
// samples, and the reader's decoding of records held in memory.
#include "Capture/MVRCDecompressor.h"

#include <gtest/gtest.h>

#include <random>

#include "Base/MacMemory.h"
#include "Capture/MVRCImageDescription.h"
#include "Capture/MVRCQTWriter.h"
#include "Capture/MVRCReader.h"
#include "Capture/MVRCWriter.h"
#include "ConversionTestSupport.h"
#include "Support/TempDir.h"

namespace {

using conversiontest::MoviePicture;
using conversiontest::Pixels;

_MVRCHeader Header(uint32_t width, uint32_t height, uint32_t pixelFormat) {
    _MVRCHeader header{};
    std::memcpy(header.signature, kMVRCSignatureTag, kMVRCTagSize);
    header.version = kMVRCVersion;
    header.width = width;
    header.height = height;
    header.pixelFormat = pixelFormat;
    header.bytesPerPixel = 4;
    return header;
}

Pixels DescriptionBytes(const _MVRCHeader& header) {
    ImageDescriptionHandle handle = MVRCMakeImageDescription(header);
    EXPECT_NE(handle, nullptr);
    const auto* bytes = reinterpret_cast<const uint8_t*>(*handle);
    Pixels copy(bytes, bytes + GetHandleSize(reinterpret_cast<Handle>(handle)));
    DisposeHandle(reinterpret_cast<Handle>(handle));
    return copy;
}

// A short movie: a key frame and three difference frames of a 'BGRA' screen.
struct Recording {
    std::vector<Pixels> samples;
    std::vector<Pixels> pictures;
};

Recording Record(const std::string& path) {
    tagMVDImageFormat format{31, 22, kMVDPixelFormat32BGRA, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 4);
    MVRCQTWriter writer;
    writer.openFile(path);
    writer.setCompressionType(kMVRCCompressionDeltaRLEZlib);
    writer.writeHeader(&format);
    std::mt19937 rng(6);
    Recording recording;
    CGRect rect = CGRectMake(0, 0, 31, 22);
    for (int f = 0; f < 4; ++f) {
        writer.writeFrame(1, 25.0f, &image, 1, &rect, nullptr, CGRectMake(0, 0, 1, 1), 0);
        recording.pictures.push_back(MoviePicture(image));
        const tagMVDRect r = capturetest::RandomRect(31, 22, rng);
        capturetest::ChangeRect(image, r, rng);
        rect = capturetest::ToCGRect(r);
    }
    writer.closeFile();
    recording.samples = conversiontest::DecodeVideoTrack(path, 0).sampleBytes;
    return recording;
}

TEST(MVRCDecompressor, RegistersOnceAndNeedsThePixelFormat) {
    const Component first = MVRCRegisterDecompressorComponent();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(MVRCRegisterDecompressorComponent(), first);

    const Pixels description = DescriptionBytes(Header(31, 22, kMVDPixelFormat32BGRA));
    ASSERT_EQ(description.size(), 92u);
    EXPECT_EQ(description[88], 'B');
    EXPECT_EQ(description[91], 'A');
    MovieFrameDecoder decoder;
    // Without the bytes after the fixed record the frames cannot be laid out.
    Pixels cut(description.begin(), description.begin() + 86);
    reinterpret_cast<ImageDescription*>(cut.data())->idSize = 86;
    EXPECT_NE(decoder.begin(cut, kCVPixelFormatType_32ARGB), noErr);
    // Nor with a pixel format the capture format does not know.
    Pixels odd = DescriptionBytes(Header(31, 22, 'RGBA'));
    EXPECT_NE(decoder.begin(odd, kCVPixelFormatType_32ARGB), noErr);
    EXPECT_EQ(decoder.begin(description, kCVPixelFormatType_32ARGB), noErr);
}

// Damaged samples give an error code; a key frame afterwards decodes
// exactly again.
TEST(MVRCDecompressor, DamagedSamplesFailCleanly) {
    mvdtest::TempDir dir;
    const Recording recording = Record(dir.file("damage.mov"));
    ASSERT_EQ(recording.samples.size(), 4u);
    const Pixels description = DescriptionBytes(Header(31, 22, kMVDPixelFormat32BGRA));
    MovieFrameDecoder decoder;
    ASSERT_EQ(decoder.begin(description, kCVPixelFormatType_32ARGB), noErr);
    for (size_t i = 0; i < recording.samples.size(); ++i) {
        ASSERT_EQ(decoder.decodeFrame(recording.samples[i]), noErr);
        const auto frame = decoder.frame();
        EXPECT_EQ(Pixels(frame.begin(), frame.end()), recording.pictures[i]);
    }

    std::mt19937 rng(12);
    const Pixels& key = recording.samples[0];
    for (int round = 0; round < 300; ++round) {
        Pixels bad = recording.samples[1 + round % 3];
        if (round % 3 == 0) {
            bad.resize(rng() % (bad.size() - 22));  // cut short, inside its chunks
        } else if (round % 3 == 1) {
            bad.push_back(0);  // a byte after the record
        } else {
            bad[rng() % bad.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
        }
        const OSErr err = decoder.decodeFrame(bad);
        if (round % 3 != 2) {
            EXPECT_NE(err, noErr) << "round " << round;
        }
        ASSERT_EQ(decoder.frame().size(), 31u * 22 * 4);
    }
    ASSERT_EQ(decoder.decodeFrame(key), noErr);
    const auto frame = decoder.frame();
    EXPECT_EQ(Pixels(frame.begin(), frame.end()), recording.pictures[0]);
}

// A record in memory decodes without disturbing the file being read.
TEST(MVRCReaderRecords, DecodeBesideAnOpenFile) {
    mvdtest::TempDir dir;
    const Recording recording = Record(dir.file("records.mov"));
    tagMVDImageFormat format{31, 22, kMVDPixelFormat32BGRA, 4};
    MVDImage image(&format);
    const std::string capture = dir.file("keys.mvrc");
    {
        MVRCWriter writer;
        writer.setKeyFrameRate(1);
        writer.openFile(capture);
        writer.writeHeader(&format);
        for (uint32_t seed : {1u, 2u}) {
            capturetest::PaintScreen(image, seed);
            CGRect whole = CGRectMake(0, 0, 31, 22);
            writer.writeFrame(1, 5.0f, &image, 1, &whole);
        }
        writer.closeFile();
    }
    MVRCReader reader;
    EXPECT_THROW(reader.decodeFrameRecord(recording.samples[0], nullptr, nullptr),
                 MVRCReaderException);
    reader.openFile(capture.c_str());
    reader.readHeader(nullptr);
    MVDImage out(&format);
    _MVRCFrameHeader frame{};
    ASSERT_TRUE(reader.readFrame(&frame, &out));

    reader.decodeFrameRecord(recording.samples[0], &frame, &out);
    EXPECT_EQ(frame.keyFrame, 1);
    EXPECT_EQ(frame.frameRate, 25u);
    EXPECT_THROW(reader.decodeFrameRecord({}, nullptr, nullptr), MVRCReaderException);
    const unsigned char end[kMVRCTagSize] = {'E', 'O', 'F', ' ', 0};
    EXPECT_THROW(reader.decodeFrameRecord(end, nullptr, nullptr), MVRCReaderException);

    ASSERT_TRUE(reader.readFrame(&frame, &out));
    EXPECT_EQ(frame.frameRate, 5u);
    EXPECT_EQ(capturetest::Bytes(out), capturetest::Bytes(image));
    EXPECT_FALSE(reader.readFrame(&frame, &out));
}

}  // namespace

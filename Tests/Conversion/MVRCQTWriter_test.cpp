// Capture frame records written as movie samples, read back through the
// movie reader and decoded by the 'MVRC' decompressor.
#include "Capture/MVRCQTWriter.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "ConversionTestSupport.h"
#include "MVDCommon/MVDException.h"
#include "QuickTime/QTAudioTrack.h"
#include "Support/SoundFormats.h"
#include "Support/TempDir.h"

namespace {

using capturetest::ToCGRect;
using conversiontest::DecodedTrack;
using conversiontest::DecodeVideoTrack;
using conversiontest::MoviePicture;
using conversiontest::ParseRecord;
using conversiontest::Pixels;

// A cursor of every alpha from transparent to opaque.
void Tint(MVDImage& cursor, uint8_t tint) {
    for (size_t i = 0; i < cursor.byteSize(); i += 4) {
        for (int c = 0; c < 4; ++c) {
            cursor.m_pData[i + c] = static_cast<uint8_t>(tint * (c + 1) + i);
        }
    }
}

// Changes 1 to 3 random rectangles of the image (none every fifth frame);
// the first frame shows the whole image.
std::vector<CGRect> Edit(MVDImage& image, int frame, std::mt19937& rng) {
    std::vector<CGRect> rects;
    if (frame == 0) {
        rects.push_back(CGRectMake(0, 0, CGFloat(image.m_width), CGFloat(image.m_height)));
        return rects;
    }
    if (frame % 5 == 4) {
        return rects;
    }
    const int count = 1 + int(rng() % 3);
    for (int i = 0; i < count; ++i) {
        const tagMVDRect r = capturetest::RandomRect(image.m_width, image.m_height, rng);
        capturetest::ChangeRect(image, r, rng);
        rects.push_back(ToCGRect(r));
    }
    return rects;
}

std::set<uint32_t> SyncSamples(const DecodedTrack& track) {
    std::set<uint32_t> sync;
    for (uint32_t i = 0; i < track.samples.size(); ++i) {
        if (track.samples[i].sync) {
            sync.insert(i);
        }
    }
    return sync;
}

class MVRCMovieRoundTrip : public ::testing::TestWithParam<conversiontest::TypeAndFormat> {};

// Every frame decodes to the recorded picture with its cursor; key frames
// are the sync samples; the cursor image travels only when it changes or
// with a key frame, and a missing cursor is sent as a transparent pixel.
TEST_P(MVRCMovieRoundTrip, DecodesToTheFramesWithTheirCursors) {
    const auto [type, pixelFormat] = GetParam();
    const uint32_t width = 83;
    const uint32_t height = 57;
    tagMVDImageFormat format{width, height, pixelFormat, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 5);
    MVDImage cursorA(5, 4, pixelFormat, 4, nullptr);
    MVDImage cursorB(3, 3, kMVDPixelFormat32ARGB, 4, nullptr);
    Tint(cursorA, 37);
    Tint(cursorB, 91);
    MVDImage placeholder(1, 1, kMVDPixelFormat32ARGB, 4, nullptr);

    mvdtest::TempDir dir;
    const std::string path = dir.file("mvrc.mov");
    MVRCQTWriter writer;
    writer.setCompressionType(type);
    writer.setKeyFrameRate(10);  // below the least distance of 30
    writer.openFile(path);
    writer.writeHeader(&format);
    std::mt19937 rng(17);
    std::vector<Pixels> expected;
    std::vector<bool> sentImage;
    MVDImage* shown = nullptr;
    int lastId = -1;
    const int frames = 45;
    for (int f = 0; f < frames; ++f) {
        std::vector<CGRect> rects = Edit(image, f, rng);
        const int id = f / 7;
        MVDImage* sprite = id % 3 == 2 ? nullptr : (id % 2 != 0 ? &cursorB : &cursorA);
        const tagMVDRect where{int32_t(f * 3 % width) - 2, int32_t(f * 2 % height),
                               sprite != nullptr ? int32_t(sprite->m_width) : 9,
                               sprite != nullptr ? int32_t(sprite->m_height) : 9};
        writer.writeFrame(1 + f % 2, 20.0f, &image, unsigned(rects.size()), rects.data(), sprite,
                          ToCGRect(where), id);
        const bool key = f == 0 || f == 30;
        const bool send = key || id != lastId;
        if (send) {
            shown = sprite != nullptr ? sprite : &placeholder;
        }
        lastId = id;
        sentImage.push_back(send);
        expected.push_back(MoviePicture(image, shown, where));
    }
    EXPECT_EQ(writer.frameCount(), uint32_t(frames));
    writer.closeFile();

    const DecodedTrack track = DecodeVideoTrack(path, 0);
    ASSERT_EQ(track.frames.size(), size_t(frames));
    EXPECT_EQ(SyncSamples(track), (std::set<uint32_t>{0, 30}));
    for (int f = 0; f < frames; ++f) {
        EXPECT_EQ(track.frames[f], expected[f]) << "frame " << f;
        EXPECT_EQ(track.samples[f].duration, f % 2 == 0 ? 30u : 60u);
        const auto fields = ParseRecord(track.sampleBytes[f]);
        EXPECT_EQ(fields.header.compressionType, type);
        EXPECT_EQ(fields.header.keyFrame, track.samples[f].sync ? 1 : 0);
        ASSERT_TRUE(fields.hasSprite);
        EXPECT_EQ(fields.spriteHasImage, sentImage[f]) << "frame " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(
    TypesAndFormats, MVRCMovieRoundTrip,
    ::testing::Combine(::testing::Values(kMVRCCompressionDeltaRLE, kMVRCCompressionDeltaRLEZlib),
                       ::testing::Values(kMVDPixelFormat32ARGB, kMVDPixelFormat32BGRA)),
    conversiontest::TypeAndFormatName);

// Small samples: a key frame every 90 frames.  Samples of about 100,000
// bytes pass the 2 MiB budget after 21 frames, yet a key frame waits until
// 30 frames have gone by.
TEST(MVRCMovieKeyFrames, ByFrameCountAndByByteBudget) {
    mvdtest::TempDir dir;
    const auto record = [&](uint32_t width, uint32_t height, int frames, bool noise) {
        tagMVDImageFormat format{width, height, kMVDPixelFormat32ARGB, 4};
        MVDImage image(&format);
        capturetest::PaintScreen(image, 1);
        const std::string path = dir.file(std::to_string(width) + ".mov");
        MVRCQTWriter writer;
        writer.openFile(path);
        writer.writeHeader(&format);
        std::mt19937 rng(3);
        for (int f = 0; f < frames; ++f) {
            tagMVDRect r{int32_t(f % width), 0, 1, 1};
            if (noise) {
                r = {0, 0, int32_t(width), int32_t(height)};
                capturetest::PaintNoise(image, r, rng);
            } else {
                capturetest::PutPixel(image, r.x, 0, uint8_t(f), 0, 0);
            }
            CGRect rect = ToCGRect(r);
            writer.writeFrame(1, 30.0f, &image, 1, &rect, nullptr, CGRectMake(0, 0, 1, 1), 0);
        }
        writer.closeFile();
        return DecodeVideoTrack(path, 0);
    };
    const DecodedTrack small = record(32, 24, 181, false);
    EXPECT_EQ(SyncSamples(small), (std::set<uint32_t>{0, 90, 180}));

    const DecodedTrack large = record(200, 170, 61, true);
    EXPECT_EQ(SyncSamples(large), (std::set<uint32_t>{0, 30, 60}));
    for (const auto& sample : large.samples) {
        EXPECT_GT(sample.size, 100000u);
        EXPECT_LT(sample.size, 2097152u / 20);
    }
}

// Frames that cannot be timed or whose cursor does not fit its rectangle
// are refused before anything changes; a frame too large for the sample
// buffer is refused, and the next frame is a key frame carrying its changes.
TEST(MVRCMovieRefusals, BadFramesLeaveAPlayableMovie) {
    MVRCQTWriter writer;
    EXPECT_THROW(writer.setCompressionType(kMVRCCompressionNone), MVDException);
    EXPECT_THROW(writer.setCompressionType(kMVRCCompressionYUVDeltaRLE), MVDException);
    EXPECT_THROW(writer.setZlibCompressionLevel(10), MVDException);
    tagMVDImageFormat format{16, 12, kMVDPixelFormat32BGRA, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 2);
    CGRect whole = CGRectMake(0, 0, 16, 12);
    const CGRect at = CGRectMake(1, 1, 1, 1);
    EXPECT_THROW(writer.writeFrame(1, 10.0f, &image, 1, &whole, nullptr, at, 0), MVDException);
    tagMVDImageFormat odd{16, 12, 'RGBA', 4};
    EXPECT_THROW(writer.writeHeader(&odd), SetupException);

    mvdtest::TempDir dir;
    const std::string path = dir.file("refusals.mov");
    writer.openFile(path);
    writer.writeHeader(&format);
    writer.writeFrame(1, 10.0f, &image, 1, &whole, nullptr, at, 0);
    std::vector<Pixels> expected{MoviePicture(image)};

    EXPECT_THROW(writer.writeFrame(1, 0.5f, &image, 1, &whole, nullptr, at, 0), MVDException);
    MVDImage cursor(4, 4, kMVDPixelFormat32BGRA, 4, nullptr);
    EXPECT_THROW(writer.writeFrame(1, 10.0f, &image, 1, &whole, &cursor, CGRectMake(0, 0, 5, 4), 1),
                 MVDException);
    EXPECT_EQ(writer.frameCount(), 1u);

    // 600 rectangles cost more than the buffer holds.
    std::mt19937 rng(8);
    capturetest::ChangeRect(image, {0, 0, 16, 12}, rng);
    std::vector<CGRect> many(600, whole);
    EXPECT_THROW(writer.writeFrame(1, 10.0f, &image, 600, many.data(), nullptr, at, 0),
                 MVDException);
    EXPECT_EQ(writer.frameCount(), 1u);
    capturetest::ChangeRect(image, {2, 2, 3, 3}, rng);
    CGRect small = CGRectMake(2, 2, 3, 3);
    writer.writeFrame(1, 10.0f, &image, 1, &small, nullptr, at, 0);
    expected.push_back(MoviePicture(image));
    writer.closeFile();

    const DecodedTrack track = DecodeVideoTrack(path, 0);
    ASSERT_EQ(track.frames.size(), 2u);
    EXPECT_TRUE(track.samples[1].sync);
    EXPECT_EQ(track.frames, expected);
}

// A prepared frame header gives a key frame of its own timing; audio tracks
// share the movie and are cut to the shortest segment.
TEST(MVRCMovieTracks, IFrameDataAndAudio) {
    tagMVDImageFormat format{40, 30, kMVDPixelFormat32ARGB, 4};
    MVDImage image(&format);
    capturetest::PaintScreen(image, 9);
    mvdtest::TempDir dir;
    const std::string path = dir.file("audio.mov");
    MVRCQTWriter writer;
    writer.openFile(path);
    EXPECT_THROW(writer.createAudioTrack(2, 22050, 16, 0), SetupException);
    writer.writeHeader(&format);
    auto* audio = static_cast<QTAudioTrack*>(writer.createAudioTrack(2, 22050, 16, 0));
    writer.start();

    const CGRect at = CGRectMake(3, 3, 1, 1);
    CGRect whole = CGRectMake(0, 0, 40, 30);
    writer.writeFrame(1, 15.0f, &image, 1, &whole, nullptr, at, 0);
    std::mt19937 rng(2);
    capturetest::ChangeRect(image, {0, 0, 40, 30}, rng);
    _MVRCFrameHeader prepared{10, 3, 0, 0, 7};
    writer.writeIFrameData(&image, &prepared, nullptr, at, 0);
    EXPECT_EQ(prepared.keyFrame, 1);
    EXPECT_EQ(prepared.rectCount, 1u);
    const Pixels afterIFrame = MoviePicture(image);
    capturetest::ChangeRect(image, {5, 5, 6, 6}, rng);
    CGRect part = CGRectMake(5, 5, 6, 6);
    writer.writeFrame(2, 15.0f, &image, 1, &part, nullptr, at, 0);

    std::vector<short> pcm(4410 * 2);
    for (size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<short>(i * 37);
    }
    SoundDescriptionHandle sound = mvdtest::NewSoundDescription(mvdtest::PCMStream(2, 22050));
    audio->writeBuffer(pcm.data(), int(pcm.size() * 2), sound);
    DisposeHandle(reinterpret_cast<Handle>(sound));
    const TimeRecord shortest = writer.getShortestTrackTimeRecord();
    EXPECT_EQ(WideToSInt64(shortest.value), 120);  // 0.2 s at 600
    writer.finalizeTracksWithShortestTrackMediaDuration();
    writer.closeFile();

    const DecodedTrack track = DecodeVideoTrack(path, 0);
    ASSERT_EQ(track.frames.size(), 3u);
    EXPECT_EQ(track.samples[0].duration, 40u);
    EXPECT_EQ(track.samples[1].duration, 180u);
    EXPECT_EQ(track.samples[2].duration, 80u);
    EXPECT_EQ(SyncSamples(track), (std::set<uint32_t>{0, 1}));
    EXPECT_EQ(track.frames[1], afterIFrame);
    EXPECT_EQ(track.frames[2], MoviePicture(image));

    qtfile::MovieFileReader reader;
    ASSERT_TRUE(reader.open(path).ok());
    ASSERT_EQ(reader.trackCount(), 2u);
    EXPECT_EQ(reader.track(1).media.mediaType(), SoundMediaType);
    EXPECT_EQ(reader.samples(1).sampleCount(), 4410u);
}

}  // namespace

// Compression sessions writing movies, read back through our decompressors.
#include <gtest/gtest.h>

#include <numeric>

#include "Sessions/SessionTestSupport.h"

namespace {

using namespace sessiontest;

constexpr int kWidth = 200;
constexpr int kHeight = 120;

class CompressionSessionTest : public ::testing::Test {
  protected:
    ScreenCodecEnvironment m_codec;
    mvdtest::TempDir m_dir;
};

struct MovieCase {
    CodecType codec;
    PixelOrder order;
    bool handInSwappedCompressor;  // the screen codec told its source is BGRA
    bool defaultOptions;           // no temporal compression: every frame a key frame
};

class SessionMovieTest : public CompressionSessionTest,
                         public ::testing::WithParamInterface<MovieCase> {};

// Frames written through a session decode back to exactly the source, and
// key frames fall where the interval puts them.  A source in another pixel
// format than the codec takes is converted (reported as copied before it is
// released); others are never copied.
TEST_P(SessionMovieTest, DecodesToTheSourceFrames) {
    const MovieCase c = GetParam();
    ComponentInstance compressor = nullptr;
    if (c.handInSwappedCompressor) {
        ASSERT_EQ(OpenADefaultComponent(compressorComponentType, c.codec, &compressor), noErr);
        ASSERT_EQ(MVDK_SetSrcEndianSwapped(compressor, 1), noErr);
    }
    // Rows padded past the line, as Core Video buffers often are.
    auto frames = MakeFrames(kWidth, kHeight, 13, c.order, 5, kWidth * 4 + 32);
    std::vector<ICMSourceTrackingFlags> tracked;
    ICMSourceTrackingCallbackRecord tracking{
        [](void* refCon, ICMSourceTrackingFlags flags, void*, void*) {
            static_cast<std::vector<ICMSourceTrackingFlags>*>(refCon)->push_back(flags);
        },
        &tracked};
    {
        SessionMovie movie(m_dir.file("movie.mov"), kWidth, kHeight);
        ICMCompressionSessionOptionsRef options =
            c.defaultOptions ? nullptr : MakeOptions(5, compressor);
        ICMEncodedFrameOutputRecord record = movie.record();
        ICMCompressionSessionRef session = nullptr;
        ASSERT_EQ(ICMCompressionSessionCreate(nullptr, kWidth, kHeight, c.codec, 600, options,
                                              nullptr, &record, &session),
                  noErr);
        ICMCompressionSessionOptionsRelease(options);
        ASSERT_EQ(EncodeAll(session, frames, &tracking), noErr);
        ICMCompressionSessionRelease(session);
        movie.finish();
    }
    if (compressor != nullptr) {
        CloseComponent(compressor);
    }
    const auto decoded = DecodeMovie(m_dir.file("movie.mov"), FormatOf(c.order));
    ASSERT_EQ(decoded.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(decoded[i], Pixels(frames[i])) << "frame " << i;
    }
    const bool converted = c.order == PixelOrder::BGRA && !c.handInSwappedCompressor;
    const ICMSourceTrackingFlags done = kICMSourceTracking_LastCall |
                                        kICMSourceTracking_ReleasedPixelBuffer |
                                        kICMSourceTracking_FrameWasEncoded;
    std::vector<ICMSourceTrackingFlags> expected;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (converted) {
            expected.push_back(kICMSourceTracking_CopiedPixelBuffer);
        }
        expected.push_back(done);
    }
    EXPECT_EQ(tracked, expected);
    std::vector<uint32_t> keys = {0, 5, 10};
    if (c.codec == kRawCodecType || c.defaultOptions) {
        keys.resize(frames.size());
        std::iota(keys.begin(), keys.end(), 0u);
    }
    EXPECT_EQ(SyncSamples(m_dir.file("movie.mov")), keys);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, SessionMovieTest,
    ::testing::Values(MovieCase{kMVDKCodecType, PixelOrder::ARGB, false, false},
                      MovieCase{kMVDKCodecType, PixelOrder::BGRA, true, false},
                      MovieCase{kMVDKCodecType, PixelOrder::BGRA, false, true},
                      MovieCase{kAnimationCodecType, PixelOrder::ARGB, false, false},
                      MovieCase{kRawCodecType, PixelOrder::ARGB, false, false}));

TEST_F(CompressionSessionTest, RefusesWhatItCannotCompress) {
    ICMEncodedFrameOutputRecord record{[](void*, ICMCompressionSessionRef, OSStatus,
                                          ICMEncodedFrameRef, void*) { return OSStatus{noErr}; },
                                       nullptr, nullptr};
    ICMCompressionSessionRef session = nullptr;
    EXPECT_EQ(ICMCompressionSessionCreate(nullptr, 64, 64, 'none', 600, nullptr, nullptr, &record,
                                          &session),
              noCodecErr);
    EXPECT_EQ(session, nullptr);
    // The Animation codec here codes 32-bit frames only.
    ICMCompressionSessionOptionsRef options = nullptr;
    ASSERT_EQ(ICMCompressionSessionOptionsCreate(nullptr, &options), noErr);
    const UInt32 depth = 24;
    ASSERT_EQ(ICMCompressionSessionOptionsSetProperty(
                  options, kQTPropertyClass_ICMCompressionSessionOptions,
                  kICMCompressionSessionOptionsPropertyID_Depth, sizeof(depth), &depth),
              noErr);
    EXPECT_EQ(ICMCompressionSessionCreate(nullptr, 64, 64, kAnimationCodecType, 600, options,
                                          nullptr, &record, &session),
              codecConditionErr);
    // A compressor handed in must be one of the session's codec type.
    ComponentInstance raw = OpenDefaultComponent(compressorComponentType, kRawCodecType);
    ICMCompressionSessionOptionsRelease(options);
    options = MakeOptions(0, raw);
    EXPECT_EQ(ICMCompressionSessionCreate(nullptr, 64, 64, kAnimationCodecType, 600, options,
                                          nullptr, &record, &session),
              paramErr);
    ICMCompressionSessionOptionsRelease(options);
    CloseComponent(raw);

    ASSERT_EQ(ICMCompressionSessionCreate(nullptr, 64, 64, kRawCodecType, 600, nullptr, nullptr,
                                          &record, &session),
              noErr);
    ScreenImage wrongSize(32, 64, PixelOrder::ARGB);
    CVPixelBufferRef buffer = Wrap(wrongSize);
    EXPECT_EQ(
        ICMCompressionSessionEncodeFrame(session, buffer, 0, 20, 3, nullptr, nullptr, nullptr),
        paramErr);
    CVPixelBufferRelease(buffer);
    ScreenImage frame(64, 64, PixelOrder::ARGB);
    buffer = Wrap(frame);
    EXPECT_EQ(
        ICMCompressionSessionEncodeFrame(session, buffer, 100, 20, 3, nullptr, nullptr, nullptr),
        noErr);
    // Time stamps must go forward.
    EXPECT_EQ(
        ICMCompressionSessionEncodeFrame(session, buffer, 100, 20, 3, nullptr, nullptr, nullptr),
        paramErr);
    CVPixelBufferRelease(buffer);
    ICMCompressionSessionRelease(session);
}

TEST_F(CompressionSessionTest, OptionPropertiesCheckSizesAndValues) {
    ICMCompressionSessionOptionsRef options = nullptr;
    ASSERT_EQ(ICMCompressionSessionOptionsCreate(nullptr, &options), noErr);
    const auto set = [&](ComponentPropertyID id, ByteCount size, const void* value) {
        return ICMCompressionSessionOptionsSetProperty(
            options, kQTPropertyClass_ICMCompressionSessionOptions, id, size, value);
    };
    const CodecQ lossless = codecLosslessQuality;
    const CodecQ tooGood = codecLosslessQuality + 1;
    const Boolean yes = true;
    EXPECT_EQ(set(kICMCompressionSessionOptionsPropertyID_Quality, 4, &lossless), noErr);
    EXPECT_EQ(set(kICMCompressionSessionOptionsPropertyID_Quality, 4, &tooGood), paramErr);
    EXPECT_EQ(set(kICMCompressionSessionOptionsPropertyID_AllowAsyncCompletion, 1, &yes), noErr);
    // A compressor cut to 32 bits would be a different pointer.
    EXPECT_EQ(set(kICMCompressionSessionOptionsPropertyID_CompressorComponent, 4, &lossless),
              kQTPropertyBadValueSizeErr);
    EXPECT_EQ(set('what', 4, &lossless), kQTPropertyNotSupportedErr);
    EXPECT_EQ(ICMCompressionSessionOptionsSetProperty(
                  options, 'othr', kICMCompressionSessionOptionsPropertyID_Quality, 4, &lossless),
              kQTPropertyNotSupportedErr);
    CodecQ quality = 0;
    ByteCount used = 0;
    EXPECT_EQ(
        ICMCompressionSessionOptionsGetProperty(
            options, kQTPropertyClass_ICMCompressionSessionOptions,
            kICMCompressionSessionOptionsPropertyID_Quality, sizeof(quality), &quality, &used),
        noErr);
    EXPECT_EQ(quality, codecLosslessQuality);
    EXPECT_EQ(used, 4u);
    EXPECT_EQ(ICMCompressionSessionOptionsSetMaxKeyFrameInterval(options, -1), paramErr);
    ICMCompressionSessionOptionsRef copy = nullptr;
    ASSERT_EQ(ICMCompressionSessionOptionsCreateCopy(nullptr, options, &copy), noErr);
    EXPECT_TRUE(
        ICMCompressionSessionOptionsGetProperty(copy, kQTPropertyClass_ICMCompressionSessionOptions,
                                                kICMCompressionSessionOptionsPropertyID_Quality,
                                                sizeof(quality), &quality, nullptr) == noErr &&
        quality == codecLosslessQuality);
    ICMCompressionSessionOptionsRelease(copy);
    ICMCompressionSessionOptionsRelease(options);
}

// Frames forced as key frames (frame options) are sync samples; frames
// handed in without durations get them from the next frame's time stamp,
// or from CompleteFrames for the last one; durations are converted to the
// media's time scale.
TEST_F(CompressionSessionTest, FrameOptionsDurationsAndTimeScales) {
    auto frames = MakeFrames(64, 48, 4, PixelOrder::ARGB, 3);
    SessionMovie movie(m_dir.file("times.mov"), 64, 48, 90000);
    ICMCompressionSessionOptionsRef options = MakeOptions(0);
    ASSERT_EQ(ICMCompressionSessionOptionsSetDurationsNeeded(options, true), noErr);
    ICMEncodedFrameOutputRecord record = movie.record();
    ICMCompressionSessionRef session = nullptr;
    ASSERT_EQ(ICMCompressionSessionCreate(nullptr, 64, 48, kAnimationCodecType, 600, options,
                                          nullptr, &record, &session),
              noErr);
    ICMCompressionSessionOptionsRelease(options);
    ICMCompressionFrameOptionsRef key = nullptr;
    ASSERT_EQ(ICMCompressionFrameOptionsCreate(nullptr, session, &key), noErr);
    ASSERT_EQ(ICMCompressionFrameOptionsSetForceKeyFrame(key, true), noErr);
    const TimeValue64 stamps[] = {0, 10, 25, 45};
    for (size_t i = 0; i < frames.size(); ++i) {
        CVPixelBufferRef buffer = Wrap(frames[i]);
        ASSERT_EQ(ICMCompressionSessionEncodeFrame(session, buffer, stamps[i], 0,
                                                   kICMValidTime_DisplayTimeStampIsValid,
                                                   i == 2 ? key : nullptr, nullptr, nullptr),
                  noErr);
        CVPixelBufferRelease(buffer);
    }
    // Only the frames whose duration is known have been added.
    EXPECT_EQ(GetMediaSampleCount(movie.media), 3);
    ASSERT_EQ(ICMCompressionSessionCompleteFrames(session, true, 0, 60), noErr);
    ICMCompressionFrameOptionsRelease(key);
    ICMCompressionSessionRelease(session);
    movie.finish();

    qtfile::MovieFileReader reader;
    ASSERT_TRUE(reader.open(m_dir.file("times.mov")).ok());
    std::vector<uint32_t> durations;
    for (uint32_t i = 0; i < reader.samples(0).sampleCount(); ++i) {
        qtfile::SampleInfo info;
        ASSERT_TRUE(reader.sampleInfo(0, i, info).ok());
        durations.push_back(info.duration);
    }
    EXPECT_EQ(durations, (std::vector<uint32_t>{1500, 2250, 3000, 2250}));
    EXPECT_EQ(SyncSamples(m_dir.file("times.mov")), (std::vector<uint32_t>{0, 2}));
}

// An error from the output callback is kept: the call that met it and every
// later call return it, and no frame reaches the callback afterwards.
TEST_F(CompressionSessionTest, OutputErrorsStopTheSession) {
    auto frames = MakeFrames(64, 48, 5, PixelOrder::ARGB, 4);
    SessionMovie movie(m_dir.file("failed.mov"), 64, 48);
    movie.log.failAt = 2;
    ICMEncodedFrameOutputRecord record = movie.record();
    ICMCompressionSessionRef session = nullptr;
    ASSERT_EQ(ICMCompressionSessionCreate(nullptr, 64, 48, kRawCodecType, 600, nullptr, nullptr,
                                          &record, &session),
              noErr);
    EXPECT_EQ(EncodeAll(session, frames), ioErr);
    EXPECT_EQ(ICMCompressionSessionCompleteFrames(session, true, 0, 0), ioErr);
    CVPixelBufferRef buffer = Wrap(frames[0]);
    EXPECT_EQ(
        ICMCompressionSessionEncodeFrame(session, buffer, 1000, 20, 3, nullptr, nullptr, nullptr),
        ioErr);
    CVPixelBufferRelease(buffer);
    ICMCompressionSessionRelease(session);
    EXPECT_EQ(movie.log.flags.size(), 2u);
    EXPECT_EQ(GetMediaSampleCount(movie.media), 2);
}

}  // namespace

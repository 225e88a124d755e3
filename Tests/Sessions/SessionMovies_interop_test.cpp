// Movies written through compression sessions and the standard audio
// compression component, checked by ffmpeg.
#include <gtest/gtest.h>

#include <cmath>

#include "AudioCodecs/IMA4Codec.h"
#include "MovieToolbox/SoundDescription.h"
#include "Sessions/SessionTestSupport.h"
#include "StandardCompression/StandardCompression.h"
#include "Support/FFmpegTool.h"
#include "Support/SoundFormats.h"

namespace {

using namespace sessiontest;

class SessionInterop : public ::testing::TestWithParam<CodecType> {
  protected:
    void SetUp() override {
        if (std::string why = mvdtest::FFmpegToolsMissing(); !why.empty()) {
            GTEST_SKIP() << why;
        }
    }
    mvdtest::TempDir m_dir;
};

TEST_P(SessionInterop, FfmpegDecodesTheFramesExactly) {
    constexpr int kWidth = 150;  // odd sizes on purpose
    constexpr int kHeight = 91;
    auto frames = MakeFrames(kWidth, kHeight, 12, PixelOrder::ARGB, 21);
    const std::string path = m_dir.file("movie.mov");
    {
        SessionMovie movie(path, kWidth, kHeight);
        ICMCompressionSessionOptionsRef options = MakeOptions(6);
        ICMEncodedFrameOutputRecord record = movie.record();
        ICMCompressionSessionRef session = nullptr;
        ASSERT_EQ(ICMCompressionSessionCreate(nullptr, kWidth, kHeight, GetParam(), 600, options,
                                              nullptr, &record, &session),
                  noErr);
        ICMCompressionSessionOptionsRelease(options);
        ASSERT_EQ(EncodeAll(session, frames), noErr);
        ICMCompressionSessionRelease(session);
    }
    std::string error;
    const auto decoded = mvdtest::FFmpegDecode(
        path, {"-map", "0:v:0", "-vsync", "passthrough", "-f", "rawvideo", "-pix_fmt", "argb"},
        &error);
    ASSERT_TRUE(decoded) << error;
    const size_t frameBytes = size_t{kWidth} * kHeight * 4;
    ASSERT_EQ(decoded->size(), frameBytes * frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::vector<uint8_t> got(decoded->begin() + i * frameBytes,
                                       decoded->begin() + (i + 1) * frameBytes);
        ASSERT_EQ(got, Pixels(frames[i])) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, SessionInterop,
                         ::testing::Values(kAnimationCodecType, kRawCodecType),
                         [](const auto& info) {
                             return info.param == kAnimationCodecType ? "Animation" : "Raw";
                         });

// Mono audio through SCAudioFillBuffer into 'ima4' packets, added to a sound
// track one packet per sample, as the recording audio track adds them.
TEST(AudioInterop, IMA4TrackFromFilledPacketsPlays) {
    if (std::string why = mvdtest::FFmpegToolsMissing(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    mvdtest::TempDir dir;
    constexpr double kRate = 22050;
    std::vector<SInt16> tone(64 * 50);
    for (size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<SInt16>(9000 * std::sin(0.05 * static_cast<double>(i)));
    }
    ComponentInstance sc =
        OpenDefaultComponent(StandardCompressionType, StandardCompressionSubTypeAudio);
    ASSERT_NE(sc, nullptr);
    AudioStreamBasicDescription in{};
    in.mSampleRate = kRate;
    in.mFormatID = kAudioFormatLinearPCM;
    in.mFormatFlags = kAudioFormatFlagIsSignedInteger;
    in.mChannelsPerFrame = 1;
    in.mBitsPerChannel = 16;
    AudioStreamBasicDescription out{};
    out.mSampleRate = kRate;
    out.mFormatID = kAudioFormatAppleIMA4;
    out.mChannelsPerFrame = 1;
    ASSERT_EQ(QTSetComponentProperty(sc, kQTPropertyClass_SCAudio,
                                     kQTSCAudioPropertyID_InputBasicDescription, sizeof(in), &in),
              noErr);
    ASSERT_EQ(QTSetComponentProperty(sc, kQTPropertyClass_SCAudio,
                                     kQTSCAudioPropertyID_BasicDescription, sizeof(out), &out),
              noErr);
    ASSERT_EQ(
        QTGetComponentProperty(sc, kQTPropertyClass_SCAudio, kQTSCAudioPropertyID_BasicDescription,
                               sizeof(out), &out, nullptr),
        noErr);
    struct Feed {
        std::vector<SInt16>* samples;
        bool given = false;
    } feed{&tone};
    SCAudioInputDataProc proc = [](ComponentInstance, UInt32* packets, AudioBufferList* data,
                                   AudioStreamPacketDescription**, void* refCon) {
        auto* f = static_cast<Feed*>(refCon);
        *packets = f->given ? 0 : static_cast<UInt32>(f->samples->size());
        data->mBuffers[0].mData = f->samples->data();
        data->mBuffers[0].mDataByteSize = *packets * 2;
        f->given = true;
        return ComponentResult{noErr};
    };
    std::vector<UInt8> packets(50 * 34);
    std::vector<AudioStreamPacketDescription> descriptions(50);
    UInt32 count = 50;
    AudioBufferList list{1, {{1, static_cast<UInt32>(packets.size()), packets.data()}}};
    ASSERT_EQ(SCAudioFillBuffer(sc, proc, &feed, &count, &list, descriptions.data()), noErr);
    ASSERT_EQ(count, 50u);
    CloseComponent(sc);

    const std::string path = dir.file("ima4.mov");
    {
        SessionMovie movie(path, 0, 0, static_cast<TimeScale>(kRate), SoundMediaType);
        SoundDescriptionHandle sound = mvdtest::NewSoundDescription(out);
        for (UInt32 i = 0; i < count; ++i) {
            ASSERT_EQ(
                AddMediaSample2(movie.media, packets.data() + descriptions[i].mStartOffset,
                                descriptions[i].mDataByteSize, out.mFramesPerPacket, 0,
                                reinterpret_cast<SampleDescriptionHandle>(sound), 1, 0, nullptr),
                noErr);
        }
        DisposeHandle(reinterpret_cast<Handle>(sound));
    }
    std::string error;
    const auto pcm = mvdtest::FFmpegDecode(path, {"-map", "0:a:0", "-f", "s16le"}, &error);
    ASSERT_TRUE(pcm) << error;
    IMA4Decoder decoder(1);
    std::vector<SInt16> expected(tone.size());
    size_t frames = 0;
    ASSERT_EQ(decoder.decode(packets, expected, &frames), noErr);
    ASSERT_EQ(pcm->size(), expected.size() * 2);
    std::vector<SInt16> played(expected.size());
    std::memcpy(played.data(), pcm->data(), pcm->size());
    EXPECT_EQ(played, expected);  // how close they are to the tone: the unit tests
}

}  // namespace

// The movie frame decoder on descriptions and samples it cannot trust.
#include <gtest/gtest.h>

#include <random>

#include "Sessions/SessionTestSupport.h"

namespace {

using namespace sessiontest;

struct Encoded {
    std::vector<uint8_t> description;
    std::vector<std::vector<uint8_t>> samples;
};

// The samples a session makes of the frames, without a movie.
Encoded Encode(CodecType codec, std::vector<ScreenImage>& frames) {
    Encoded out;
    ICMEncodedFrameOutputRecord record{
        [](void* refCon, ICMCompressionSessionRef, OSStatus, ICMEncodedFrameRef frame, void*) {
            auto* e = static_cast<Encoded*>(refCon);
            const UInt8* data = ICMEncodedFrameGetDataPtr(frame);
            e->samples.emplace_back(data, data + ICMEncodedFrameGetDataSize(frame));
            return OSStatus{noErr};
        },
        &out, nullptr};
    ICMCompressionSessionOptionsRef options = MakeOptions(0);
    ICMCompressionSessionRef session = nullptr;
    EXPECT_EQ(ICMCompressionSessionCreate(nullptr, frames[0].width(), frames[0].height(), codec,
                                          600, options, nullptr, &record, &session),
              noErr);
    ICMCompressionSessionOptionsRelease(options);
    EXPECT_EQ(EncodeAll(session, frames), noErr);
    ImageDescriptionHandle desc = nullptr;
    EXPECT_EQ(ICMCompressionSessionGetImageDescription(session, &desc), noErr);
    const auto* bytes = reinterpret_cast<const uint8_t*>(*desc);
    out.description.assign(bytes, bytes + sizeof(ImageDescription));
    ICMCompressionSessionRelease(session);
    return out;
}

ImageDescription& Fields(std::vector<uint8_t>& description) {
    return *reinterpret_cast<ImageDescription*>(description.data());
}

class MovieFrameDecoderTest : public ::testing::Test {
  protected:
    ScreenCodecEnvironment m_codec;
};

TEST_F(MovieFrameDecoderTest, RefusesDescriptionsItCannotUse) {
    auto frames = MakeFrames(40, 30, 1, PixelOrder::ARGB, 1);
    Encoded e = Encode(kMVDKCodecType, frames);
    MovieFrameDecoder decoder;
    EXPECT_EQ(decoder.decodeFrame(e.samples[0]), paramErr);  // not begun
    EXPECT_EQ(decoder.begin(std::span(e.description).first(85), kCVPixelFormatType_32ARGB),
              paramErr);
    EXPECT_EQ(decoder.begin(e.description, kCVPixelFormatType_24RGB), paramErr);
    for (auto [width, height] : {std::pair{0, 30}, {40, -2}, {8192, 30}}) {
        std::vector<uint8_t> d = e.description;
        Fields(d).width = static_cast<SInt16>(width);
        Fields(d).height = static_cast<SInt16>(height);
        EXPECT_EQ(decoder.begin(d, kCVPixelFormatType_32ARGB), paramErr) << width << "x" << height;
    }
    std::vector<uint8_t> unknown = e.description;
    Fields(unknown).cType = 'zzzz';
    EXPECT_EQ(decoder.begin(unknown, kCVPixelFormatType_32ARGB), noCodecErr);
    std::vector<uint8_t> indexed = e.description;
    Fields(indexed).depth = 8;  // needs a colour table to be shown
    EXPECT_EQ(decoder.begin(indexed, kCVPixelFormatType_32ARGB), codecConditionErr);

    ASSERT_EQ(decoder.begin(e.description, kCVPixelFormatType_32ARGB), noErr);
    EXPECT_EQ(decoder.decodeFrame({}), codecBadDataErr);
    ASSERT_EQ(decoder.decodeFrame(e.samples[0]), noErr);
    EXPECT_TRUE(
        std::equal(decoder.frame().begin(), decoder.frame().end(), Pixels(frames[0]).begin()));
}

// Damaged samples (cut short, bytes changed, lengths lied about) give an
// error or a picture, never a read or write outside the buffers (the
// sanitizer builds check the second part).
TEST_F(MovieFrameDecoderTest, SurvivesDamagedSamples) {
    std::mt19937 random(7);
    for (CodecType codec :
         {CodecType{kMVDKCodecType}, CodecType{kAnimationCodecType}, CodecType{kRawCodecType}}) {
        auto frames = MakeFrames(33, 21, 6, PixelOrder::ARGB, 2);
        Encoded e = Encode(codec, frames);
        for (int round = 0; round < 60; ++round) {
            MovieFrameDecoder decoder;
            ASSERT_EQ(decoder.begin(e.description, kCVPixelFormatType_32BGRA), noErr);
            for (std::vector<uint8_t> sample : e.samples) {
                switch (round % 3) {
                    case 0:
                        sample.resize(random() % (sample.size() + 1));
                        break;
                    case 1:
                        for (int k = 0; k < 4; ++k) {
                            sample[random() % sample.size()] ^=
                                static_cast<uint8_t>(1 + random() % 255);
                        }
                        break;
                    default:
                        sample.insert(sample.begin() + static_cast<long>(random() % sample.size()),
                                      {0xFF, 0xFF, 0x00, 0x7F});
                        break;
                }
                const OSErr err = decoder.decodeFrame(sample);
                if (codec == kRawCodecType && sample.size() < 33u * 21 * 4) {
                    EXPECT_EQ(err, codecBadDataErr);
                }
                ASSERT_EQ(decoder.frame().size(), 33u * 21 * 4);
            }
        }
    }
}

}  // namespace

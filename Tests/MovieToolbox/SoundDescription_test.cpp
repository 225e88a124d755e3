// Sound descriptions: the version each stream needs, and the stream
// description read back from them.
#include <gtest/gtest.h>

#include "MovieToolbox/SampleDescriptions.h"
#include "MovieToolbox/SoundDescription.h"

namespace {

AudioStreamBasicDescription Stream(double rate, AudioFormatID format, AudioFormatFlags flags,
                                   UInt32 channels, UInt32 bits, UInt32 framesPerPacket = 1,
                                   UInt32 bytesPerPacket = 0) {
    AudioStreamBasicDescription d{};
    d.mSampleRate = rate;
    d.mFormatID = format;
    d.mFormatFlags = flags;
    d.mChannelsPerFrame = channels;
    d.mBitsPerChannel = bits;
    d.mFramesPerPacket = framesPerPacket;
    d.mBytesPerFrame = format == kAudioFormatLinearPCM ? bits / 8 * channels : 0;
    d.mBytesPerPacket = format == kAudioFormatLinearPCM ? d.mBytesPerFrame : bytesPerPacket;
    return d;
}

constexpr AudioFormatFlags kSigned = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked;

struct VersionCase {
    const char* name;
    AudioStreamBasicDescription stream;
    int version;
    OSType format;
};

class SoundVersions : public ::testing::TestWithParam<VersionCase> {};

TEST_P(SoundVersions, LowestVersionAndStreamRoundTrip) {
    VersionCase c = GetParam();
    SoundDescriptionHandle sound = nullptr;
    ASSERT_EQ(QTSoundDescriptionCreate(&c.stream, nullptr, 0, nullptr, 0,
                                       kQTSoundDescriptionKind_Movie_LowestPossibleVersion, &sound),
              noErr);
    EXPECT_EQ((*sound)->version, c.version);
    EXPECT_EQ((*sound)->dataFormat, c.format);
    EXPECT_EQ((*sound)->descSize, mtb::FixedRecordSize(SoundMediaType, c.version));
    AudioStreamBasicDescription back{};
    ByteCount used = 0;
    ASSERT_EQ(
        QTSoundDescriptionGetProperty(sound, kQTPropertyClass_SoundDescription,
                                      kQTSoundDescriptionPropertyID_AudioStreamBasicDescription,
                                      sizeof back, &back, &used),
        noErr);
    EXPECT_EQ(used, sizeof back);
    EXPECT_EQ(back.mSampleRate, c.stream.mSampleRate);
    EXPECT_EQ(back.mFormatID, c.stream.mFormatID);
    EXPECT_EQ(back.mChannelsPerFrame, c.stream.mChannelsPerFrame);
    EXPECT_EQ(back.mFramesPerPacket, c.stream.mFramesPerPacket);
    EXPECT_EQ(back.mBytesPerPacket, c.stream.mBytesPerPacket);
    if (c.stream.mFormatID == kAudioFormatLinearPCM) {
        EXPECT_EQ(back.mBitsPerChannel, c.stream.mBitsPerChannel);
        EXPECT_EQ(back.mFormatFlags, c.stream.mFormatFlags);
    }
    // The file form converts back to the same bytes.
    std::vector<uint8_t> file, memory;
    ASSERT_EQ(mtb::DescriptionToFile(SoundMediaType,
                                     reinterpret_cast<SampleDescriptionHandle>(sound), file),
              noErr);
    EXPECT_EQ(file[16], 0);
    EXPECT_EQ(file[17], c.version);
    ASSERT_EQ(mtb::DescriptionFromFile(SoundMediaType, file, memory), noErr);
    auto bytes = reinterpret_cast<const uint8_t*>(*sound);
    EXPECT_EQ(memory, std::vector<uint8_t>(bytes, bytes + (*sound)->descSize));
    DisposeHandle(reinterpret_cast<Handle>(sound));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoundVersions,
    ::testing::Values(
        VersionCase{"sowt", Stream(44100, kAudioFormatLinearPCM, kSigned, 2, 16), 0, 'sowt'},
        VersionCase{
            "twos",
            Stream(22050, kAudioFormatLinearPCM, kSigned | kAudioFormatFlagIsBigEndian, 1, 16), 0,
            'twos'},
        VersionCase{"raw", Stream(11025, kAudioFormatLinearPCM, kAudioFormatFlagIsPacked, 1, 8), 0,
                    'raw '},
        VersionCase{"ima4", Stream(44100, kAudioFormatAppleIMA4, 0, 2, 0, 64, 68), 1, 'ima4'},
        VersionCase{"float",
                    Stream(48000, kAudioFormatLinearPCM,
                           kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked, 2, 32),
                    2, 'lpcm'},
        VersionCase{"int24", Stream(96000, kAudioFormatLinearPCM, kSigned, 2, 24), 2, 'lpcm'},
        VersionCase{"sixChannels", Stream(48000, kAudioFormatLinearPCM, kSigned, 6, 16), 2, 'lpcm'},
        VersionCase{"aac", Stream(44100, kAudioFormatMPEG4AAC, 0, 2, 0, 1024, 0), 2, 'aac '}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoundDescription, LayoutsBeyondTheChannelCountAreKept) {
    AudioStreamBasicDescription stream = Stream(44100, kAudioFormatLinearPCM, kSigned, 2, 16);
    std::vector<uint8_t> storage(AudioChannelLayoutSize(2), 0);
    auto layout = reinterpret_cast<AudioChannelLayout*>(storage.data());
    layout->mNumberChannelDescriptions = 2;
    layout->mChannelDescriptions[0].mChannelLabel = kAudioChannelLabel_Right;
    layout->mChannelDescriptions[1].mChannelLabel = kAudioChannelLabel_Left;
    SoundDescriptionHandle sound = nullptr;
    ASSERT_EQ(QTSoundDescriptionCreate(&stream, layout, storage.size(), nullptr, 0, 'mvlo', &sound),
              noErr);
    EXPECT_EQ((*sound)->version, 1);  // version 0 has no room for extensions
    EXPECT_EQ((*sound)->descSize, 52 + 8 + 4 + 52);
    ByteCount size = 0;
    ASSERT_EQ(QTSoundDescriptionGetPropertyInfo(sound, 'sdes', 'clay', nullptr, &size, nullptr),
              noErr);
    ASSERT_EQ(size, storage.size());
    std::vector<uint8_t> back(size);
    ASSERT_EQ(QTSoundDescriptionGetProperty(sound, 'sdes', 'clay', size, back.data(), nullptr),
              noErr);
    EXPECT_EQ(back, storage);
    DisposeHandle(reinterpret_cast<Handle>(sound));

    // A plain stereo tag needs nothing beyond version 0.
    AudioChannelLayout stereo{kAudioChannelLayoutTag_Stereo, 0, 0, {}};
    ASSERT_EQ(QTSoundDescriptionCreate(&stream, &stereo, 12, nullptr, 0, 'mvlo', &sound), noErr);
    EXPECT_EQ((*sound)->version, 0);
    AudioChannelLayout got{};
    ASSERT_EQ(QTSoundDescriptionGetProperty(sound, 'sdes', 'clay', 12, &got, nullptr), noErr);
    EXPECT_EQ(got.mChannelLayoutTag, kAudioChannelLayoutTag_Stereo);
    DisposeHandle(reinterpret_cast<Handle>(sound));
}

TEST(SoundDescription, RequestsThatCannotBeMetAreRefused) {
    AudioStreamBasicDescription flt = Stream(
        48000, kAudioFormatLinearPCM, kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked, 2, 32);
    SoundDescriptionHandle sound = nullptr;
    EXPECT_EQ(QTSoundDescriptionCreate(&flt, nullptr, 0, nullptr, 0, 'mvv0', &sound), paramErr);
    EXPECT_EQ(QTSoundDescriptionCreate(&flt, nullptr, 0, nullptr, 0, 'what', &sound), paramErr);
    AudioStreamBasicDescription empty{};
    EXPECT_EQ(QTSoundDescriptionCreate(&empty, nullptr, 0, nullptr, 0, 'mvlo', &sound), paramErr);
    int cookie = 1;
    EXPECT_EQ(QTSoundDescriptionCreate(&flt, nullptr, 0, &cookie, 4, 'mvlo', &sound), paramErr);
    ASSERT_EQ(QTSoundDescriptionCreate(&flt, nullptr, 0, nullptr, 0, 'mvv2', &sound), noErr);
    AudioStreamBasicDescription back{};
    EXPECT_EQ(QTSoundDescriptionGetProperty(sound, 'sdes', 'asbd', 39, &back, nullptr), paramErr);
    EXPECT_EQ(QTSoundDescriptionGetProperty(sound, 'sdes', 'none', 40, &back, nullptr), paramErr);
    (*sound)->descSize = 10000;  // damaged: larger than the handle
    EXPECT_EQ(QTSoundDescriptionGetProperty(sound, 'sdes', 'asbd', 40, &back, nullptr), paramErr);
    DisposeHandle(reinterpret_cast<Handle>(sound));
}

}  // namespace

// The standard compression components: settings, dialogs, settings
// containers, session options, and audio conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "AudioCodecs/IMA4Codec.h"
#include "StandardCompression/StandardCompression.h"
#include "Support/ScriptedDialogDriver.h"

namespace {

using mvdtest::ScriptedDialogDriver;
using Driver = ScriptedDialogDriver;

class StandardCompressionTest : public ::testing::Test {
  protected:
    ComponentInstance open(OSType subType) {
        ComponentInstance ci = nullptr;
        EXPECT_EQ(OpenADefaultComponent(StandardCompressionType, subType, &ci), noErr);
        m_open.push_back(ci);
        return ci;
    }
    void TearDown() override {
        for (ComponentInstance ci : m_open) {
            EXPECT_EQ(CloseComponent(ci), noErr);
        }
    }

    // Runs a request with a driver playing the steps.
    static ComponentResult Drive(std::vector<ScriptedDialogDriver::Step> steps,
                                 ComponentResult (*request)(ComponentInstance),
                                 ComponentInstance ci) {
        auto driver = std::make_shared<ScriptedDialogDriver>();
        driver->steps = std::move(steps);
        ScopedDialogDriver scoped(driver);
        return request(ci);
    }

    std::vector<ComponentInstance> m_open;
};

SCSpatialSettings Spatial(ComponentInstance ci) {
    SCSpatialSettings s{};
    EXPECT_EQ(SCGetInfo(ci, scSpatialSettingsType, &s), noErr);
    return s;
}

SCTemporalSettings Temporal(ComponentInstance ci) {
    SCTemporalSettings t{};
    EXPECT_EQ(SCGetInfo(ci, scTemporalSettingsType, &t), noErr);
    return t;
}

TEST_F(StandardCompressionTest, SequenceDialogOKStoresAndCancelChangesNothing) {
    ComponentInstance sc = open(StandardCompressionSubType);
    long prefs = scAllowEncodingWithCompressionSession;
    ASSERT_EQ(SCSetInfo(sc, scPreferenceFlagsType, &prefs), noErr);
    // The dialog lists the platform's codecs and starts from the settings.
    ASSERT_EQ(Drive({Driver::HitItemWithText("(raw )"), Driver::SetThenHit(4, 700, 0),
                     Driver::SetThenHit(6, 12, kStdOkItemIndex)},
                    SCRequestSequenceSettings, sc),
              noErr);
    EXPECT_EQ(Spatial(sc).codecType, kRawCodecType);
    EXPECT_EQ(Spatial(sc).spatialQuality, 700u);
    EXPECT_EQ(Temporal(sc).keyFrameRate, 12);

    ASSERT_EQ(
        Drive({Driver::HitItemWithText("(rle )"), Driver::SetThenHit(4, 100, kStdCancelItemIndex)},
              SCRequestSequenceSettings, sc),
        userCanceledErr);
    EXPECT_EQ(Spatial(sc).codecType, kRawCodecType);
    EXPECT_EQ(Spatial(sc).spatialQuality, 700u);
    // No driver: the dialog reports cancel.
    EXPECT_EQ(SCRequestImageSettings(sc), userCanceledErr);

    ASSERT_EQ(Drive({Driver::HitItemWithText("(rle )"), Driver::Hit(kStdOkItemIndex)},
                    SCRequestImageSettings, sc),
              noErr);
    EXPECT_EQ(Spatial(sc).codecType, kAnimationCodecType);
    EXPECT_EQ(Spatial(sc).spatialQuality, 700u);
}

TEST_F(StandardCompressionTest, SettingsSurviveAContainerIntoSessionOptions) {
    ComponentInstance from = open(StandardCompressionSubType);
    SCSpatialSettings spatial{kRawCodecType, nullptr, 24, codecHighQuality};
    SCTemporalSettings temporal{codecNormalQuality, 15 << 16, 30};
    SCDataRateSettings rate{250000, 0, 0, 0};
    ASSERT_EQ(SCSetInfo(from, scSpatialSettingsType, &spatial), noErr);
    ASSERT_EQ(SCSetInfo(from, scTemporalSettingsType, &temporal), noErr);
    ASSERT_EQ(SCSetInfo(from, scDataRateSettingsType, &rate), noErr);
    QTAtomContainer settings = nullptr;
    ASSERT_EQ(SCGetSettingsAsAtomContainer(from, &settings), noErr);

    ComponentInstance to = open(StandardCompressionSubType);
    ASSERT_EQ(SCSetSettingsFromAtomContainer(to, settings), noErr);
    QTDisposeAtomContainer(settings);
    EXPECT_EQ(Spatial(to).codecType, kRawCodecType);
    EXPECT_EQ(Spatial(to).depth, 24);
    EXPECT_EQ(Temporal(to).frameRate, 15 << 16);

    ICMCompressionSessionOptionsRef options = nullptr;
    ASSERT_EQ(SCCopyCompressionSessionOptions(to, &options), noErr);
    const auto property = [&](ComponentPropertyID id) {
        UInt32 value = 0;
        EXPECT_EQ(ICMCompressionSessionOptionsGetProperty(
                      options, kQTPropertyClass_ICMCompressionSessionOptions, id, sizeof(value),
                      &value, nullptr),
                  noErr);
        return value;
    };
    EXPECT_EQ(property(kICMCompressionSessionOptionsPropertyID_Quality), codecHighQuality);
    EXPECT_EQ(property(kICMCompressionSessionOptionsPropertyID_AverageDataRate), 250000u);
    EXPECT_EQ(property(kICMCompressionSessionOptionsPropertyID_Depth), 24u);
    EXPECT_EQ(ICMCompressionSessionOptionsGetMaxKeyFrameInterval(options), 30);
    EXPECT_TRUE(ICMCompressionSessionOptionsGetAllowTemporalCompression(options));
    ICMCompressionSessionOptionsRelease(options);
}

TEST_F(StandardCompressionTest, BadSettingsChangeNothing) {
    ComponentInstance sc = open(StandardCompressionSubType);
    SCSpatialSettings bad{kRawCodecType, nullptr, 15, codecHighQuality};
    EXPECT_EQ(SCSetInfo(sc, scSpatialSettingsType, &bad), paramErr);
    EXPECT_EQ(SCSetInfo(sc, 'what', &bad), scTypeNotFoundErr);
    EXPECT_EQ(Spatial(sc).depth, 32);

    QTAtomContainer settings = nullptr;
    ASSERT_EQ(SCGetSettingsAsAtomContainer(sc, &settings), noErr);
    // Damage the depth field's atom size, then the container itself.
    const Size size = GetHandleSize(settings);
    QTAtom video = QTFindChildByID(settings, kParentAtomIsContainer, kQTSettingsVideo, 1, nullptr);
    QTAtom spatial = QTFindChildByID(settings, video, scSpatialSettingsType, 1, nullptr);
    ASSERT_EQ(QTSetAtomData(settings, spatial, 3, const_cast<char*>("abc")), noErr);
    EXPECT_EQ(SCSetSettingsFromAtomContainer(sc, settings), invalidAtomContainerErr);
    SetHandleSize(settings, size - 5);
    EXPECT_EQ(SCSetSettingsFromAtomContainer(sc, settings), invalidAtomContainerErr);
    EXPECT_EQ(SCSetSettingsFromAtomContainer(sc, nullptr), nilHandleErr);
    QTDisposeAtomContainer(settings);
    EXPECT_EQ(Spatial(sc).codecType, kAnimationCodecType);
}

// --- Audio ------------------------------------------------------------------------

AudioStreamBasicDescription PCM(double rate, UInt32 channels, UInt32 bits, AudioFormatFlags flags) {
    AudioStreamBasicDescription d{};
    d.mSampleRate = rate;
    d.mFormatID = kAudioFormatLinearPCM;
    d.mFormatFlags = flags;
    d.mChannelsPerFrame = channels;
    d.mBitsPerChannel = bits;
    return d;
}

// Feeds bytes to SCAudioFillBuffer at most `chunk` frames at a time.
struct Source {
    std::vector<uint8_t> bytes;
    size_t frameBytes;
    size_t chunk;
    size_t pos = 0;

    static ComponentResult Proc(ComponentInstance, UInt32* packets, AudioBufferList* data,
                                AudioStreamPacketDescription**, void* refCon) {
        auto* s = static_cast<Source*>(refCon);
        const size_t frames =
            std::min<size_t>({*packets, s->chunk, (s->bytes.size() - s->pos) / s->frameBytes});
        data->mBuffers[0].mData = s->bytes.data() + s->pos;
        data->mBuffers[0].mDataByteSize = static_cast<UInt32>(frames * s->frameBytes);
        s->pos += frames * s->frameBytes;
        *packets = static_cast<UInt32>(frames);
        return noErr;
    }
};

class AudioCompressionTest : public StandardCompressionTest {
  protected:
    OSStatus set(ComponentPropertyID id, ByteCount size, const void* value) {
        return QTSetComponentProperty(m_sc, kQTPropertyClass_SCAudio, id, size, value);
    }
    template <typename T>
    OSStatus get(ComponentPropertyID id, T& value, ComponentInstance ci = nullptr) {
        return QTGetComponentProperty(ci ? ci : m_sc, kQTPropertyClass_SCAudio, id, sizeof value,
                                      &value, nullptr);
    }
    void configure(const AudioStreamBasicDescription& in, const AudioStreamBasicDescription& out) {
        m_sc = open(StandardCompressionSubTypeAudio);
        ASSERT_EQ(set(kQTSCAudioPropertyID_InputBasicDescription, sizeof in, &in), noErr);
        ASSERT_EQ(set(kQTSCAudioPropertyID_BasicDescription, sizeof out, &out), noErr);
        ASSERT_EQ(get(kQTSCAudioPropertyID_BasicDescription, m_out), noErr);
    }

    // Everything the component makes of the source, asking for `packets` at a time.
    std::vector<uint8_t> convert(
        Source& source, UInt32 packets,
        std::vector<AudioStreamPacketDescription>* descriptions = nullptr) {
        std::vector<uint8_t> out;
        std::vector<uint8_t> buffer(packets * m_out.mBytesPerPacket);
        std::vector<AudioStreamPacketDescription> packetDescriptions(packets);
        for (;;) {
            UInt32 count = packets;
            AudioBufferList list{
                1, {{m_out.mChannelsPerFrame, static_cast<UInt32>(buffer.size()), buffer.data()}}};
            EXPECT_EQ(SCAudioFillBuffer(m_sc, Source::Proc, &source, &count, &list,
                                        packetDescriptions.data()),
                      noErr);
            if (count == 0) {
                return out;
            }
            EXPECT_EQ(list.mBuffers[0].mDataByteSize, count * m_out.mBytesPerPacket);
            for (UInt32 i = 0; i < count && descriptions != nullptr; ++i) {
                AudioStreamPacketDescription d = packetDescriptions[i];
                d.mStartOffset += static_cast<SInt64>(out.size());
                descriptions->push_back(d);
            }
            out.insert(out.end(), buffer.begin(), buffer.begin() + list.mBuffers[0].mDataByteSize);
        }
    }

    ComponentInstance m_sc = nullptr;
    AudioStreamBasicDescription m_out{};
};

// A tone per channel; with spikes, the second channel reaches -32768 now and then.
std::vector<int16_t> Tone(size_t frames, int channels, bool spikes) {
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const bool spike = spikes && c == 1 && i % 7 == 0;
            samples.push_back(static_cast<int16_t>(12000 * std::sin(0.031 * i * (c + 1)) +
                                                   (spike ? -32768 + 12000 : 0)));
        }
    }
    return samples;
}

std::vector<uint8_t> Bytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out(samples.size() * 2);
    std::memcpy(out.data(), samples.data(), out.size());
    return out;
}

template <typename T>
void Append(std::vector<uint8_t>& out, T value) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
}

using PutFrame = void (*)(std::vector<uint8_t>&, int16_t left, int16_t right);

std::vector<uint8_t> Expect(PutFrame put, const std::vector<int16_t>& stereo) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < stereo.size(); i += 2)
        put(out, stereo[i], stereo[i + 1]);
    return out;
}

TEST_F(AudioCompressionTest, LinearPCMConversionsAreExact) {
    const auto tone = Tone(1000, 2, true);
    const std::pair<AudioStreamBasicDescription, PutFrame> cases[] = {
        {PCM(44100, 2, 16, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsBigEndian),
         [](auto& out, int16_t l, int16_t r) {
             out.insert(out.end(), {uint8_t(l >> 8), uint8_t(l), uint8_t(r >> 8), uint8_t(r)});
         }},
        {PCM(44100, 2, 32, kAudioFormatFlagIsSignedInteger),
         [](auto& out, int16_t l, int16_t r) {
             Append(out, int32_t{l} * 65536), Append(out, int32_t{r} * 65536);
         }},
        {PCM(44100, 2, 32, kAudioFormatFlagIsFloat),
         [](auto& out, int16_t l, int16_t r) {
             Append(out, l / 32768.0f), Append(out, r / 32768.0f);
         }},
        {PCM(44100, 1, 16, kAudioFormatFlagIsSignedInteger),  // the mean of both channels
         [](auto& out, int16_t l, int16_t r) {
             Append(out, static_cast<int16_t>(std::nearbyint((l + r) / 2.0)));
         }},
    };
    for (const auto& [format, put] : cases) {
        configure(PCM(44100, 2, 16, kAudioFormatFlagIsSignedInteger), format);
        Source source{Bytes(tone), 4, 333};
        EXPECT_EQ(convert(source, 256), Expect(put, tone)) << "to " << format.mBitsPerChannel;
    }
    // And back: 32-bit floats to 16-bit integers give the original.
    configure(PCM(44100, 2, 32, kAudioFormatFlagIsFloat),
              PCM(44100, 2, 16, kAudioFormatFlagIsSignedInteger));
    Source floats{Expect(cases[2].second, tone), 8, 100};
    EXPECT_EQ(convert(floats, 77), Bytes(tone));
}

TEST_F(AudioCompressionTest, IMA4PacketsDecodeCloseToTheSource) {
    const auto tone = Tone(64 * 20 + 10, 2, false);  // the last packet is padded
    AudioStreamBasicDescription ima4{};
    ima4.mSampleRate = 0;  // the input's rate
    ima4.mFormatID = kAudioFormatAppleIMA4;
    ima4.mChannelsPerFrame = 2;
    configure(PCM(22050, 2, 16, kAudioFormatFlagIsSignedInteger), ima4);
    EXPECT_EQ(m_out.mBytesPerPacket, 68u);
    EXPECT_EQ(m_out.mFramesPerPacket, 64u);
    Source source{Bytes(tone), 4, 500};
    std::vector<AudioStreamPacketDescription> descriptions;
    const std::vector<uint8_t> packets = convert(source, 7, &descriptions);
    ASSERT_EQ(packets.size(), 21u * 68);
    ASSERT_EQ(descriptions.size(), 21u);
    EXPECT_EQ(descriptions[20].mStartOffset, 20 * 68);
    EXPECT_EQ(descriptions[20].mDataByteSize, 68u);

    IMA4Decoder decoder(2);
    std::vector<SInt16> decoded(21 * 64 * 2);
    size_t frames = 0;
    ASSERT_EQ(decoder.decode(packets, decoded, &frames), noErr);
    double signal = 0, noise = 0;
    for (size_t i = 0; i < tone.size(); ++i) {
        signal += static_cast<double>(tone[i]) * tone[i];
        noise += (static_cast<double>(tone[i]) - decoded[i]) *
                 (static_cast<double>(tone[i]) - decoded[i]);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 20.0);
    // The end of the stream was reached: nothing more until a reset.
    UInt32 count = 1;
    std::vector<uint8_t> room(68);
    AudioBufferList list{1, {{2, 68, room.data()}}};
    EXPECT_EQ(SCAudioFillBuffer(m_sc, Source::Proc, &source, &count, &list, nullptr), noErr);
    EXPECT_EQ(count, 0u);
}

TEST_F(AudioCompressionTest, PropertiesAndSettingsContainers) {
    configure(PCM(48000, 1, 24, kAudioFormatFlagIsSignedInteger),
              PCM(48000, 2, 16, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsBigEndian));
    // Formats that cannot be converted are refused and change nothing.
    const AudioStreamBasicDescription floats24 = PCM(48000, 2, 24, kAudioFormatFlagIsFloat);
    EXPECT_EQ(set(kQTSCAudioPropertyID_BasicDescription, sizeof floats24, &floats24),
              kAudioConverterErr_FormatNotSupported);
    UInt32 maxPacket = 0;
    EXPECT_EQ(get(kQTSCAudioPropertyID_MaximumOutputPacketSize, maxPacket), noErr);
    EXPECT_EQ(maxPacket, 4u);
    EXPECT_EQ(set(kQTSCAudioPropertyID_MaximumOutputPacketSize, 4, &maxPacket),
              kQTPropertyReadOnlyErr);
    // A layout must hold the descriptions it counts.
    AudioChannelLayout layout{};
    layout.mNumberChannelDescriptions = 1;
    layout.mChannelDescriptions[0].mChannelLabel = kAudioChannelLabel_Mono;
    EXPECT_EQ(set(kQTSCAudioPropertyID_InputChannelLayout, 12, &layout),
              kQTPropertyBadValueSizeErr);
    ASSERT_EQ(set(kQTSCAudioPropertyID_InputChannelLayout, 32, &layout), noErr);
    ByteCount size = 0;
    ASSERT_EQ(QTGetComponentPropertyInfo(m_sc, kQTPropertyClass_SCAudio,
                                         kQTSCAudioPropertyID_InputChannelLayout, nullptr, &size,
                                         nullptr),
              noErr);
    EXPECT_EQ(size, 32u);

    QTAtomContainer settings = nullptr;
    ASSERT_EQ(SCGetSettingsAsAtomContainer(m_sc, &settings), noErr);
    ComponentInstance other = open(StandardCompressionSubTypeAudio);
    ASSERT_EQ(SCSetSettingsFromAtomContainer(other, settings), noErr);
    QTDisposeAtomContainer(settings);
    AudioStreamBasicDescription restored{};
    ASSERT_EQ(get(kQTSCAudioPropertyID_BasicDescription, restored, other), noErr);
    EXPECT_EQ(std::memcmp(&restored, &m_out, sizeof(restored)), 0);
}

TEST_F(AudioCompressionTest, DialogChoosesTheOutputFormat) {
    configure(PCM(44100, 2, 16, kAudioFormatFlagIsSignedInteger),
              PCM(44100, 2, 16, kAudioFormatFlagIsSignedInteger));
    // A 24-bit float is refused (the dialog stays open), then IMA 4:1 mono.
    ASSERT_EQ(Drive({Driver::SetThenHit(6, 24, 8), Driver::Hit(kStdOkItemIndex),
                     Driver::HitItemWithText("IMA"), Driver::SetThenHit(4, 1, kStdOkItemIndex)},
                    SCRequestImageSettings, m_sc),
              noErr);
    AudioStreamBasicDescription out{};
    ASSERT_EQ(get(kQTSCAudioPropertyID_BasicDescription, out), noErr);
    EXPECT_EQ(out.mFormatID, kAudioFormatAppleIMA4);
    EXPECT_EQ(out.mChannelsPerFrame, 1u);
    EXPECT_EQ(out.mBytesPerPacket, 34u);
}

}  // namespace

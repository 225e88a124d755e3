// A sound track made from standard audio compression settings: the format
// chosen in the dialog, the input format and layout handed to the
// component, and packets it compresses added to the track as they came.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "CoreFoundation/CFData.h"
#include "Dialogs/DialogDriver.h"
#include "QuickTime/QTAudioTrack.h"
#include "RecordingTestSupport.h"
#include "Support/ScriptedDialogDriver.h"
#include "Support/SoundFormats.h"

namespace {

using mvdtest::Held;

// Mono 16-bit native-order samples handed out a chunk at a time.
struct PCMSource {
    std::vector<int16_t> samples;
    size_t position = 0;

    static ComponentResult Proc(ComponentInstance, UInt32* packets, AudioBufferList* data,
                                AudioStreamPacketDescription**, void* refCon) {
        auto* source = static_cast<PCMSource*>(refCon);
        size_t frames =
            std::min<size_t>({*packets, 500, source->samples.size() - source->position});
        data->mBuffers[0].mData = source->samples.data() + source->position;
        data->mBuffers[0].mDataByteSize = static_cast<UInt32>(frames * 2);
        source->position += frames;
        *packets = static_cast<UInt32>(frames);
        return noErr;
    }
};

// Runs the settings dialog choosing IMA 4:1 with one channel.
QTAtomContainer ChooseMonoIMA4() {
    auto driver = std::make_shared<mvdtest::ScriptedDialogDriver>();
    using Driver = mvdtest::ScriptedDialogDriver;
    driver->steps = {Driver::HitItemWithText("IMA"), Driver::SetThenHit(4, 1, kStdOkItemIndex)};
    ScopedDialogDriver scoped(driver);
    return QTAudioTrack::newSCAudioSettingsFromUserDialog();
}

class AudioTrackSettingsTest : public mvdtest::MovieFileTest {};

TEST_F(AudioTrackSettingsTest, PacketsFromTheComponentGoIntoTheTrack) {
    EXPECT_EQ(QTAudioTrack::newSCAudioSettingsFromUserDialog(), nullptr);  // cancelled
    QTAtomContainer settings = ChooseMonoIMA4();
    ASSERT_NE(settings, nullptr);
    Held<QTAudioTrack> track(new QTAudioTrack(0, m_movie, settings));
    QTDisposeAtomContainer(settings);
    const AudioStreamBasicDescription& out = track->outputStreamDescription();
    EXPECT_EQ(out.mFormatID, kAudioFormatAppleIMA4);
    EXPECT_EQ(out.mChannelsPerFrame, 1u);
    EXPECT_EQ(out.mSampleRate, 44100.0);

    AudioStreamBasicDescription native = mvdtest::PCMStream(1, 44100);
    native.mFormatFlags &= ~kAudioFormatFlagIsBigEndian;
    ASSERT_EQ(track->setInputASBD(native), noErr);
    ASSERT_EQ(track->setInputLayoutWithTag(kAudioChannelLayoutTag_Mono), noErr);
    std::vector<UInt8> layout(64);
    ByteCount layoutSize = 0;
    ASSERT_EQ(QTGetComponentProperty(track->audioComponent(), kQTPropertyClass_SCAudio,
                                     kQTSCAudioPropertyID_InputChannelLayout, layout.size(),
                                     layout.data(), &layoutSize),
              noErr);
    ASSERT_EQ(layoutSize, 32u);
    UInt32 head[4];
    std::memcpy(head, layout.data(), sizeof head);
    EXPECT_EQ(head[0], 0u);   // listed channel by channel
    EXPECT_EQ(head[2], 1u);   // one channel
    EXPECT_EQ(head[3], 42u);  // labelled mono

    PCMSource source;
    for (int i = 0; i < 64 * 20 + 10; ++i) {
        source.samples.push_back(static_cast<int16_t>((i * 37) % 2000 - 1000));
    }
    SoundDescriptionHandle sound = mvdtest::NewSoundDescription(out);
    track->startTrack();
    std::vector<std::vector<uint8_t>> packets;
    for (;;) {
        std::vector<UInt8> buffer(8 * out.mBytesPerPacket);
        std::vector<AudioStreamPacketDescription> list(8);
        UInt32 count = 8;
        AudioBufferList output{1, {{1, static_cast<UInt32>(buffer.size()), buffer.data()}}};
        ASSERT_EQ(track->compressAndWriteWithSCAudioFillBuffer(PCMSource::Proc, &source, &count,
                                                               &output, list.data()),
                  noErr);
        if (count == 0) {
            break;
        }
        list.resize(count);
        for (const AudioStreamPacketDescription& packet : list) {
            auto begin = buffer.begin() + packet.mStartOffset;
            packets.emplace_back(begin, begin + packet.mDataByteSize);
        }
        CFDataRef descriptions =
            CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(list.data()),
                         static_cast<CFIndex>(list.size() * sizeof(AudioStreamPacketDescription)));
        track->writeCompressedBuffer(buffer.data(), 0, nullptr, descriptions, 0, sound);
        CFRelease(descriptions);
    }
    ASSERT_EQ(packets.size(), 21u);  // the last one padded
    track->insertMediaIntoTrackWithMediaDuration();
    DisposeHandle(reinterpret_cast<Handle>(sound));

    qtfile::MovieFileReader reader;
    finishAndRead(reader);
    EXPECT_EQ(reader.track(0).media.header.timeScale, 44100u);
    ASSERT_EQ(reader.samples(0).sampleCount(), packets.size());
    for (uint32_t i = 0; i < packets.size(); ++i) {
        std::vector<uint8_t> stored;
        ASSERT_TRUE(reader.readSample(0, i, stored).ok());
        EXPECT_EQ(stored, packets[i]) << "packet " << i;
    }
}

}  // namespace

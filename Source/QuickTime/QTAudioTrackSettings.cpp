// The parts of the sound track that work through the standard audio
// compression component: a track made from its settings, its input format
// and layout, compressing through it, and its settings dialog.
#include <cstdlib>
#include <cstring>
#include <utility>

#include "MVDCommon/MVDException.h"
#include "QuickTime/ChannelLayoutExpansion.h"
#include "QuickTime/ICMOwnership.h"
#include "QuickTime/MediaSegment.h"
#include "QuickTime/QTAudioTrack.h"

namespace {

OwnedComponent OpenStandardAudioCompression() {
    return OpenOwnedComponent(StandardCompressionType, StandardCompressionSubTypeAudio);
}

}  // namespace

QTAudioTrack::QTAudioTrack(uint32_t trackNumber, Movie movie, QTAtomContainer settings)
    : AudioTrack(trackNumber, 0, 0, 0) {
    OwnedComponent component = OpenStandardAudioCompression();
    if (component == nullptr) {
        throw SetupException("Unable to create StdAudio component");
    }
    if (SCSetSettingsFromAtomContainer(component.get(), settings) != noErr) {
        throw SetupException("Invalid AtomContainer passed in");
    }
    if (QTGetComponentProperty(component.get(), kQTPropertyClass_SCAudio,
                               kQTSCAudioPropertyID_BasicDescription, sizeof m_outputASBD,
                               &m_outputASBD, nullptr) != noErr) {
        throw SetupException("Unable to get ASBD for StdAudio component");
    }
    setUpTrackAndMedia(
        movie, static_cast<TimeScale>(mediasegment::ClampedSampleRate(m_outputASBD.mSampleRate)));
    m_audioComponent = std::move(component);
}

ComponentResult QTAudioTrack::setInputASBD(const AudioStreamBasicDescription& asbd) {
    return QTSetComponentProperty(m_audioComponent.get(), kQTPropertyClass_SCAudio,
                                  kQTSCAudioPropertyID_InputBasicDescription, sizeof asbd, &asbd);
}

ComponentResult QTAudioTrack::setInputLayoutWithTag(unsigned long tag) {
    // Room for as many channel descriptions as the tag has channels.
    auto layoutTag = static_cast<AudioChannelLayoutTag>(tag);
    auto size = static_cast<UInt32>(
        AudioChannelLayoutSize(AudioChannelLayoutTag_GetNumberOfChannels(layoutTag)));
    auto layout = static_cast<AudioChannelLayout*>(std::calloc(1, size));
    if (layout == nullptr) {
        return memFullErr;
    }
    std::memcpy(layout, &layoutTag, sizeof layoutTag);  // the block may be only 12 bytes
    ComponentResult err = expandChannelLayout(&layout, &size);
    if (err == noErr) {
        err = QTSetComponentProperty(m_audioComponent.get(), kQTPropertyClass_SCAudio,
                                     kQTSCAudioPropertyID_InputChannelLayout, size, layout);
    }
    std::free(layout);
    return err;
}

ComponentResult QTAudioTrack::compressAndWriteWithSCAudioFillBuffer(
    SCAudioInputDataProc inputProc, void* inputRefCon, UInt32* packetCount,
    AudioBufferList* outputData, AudioStreamPacketDescription* packets) {
    return SCAudioFillBuffer(m_audioComponent.get(), inputProc, inputRefCon, packetCount,
                             outputData, packets);
}

QTAtomContainer QTAudioTrack::newSCAudioSettingsFromUserDialog() {
    OwnedComponent component = OpenStandardAudioCompression();
    if (component == nullptr) {
        return nullptr;
    }
    QTAtomContainer settings = nullptr;
    ComponentResult err = SCRequestImageSettings(component.get());
    if (err == noErr) {
        err = SCGetSettingsAsAtomContainer(component.get(), &settings);
    }
    if (err != noErr && settings != nullptr) {
        QTDisposeAtomContainer(settings);
        settings = nullptr;
    }
    return settings;
}

// The recording sound track: buffers of uncompressed samples, or packets the
// caller has compressed, added to a sound media with one recovery record per
// sample added.
#pragma once

#include <cstdint>
#include <memory>

#include "Components/Components.h"
#include "CoreFoundation/CFData.h"
#include "MovieToolbox/QTAtomContainer.h"
#include "MovieToolbox/SoundDescription.h"
#include "QuickTime/ICMOwnership.h"
#include "QuickTime/MVDQTTrack.h"
#include "QuickTime/MovieTrack.h"
#include "StandardCompression/StandardCompression.h"

class QTAudioTrack : public AudioTrack, public MVDQTTrack {
  public:
    // A track for samples of this format; the media's time scale is the
    // sample rate.  The fourth value is ignored.  recoveryFile may be null.
    QTAudioTrack(uint32_t trackNumber, Movie movie, uint32_t channels, uint32_t sampleRate,
                 uint32_t bitsPerSample, unsigned long unused, QTRecoveryWriterFile* recoveryFile);
    // A track whose samples the standard audio compression component makes
    // from the settings; the media's time scale is its output sample rate.
    // Channels, rate and bits stay 0 and the track writes no recovery
    // records.
    QTAudioTrack(uint32_t trackNumber, Movie movie, QTAtomContainer settings);
    ~QTAudioTrack() override;

    void startTrack() override;
    void pauseTrackWithDuration(TimeRecord duration) override;
    void unpauseTrack() override;
    void flushTrackDataToDisk() override;
    TimeRecord getCurrentMediaSegmentTimeRecord() override;
    void insertMediaIntoTrackWithDuration(TimeRecord duration) override;
    void insertMediaIntoTrackWithMediaDuration() override;

    // Appends `size` bytes of interleaved frames (size / (bits / 8 x
    // channels) samples of duration 1) and logs them.
    void writeBuffer(short* buffer, int size, SoundDescription** description) override;
    // Appends each packet listed in packetDescriptions (an array of
    // AudioStreamPacketDescription in a data object) as one sample of the
    // stream's frames per packet, logging each.  The second, third and
    // fifth values are not read.
    virtual void writeCompressedBuffer(const void* buffer, UInt32 unused1, UInt32* unused2,
                                       CFDataRef packetDescriptions, SInt32 unused3,
                                       SoundDescriptionHandle description);

    // Adds numberOfSamples samples of equal size and `duration` each, without
    // a recovery record; *decodeTime (when not null) receives the decode time
    // of the first.
    void writeSample(const void* data, int size, int duration, SoundDescriptionHandle description,
                     int numberOfSamples, TimeValue64* decodeTime);

    // The component's input: its stream description and a channel layout
    // given by its tag.  Component errors are returned (memFullErr when the
    // layout cannot be allocated).
    ComponentResult setInputASBD(const AudioStreamBasicDescription& asbd);
    ComponentResult setInputLayoutWithTag(unsigned long tag);
    // Pulls input through inputProc and fills outputData with up to
    // *packetCount compressed packets (see SCAudioFillBuffer); the packets
    // are added with writeCompressedBuffer.
    ComponentResult compressAndWriteWithSCAudioFillBuffer(SCAudioInputDataProc inputProc,
                                                          void* inputRefCon, UInt32* packetCount,
                                                          AudioBufferList* outputData,
                                                          AudioStreamPacketDescription* packets);
    // Runs the audio settings dialog; the settings (disposed of by the
    // caller), or null when it was cancelled or failed.
    static QTAtomContainer newSCAudioSettingsFromUserDialog();

    const char* sampleLabel() override;
    void writeSampleDescription(SampleDescription** description, FILE* stream) override;

    // The stream description read from the sound description by the first
    // compressed buffer, or null before it.
    const AudioStreamBasicDescription* inputStreamDescription() const { return m_inputASBD.get(); }
    // The component's output format (zero for a track not made from settings).
    const AudioStreamBasicDescription& outputStreamDescription() const { return m_outputASBD; }
    ComponentInstance audioComponent() const { return m_audioComponent.get(); }

  private:
    void setUpTrackAndMedia(Movie movie, TimeScale timeScale);
    void beginEdits();
    void addPacket(const UInt8* data, const AudioStreamPacketDescription& packet,
                   SoundDescriptionHandle description);

    std::unique_ptr<AudioStreamBasicDescription> m_inputASBD;
    AudioStreamBasicDescription m_outputASBD{};
    OwnedComponent m_audioComponent;  // tracks made from settings
};

// The recording sound track: buffers of uncompressed samples, or packets the
// caller has compressed, added to a sound media with one recovery record per
// sample added.
#pragma once

#include <cstdint>
#include <memory>

#include "CoreFoundation/CFData.h"
#include "MovieToolbox/SoundDescription.h"
#include "QuickTime/MVDQTTrack.h"
#include "QuickTime/MovieTrack.h"

class QTAudioTrack : public AudioTrack, public MVDQTTrack {
  public:
    // A track for samples of this format; the media's time scale is the
    // sample rate.  The fourth value is ignored.  recoveryFile may be null.
    QTAudioTrack(uint32_t trackNumber, Movie movie, uint32_t channels, uint32_t sampleRate,
                 uint32_t bitsPerSample, unsigned long unused, QTRecoveryWriterFile* recoveryFile);
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

    const char* sampleLabel() override;
    void writeSampleDescription(SampleDescription** description, FILE* stream) override;

    // The stream description read from the sound description by the first
    // compressed buffer, or null before it.
    const AudioStreamBasicDescription* inputStreamDescription() const { return m_inputASBD.get(); }

  private:
    void setUpTrackAndMedia(Movie movie, TimeScale timeScale);
    void beginEdits();
    void addPacket(const UInt8* data, const AudioStreamPacketDescription& packet,
                   SoundDescriptionHandle description);

    std::unique_ptr<AudioStreamBasicDescription> m_inputASBD;
};

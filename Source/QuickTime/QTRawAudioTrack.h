// A sound track for uncompressed samples of a fixed stream description.  It
// owns its sound description and writes no recovery records.  Pausing does
// not cut its media: finalizeTrack or an insert operation puts its media
// into the track in one edit from the start.
#pragma once

#include <cstdint>

#include "MovieToolbox/SoundDescription.h"
#include "QuickTime/MovieTrack.h"

class QTRawAudioTrack : public AudioTrack {
  public:
    // Packed frames of bitsPerSample / 8 x channels bytes; 1 or 2 channels
    // (SetupException "Invalid number of channels!" otherwise).
    QTRawAudioTrack(uint32_t trackNumber, Movie movie, uint32_t channels, uint32_t sampleRate,
                    uint32_t bitsPerSample, AudioFormatID formatID, AudioFormatFlags formatFlags);
    // The track takes the layout (from malloc or calloc) and frees it.
    QTRawAudioTrack(uint32_t trackNumber, Movie movie, const AudioStreamBasicDescription& asbd,
                    AudioChannelLayout* layout, ByteCount layoutSize);
    ~QTRawAudioTrack() override;

    void startTrack() override;
    void pauseTrackWithDuration(TimeRecord duration) override;
    void unpauseTrack() override;
    void flushTrackDataToDisk() override;
    // The media recorded since the last unpause.
    TimeRecord getCurrentMediaSegmentTimeRecord() override;
    // Inserts the media from its start: the segments before the current
    // one and the given duration of the current one.
    void insertMediaIntoTrackWithDuration(TimeRecord duration) override;
    void insertMediaIntoTrackWithMediaDuration() override;
    void writeBuffer(short* buffer, int size, SoundDescription** description) override;

    // Adds numberOfSamples samples with the track's own description.
    void writeSample(const void* data, int size, int duration, int numberOfSamples,
                     TimeValue64* decodeTime);
    // Ends media edits and inserts the whole media at the end of the track.
    void finalizeTrack();

    SoundDescriptionHandle soundDescription() const { return m_soundDescription; }
    Track quickTimeTrack() const { return m_track; }
    Media quickTimeMedia() const { return m_media; }

  private:
    void setUpTrackAndMedia(Movie movie);
    void createSoundDescription(AudioStreamBasicDescription asbd, AudioChannelLayout* layout,
                                ByteCount layoutSize);
    void endEdits();

    Track m_track = nullptr;
    Media m_media = nullptr;
    TimeValue m_segmentStart = 0;  // media duration at the last unpause
    SoundDescriptionHandle m_soundDescription = nullptr;
};

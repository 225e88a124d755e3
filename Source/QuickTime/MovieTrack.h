// The track interfaces through which recordings are written into a movie
// without knowing the container: every track has segments that are opened,
// closed and inserted into the track; video and audio tracks add their
// attributes and input.
#pragma once

#include <cstdint>

#include "MVDCommon/MVDTypes.h"
#include "MVDCommon/Object.h"
#include "MovieToolbox/SoundDescription.h"

// One track of a movie.  The track number identifies the track in recovery
// records; video tracks and audio/text tracks are numbered separately by the
// writer that makes them.
class MovieTrack : public virtual Object {
  public:
    explicit MovieTrack(uint32_t trackNumber) : m_trackNumber(trackNumber) {}
    ~MovieTrack() override = default;

    // Opens the first segment (and writes the track's recovery header when
    // it logs to a recovery file).
    virtual void startTrack() = 0;
    // Closes the current segment and inserts it into the track with the
    // given duration.
    virtual void pauseTrackWithDuration(TimeRecord duration) = 0;
    // Opens a new segment at the media's current end.
    virtual void unpauseTrack() = 0;
    // Pushes pending data into the media.
    virtual void flushTrackDataToDisk() = 0;
    // The media time recorded since the current segment began, in the
    // media's time scale.
    virtual TimeRecord getCurrentMediaSegmentTimeRecord() = 0;
    // Ends media edits and inserts the current segment at the end of the
    // track, scaled to the given duration.
    virtual void insertMediaIntoTrackWithDuration(TimeRecord duration) = 0;
    // The same with the media's own duration.
    virtual void insertMediaIntoTrackWithMediaDuration() = 0;

    uint32_t trackNumber() const { return m_trackNumber; }

  protected:
    uint32_t m_trackNumber;
};

// A track of frames of the size of its rectangle's width and height.
class VideoTrack : public MovieTrack {
  public:
    // pixelFormat: the Core Video code of the frames handed in (32 or
    // 'BGRA'); sourceValue is kept beside it for callers.
    VideoTrack(uint32_t trackNumber, const tagMVDRect& rect, float value, uint32_t pixelFormat,
               uint32_t sourceValue)
        : MovieTrack(trackNumber),
          m_rect(rect),
          m_value(value),
          m_pixelFormat(pixelFormat),
          m_sourceValue(sourceValue) {}

    const tagMVDRect& frameRect() const { return m_rect; }
    uint32_t sourcePixelFormat() const { return m_pixelFormat; }
    float value() const { return m_value; }
    uint32_t sourceValue() const { return m_sourceValue; }

  protected:
    tagMVDRect m_rect;
    float m_value;
    uint32_t m_pixelFormat;
    uint32_t m_sourceValue;
};

// A track of sound.
class AudioTrack : public MovieTrack {
  public:
    AudioTrack(uint32_t trackNumber, uint32_t channels, uint32_t sampleRate, uint32_t bitsPerSample)
        : MovieTrack(trackNumber),
          m_channels(channels),
          m_sampleRate(sampleRate),
          m_bitsPerSample(bitsPerSample) {}

    // Appends `size` bytes of uncompressed samples described by description.
    virtual void writeBuffer(short* buffer, int size, SoundDescription** description) = 0;

    uint32_t channels() const { return m_channels; }
    uint32_t sampleRate() const { return m_sampleRate; }
    uint32_t bitsPerSample() const { return m_bitsPerSample; }

  protected:
    uint32_t m_channels;
    uint32_t m_sampleRate;
    uint32_t m_bitsPerSample;
};

// Anything that can make audio tracks for what it writes.
class AudioTrackCreator {
  public:
    virtual ~AudioTrackCreator() = default;
    // The fourth value is accepted for callers that pass one; writers may
    // ignore it.
    virtual AudioTrack* createAudioTrack(unsigned int channels, unsigned int sampleRate,
                                         unsigned int bitsPerSample, unsigned long extra) = 0;
};

// The writer of a movie: it makes the tracks, keeps them in creation order
// and drives them all together through their segments.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "MVDCommon/LinkedList.h"
#include "QuickTime/MovieTrack.h"

class MovieWriter : public virtual Object, public AudioTrackCreator {
  public:
    MovieWriter(const std::string& path, uint32_t width, uint32_t height);
    ~MovieWriter() override;

    // matrix: three rows of three floats (row 2, column 2 is the 2.30 term).
    virtual VideoTrack* createVideoTrack(tagMVDRect rect, uint32_t pixelFormat,
                                         uint32_t sourceValue, const float (*matrix)[3],
                                         OSType codecType, uint32_t quality,
                                         int32_t maxKeyFrameInterval) = 0;
    // Each of these visits the tracks in creation order and stops at the
    // first exception, which passes to the caller.
    virtual void start() = 0;
    virtual void pauseTracksWithDuration(TimeRecord duration) = 0;
    virtual void unpauseTracks() = 0;
    virtual void finalizeTracksWithDuration(TimeRecord duration) = 0;
    virtual void finalizeTracksWithTrackMediaDuration() = 0;
    // Writes and closes the movie file.
    virtual void finalizeMovie() = 0;

    const std::string& path() const { return m_path; }
    uint32_t width() const { return m_width; }
    uint32_t height() const { return m_height; }
    size_t trackCount() const { return m_trackList->count(); }
    // The track at a place in creation order, or null.
    MovieTrack* trackAtIndex(size_t index) const;

  protected:
    // Track numbers: video tracks count 0, 1, 2, ... and audio and text
    // tracks together count 0, 1, 2, ... on their own.
    uint32_t takeVideoTrackNumber() { return m_nextVideoTrackNumber++; }
    uint32_t takeAudioTrackNumber() { return m_nextAudioTrackNumber++; }
    // Appends a new track to the list, which holds it from now on, and
    // returns it.
    template <class Track>
    Track* addTrack(Track* track) {
        m_trackList->addObject(track);
        return track;
    }
    void forEachTrack(const std::function<void(MovieTrack&)>& visit) const;

    std::string m_path;
    uint32_t m_width;
    uint32_t m_height;
    uint32_t m_nextVideoTrackNumber = 0;
    uint32_t m_nextOtherTrackNumber = 0;  // kept for writers that number other tracks
    uint32_t m_nextAudioTrackNumber = 0;
    std::unique_ptr<LinkedList> m_trackList;
};

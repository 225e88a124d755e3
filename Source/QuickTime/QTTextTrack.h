// A track of captions or chapter titles: each sample is a string shown for a
// duration.  Its recovery records carry the text itself, so a rebuilt movie
// writes the samples again from it.
#pragma once

#include <cstdint>

#include "CoreFoundation/CFString.h"
#include "MovieToolbox/Movies.h"
#include "QuickTime/MovieTrack.h"
#include "QuickTime/QTRecoveryWriterFile.h"

class QTTextTrack : public MovieTrack {
  public:
    // A text track with a 'text' media of time scale 600; recoveryFile may
    // be null.
    QTTextTrack(uint32_t trackNumber, Movie movie, QTRecoveryWriterFile* recoveryFile);
    ~QTTextTrack() override;

    // Adds the string, in UTF-8, as one sample shown for `duration` media
    // units, and logs it.
    void writeTextSample(CFStringRef text, int64_t duration);

    void startTrack() override;
    void pauseTrackWithDuration(TimeRecord duration) override;
    void unpauseTrack() override;
    void flushTrackDataToDisk() override;
    TimeRecord getCurrentMediaSegmentTimeRecord() override;
    // Inserts the current segment at the end of the track, at most the
    // media recorded in it.
    void insertMediaIntoTrackWithDuration(TimeRecord duration) override;
    void insertMediaIntoTrackWithMediaDuration() override;

    Track quickTimeTrack() const { return m_track; }
    Media quickTimeMedia() const { return m_media; }
    uint32_t chapterOwner() const { return m_chapterOwner; }
    QTRecoveryWriterFile* recoveryFile() const { return m_recoveryFile; }

    static constexpr TimeScale kTimeScale = 600;

  private:
    void beginEdits();

    Track m_track = nullptr;
    Media m_media = nullptr;
    uint32_t m_chapterOwner = 0;
    QTRecoveryWriterFile* m_recoveryFile = nullptr;
    TimeValue m_segmentStart = 0;
};

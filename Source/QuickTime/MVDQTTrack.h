// What video and audio tracks share for crash recovery: their QuickTime
// track and media, the segment start, and the recovery file they log every
// added sample to.
#pragma once

#include <cstdint>
#include <cstdio>

#include "MovieToolbox/Movies.h"
#include "QuickTime/QTRecoveryWriterFile.h"

class MVDQTTrack {
  public:
    MVDQTTrack() = default;
    virtual ~MVDQTTrack();
    MVDQTTrack(const MVDQTTrack&) = delete;
    MVDQTTrack& operator=(const MVDQTTrack&) = delete;

    // The label of this kind of track's sample records.
    virtual const char* sampleLabel();
    // Writes the description part of a sample record (nothing here).
    virtual void writeSampleDescription(SampleDescription** description, FILE* stream);
    // Writes the trailing part of a sample record (nothing here).
    virtual void writeAdditionalRecoveryData(FILE* stream);

    // Logs the sample reference that holds media time `time` as one sample
    // record; nothing when the track has no recovery file.  With
    // fillDescription the media fills `description` with the sample's
    // description first.  MVDException "Error GetMediaSampleReference in
    // MovieTrack" when the media cannot report the sample.
    void writeRecoveryData(TimeValue64 time, uint32_t trackNumber,
                           SampleDescriptionHandle description, bool fillDescription);

    // Time records in the media's and the movie's time scales.
    TimeRecord getMediaTimeRecordWithTime(long time);
    TimeRecord getTrackTimeRecordWithTime(long time);
    TimeRecord getTimeRecordForCurrentMediaSegment();

    Track quickTimeTrack() const { return m_track; }
    Media quickTimeMedia() const { return m_media; }
    QTRecoveryWriterFile* recoveryFile() const { return m_recoveryFile; }

  protected:
    // Keeps and retains the file (null: no recovery records).
    void setRecoveryFile(QTRecoveryWriterFile* file);
    // Writes the description's size and bytes in the track's first sample
    // record, nothing in later ones.  MVDException for a description whose
    // size does not fit its handle.
    void writeDescriptionOnce(SampleDescription** description, FILE* stream);

    Track m_track = nullptr;
    Media m_media = nullptr;
    OSType m_codecType = 0;
    QTRecoveryWriterFile* m_recoveryFile = nullptr;
    TimeValue m_segmentStart = 0;
    // Whether a sample record of this track carrying the description has
    // reached the file; touched only under the recovery file's lock.
    bool m_descriptionWritten = false;
};

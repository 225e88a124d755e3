// The QuickTime movie writer: creates the movie file, makes the screen,
// cursor, audio and caption tracks, drives them through their segments and
// writes the movie atom at the end.  With recovery, a recovery file beside
// the movie logs every sample as it is added, so that a recording that dies
// before finalizeMovie can be rebuilt.
#pragma once

#include <cstdint>
#include <string>

#include "MovieToolbox/QTAtomContainer.h"
#include "QuickTime/MovieWriter.h"
#include "QuickTime/QTAudioTrack.h"
#include "QuickTime/QTICMVideoTrack.h"
#include "QuickTime/QTRawAudioTrack.h"
#include "QuickTime/QTRecoveryWriterFile.h"
#include "QuickTime/QTTextTrack.h"

class QTWriter : public MovieWriter {
  public:
    // Creates the movie file at path (replacing one that is there) and,
    // with recovery, the recovery file at recoveryPath.  A writer destroyed
    // without finalizeMovie leaves its sample data in the file, without a
    // movie atom, for recovery.  Tracks a caller retained beyond the writer
    // must be released before it.
    QTWriter(const std::string& path, unsigned int width, unsigned int height, bool recovery,
             const char* recoveryPath);
    ~QTWriter() override;

    // Tracks.  Video tracks take numbers 0, 1, ... and audio and text tracks
    // together 0, 1, ...; the writer holds every track it makes.
    VideoTrack* createVideoTrack(tagMVDRect rect, uint32_t pixelFormat, uint32_t sourceValue,
                                 const float (*matrix)[3], OSType codecType, uint32_t quality,
                                 int32_t maxKeyFrameInterval) override;
    QTICMVideoTrack* createVideoTrack(tagMVDRect rect, uint32_t pixelFormat, uint32_t sourceValue,
                                      OSType codecType, uint32_t quality,
                                      int32_t maxKeyFrameInterval);
    QTICMVideoTrack* createVideoTrack(tagMVDRect rect, QTAtomContainer settings);
    QTICMVideoTrack* createRecoveryVideoTrack(tagMVDRect rect, const MatrixRecord& matrix);
    QTICMVideoTrack* createCursorVideoTrack(tagMVDRect rect, unsigned int rate);
    // Modifier tracks are not made: null, and no number is used.
    MovieTrack* createModifierTrack(Track track);
    AudioTrack* createAudioTrack(unsigned int channels, unsigned int sampleRate,
                                 unsigned int bitsPerSample, unsigned long unused) override;
    QTAudioTrack* createAudioTrack(QTAtomContainer settings);
    QTAudioTrack* createRecoveryAudioTrack(unsigned int channels, unsigned int sampleRate,
                                           unsigned int bitsPerSample, unsigned long unused);
    QTRawAudioTrack* createRawAudioTrack(unsigned int channels, unsigned int sampleRate,
                                         unsigned int bitsPerSample, AudioFormatID formatID,
                                         AudioFormatFlags formatFlags);
    // The track takes the layout (from malloc or calloc).
    QTRawAudioTrack* createRawAudioTrack(const AudioStreamBasicDescription& asbd,
                                         AudioChannelLayout* layout, ByteCount layoutSize);
    QTTextTrack* createTextTrack();
    QTTextTrack* createRecoveryTextTrack();

    // Driving every track, in creation order.
    void start() override;
    void pauseTracksWithDuration(TimeRecord duration) override;
    void unpauseTracks() override;
    void flushTrackDataToDisk();
    void finalizeTracksWithDuration(TimeRecord duration) override;
    void finalizeTracksWithTrackMediaDuration() override;
    // The length of the shortest current segment, in the movie's time scale
    // (2147483647 without tracks).
    TimeRecord getShortestTrackTimeRecord();
    void pauseTracksWithShortestTrackMediaDuration();
    void finalizeTracksWithShortestTrackMediaDuration();
    // Writes the movie atom and closes the file; once (MVDException
    // "Problem adding movie resource." when it cannot, or when called
    // again).  The movie itself lives on until the writer goes, after its
    // tracks, which keep using it.
    void finalizeMovie() override;

    Movie movie() const { return m_movie; }
    QTRecoveryWriterFile* recoveryFile() const { return m_recoveryFile; }

  private:
    void closeMovie();

    Movie m_movie = nullptr;
    short m_movieRefNum = 0;
    QTRecoveryWriterFile* m_recoveryFile = nullptr;
    bool m_fileOpen = false;
};

// Rebuilds a playable movie after a recording ended without finalizeMovie:
// reads the recovery index file written beside the movie (the format of
// docs/formats/recovery-file.md), reads each video and audio sample from the
// broken movie file (the data file) at the offset the index gives, and adds
// the samples, as they are, to a new movie written by a QTWriter; text
// samples are written again from their text.  Each index track header that
// is followed by samples makes one track of the new movie, made with its
// first sample (a track without samples would leave a movie that players
// refuse), and text tracks become chapter tracks of the video track that
// owns them.
//
// The index is untrusted.  Every record is read whole, and its sample data
// checked against the data file, before anything is added for it:
//   - an index whose header is not "RCVR" and a size is refused at once
//     (false, no record read, no movie written);
//   - a last record cut short (the recording died while writing it) ends the
//     records; every complete record before it is kept;
//   - a damaged record (unknown label, a track number without a header
//     record, impossible sizes, sample data outside the data file, a sample
//     the movie refuses) ends the records too: the movie is still rebuilt
//     from the complete records before it, then the failure is thrown as
//     MVDException (SetupException when a track cannot be made).
// Both files are closed and the writer released however recovery ends.
//
//   QTRecovery* recovery = new QTRecovery(index, data, out);
//   recovery->retain();
//   bool ok = recovery->recoverQTMovie();
//   recovery->release();
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ImageCompression/ImageDescription.h"
#include "MVDCommon/MVDTypes.h"
#include "MVDCommon/Object.h"
#include "MovieToolbox/Movies.h"
#include "MovieToolbox/SoundDescription.h"

class QTAudioTrack;
class QTICMVideoTrack;
class QTTextTrack;
class QTWriter;

class QTRecovery : public Object {
  public:
    // Opens both files for reading: MVDException "Could not open recovery
    // index file!" or "Could not open data file!" when one cannot be.
    QTRecovery(const std::string& indexPath, const std::string& dataPath,
               const std::string& moviePath);
    ~QTRecovery() override;

    // Runs the whole recovery once: true when the new movie was written.
    // Prints "Offset = <offset>" after each record.
    bool recoverQTMovie();

    // The steps of recoverQTMovie.  readHeader: false for an index that is
    // not one.  readNextData: one record; false at the end of the index or
    // at a record cut short.  finalize: writes the movie and releases
    // everything; false (with "Captured an excpetion!!" on standard error)
    // when the movie could not be written.
    bool readHeader();
    bool readNextData();
    bool readVideoHeader();
    bool readAudioHeader();
    bool readTextHeader();
    bool readVideoSample();
    bool readAudioSample();
    bool readTextSample();
    bool finalize();

    // The data offset of the last video or audio sample read.
    int64_t lastDataOffset() const { return m_lastDataOffset; }

    // Limits on what one record may ask for.
    static constexpr uint32_t kMaxDescriptionSize = 64 * 1024;
    static constexpr uint32_t kMaxTextLength = 1024 * 1024;
    static constexpr uint32_t kMaxSampleSize = 256u << 20;

  private:
    struct VideoHeader {
        tagMVDRect rect;
        MatrixRecord matrix;
        short layer;
    };
    struct AudioHeader {
        uint32_t channels;
        uint32_t sampleRate;
        uint32_t bitsPerSample;
    };

    // The track of a complete sample record, made from its header with the
    // track's first sample.
    QTICMVideoTrack* videoTrack(uint32_t number);
    QTAudioTrack* audioTrack(uint32_t number);
    QTTextTrack* textTrack(uint32_t number);
    // A header read again: later samples go to a new track.
    template <class Track>
    void forgetTrack(std::map<uint32_t, Track*>& tracks, std::map<uint32_t, Handle>* descriptions,
                     uint32_t number);
    void addChapterReferences();
    // Reads exactly n bytes of the index; false when it ends first.
    bool readIndex(void* into, size_t n);
    struct SampleRecord {
        uint32_t track = 0;
        uint32_t size = 0;
        int32_t duration = 0;
        int32_t count = 0;
        uint32_t* flags = nullptr;  // read only when set (video records)
        Handle description = nullptr;
    };
    template <class Track, class Header>
    bool readSampleRecord(const std::map<uint32_t, Track*>& tracks,
                          const std::map<uint32_t, Header>& headers,
                          std::map<uint32_t, Handle>& descriptions, const char* kind,
                          size_t minimumDescription, SampleRecord* record);
    bool readU32(uint32_t* value);
    bool readDescription(uint32_t track, bool known, std::vector<uint8_t>* description);
    void readSampleData(int64_t offset, uint32_t size);
    Handle storeDescription(std::map<uint32_t, Handle>& map, uint32_t track,
                            const std::vector<uint8_t>& bytes);
    void releaseAll();
    void closeFiles();

    std::string m_indexPath;
    std::string m_dataPath;
    std::string m_moviePath;
    FILE* m_index = nullptr;
    FILE* m_data = nullptr;
    uint64_t m_dataSize = 0;
    QTWriter* m_writer = nullptr;
    std::vector<uint8_t> m_sampleBuffer;
    int64_t m_lastDataOffset = 0;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    std::map<uint32_t, VideoHeader> m_videoHeaders;
    std::map<uint32_t, AudioHeader> m_audioHeaders;
    std::map<uint32_t, uint32_t> m_textHeaders;  // text track to its chapter owner
    std::vector<std::pair<QTTextTrack*, uint32_t>> m_chapterLinks;
    std::map<uint32_t, QTICMVideoTrack*> m_videoTracks;
    std::map<uint32_t, Handle> m_imageDescriptions;
    std::map<uint32_t, QTAudioTrack*> m_audioTracks;
    std::map<uint32_t, Handle> m_soundDescriptions;
    std::map<uint32_t, QTTextTrack*> m_textTracks;
};

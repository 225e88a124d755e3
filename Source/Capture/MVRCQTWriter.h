// Records dirty-rectangle frames straight into a QuickTime movie: each frame
// becomes one video sample holding a whole capture frame record (Delta RLE,
// or Delta RLE and zlib, always with a sprite chunk) of codec type 'MVRC'.
// Key frames come by frame count and by a byte budget, never closer than 30
// frames, and only key frames are sync samples.  Compressed-audio tracks can
// be added to the same movie.
//
// A frame that cannot be added (its sample would not fit the sample buffer,
// or the movie refuses it) is reported as MVDException; the writer stays
// usable and makes the next frame a key frame, so the movie never holds a
// difference frame whose base is missing.  Frames with a frame rate below 1
// and sprites whose size differs from their rectangle's are refused before
// anything changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Capture/MVRCFormat.h"
#include "Capture/MVRCRecordEncoder.h"
#include "CoreGraphics/CGGeometry.h"
#include "ImageCompression/ImageDescription.h"
#include "MVDCommon/MVDImage.h"
#include "MovieToolbox/Movies.h"
#include "QuickTime/MovieTrack.h"

class QTAudioTrack;

class MVRCQTWriter : public AudioTrackCreator {
  public:
    static constexpr long kDefaultKeyFrameRate = 90;
    static constexpr uint64_t kMinKeyFrameDistance = 30;
    static constexpr long long kDefaultMaxBytesBetweenKeyFrames = 0x200000;
    static constexpr int kDefaultZlibLevel = 1;
    static constexpr TimeScale kTimeScale = 600;
    // Room in the sample buffer beyond one raw frame.
    static constexpr size_t kSampleSlack = 12128;

    MVRCQTWriter();
    MVRCQTWriter(const MVRCQTWriter&) = delete;
    MVRCQTWriter& operator=(const MVRCQTWriter&) = delete;
    // Releases what closeFile has not.  A movie not closed keeps its sample
    // data in its file, without a movie atom.
    ~MVRCQTWriter() override;

    // A compressed-audio track of the movie (no recovery file), numbered by
    // creation order; after writeHeader.  The writer holds it until
    // closeFile or its own end.  The fourth value is ignored.
    AudioTrack* createAudioTrack(unsigned int channels, unsigned int sampleRate,
                                 unsigned int bitsPerSample, unsigned long unused) override;

    // Remembers where the movie goes.
    void openFile(const std::string& path);
    // Delta RLE (2, the default) or Delta RLE and zlib (3); MVDException for
    // any other type.  May change between frames.
    void setCompressionType(MVRCCompressionType type);
    // The most frames from one key frame to the next (values below 1 as 1).
    void setKeyFrameRate(long rate);
    // A key frame is due, 30 frames after the last at the earliest, once
    // more sample bytes than this have been added since it.
    void setMaxBytesBetweenKeyFrames(long long bytes);
    // zlib level of type 3: 0 to 9, or -1 for zlib's default (MVDException
    // otherwise).
    void setZlibCompressionLevel(int level);

    // Creates the movie file (replacing one at the path), its video track
    // and media and the sample description, and begins media edits.  Frames
    // must be 32-bit ARGB or 'BGRA', at most 16384 pixels a side.
    // SetupException when any of it fails.
    void writeHeader(tagMVDImageFormat* format);

    // Adds one frame: `image` is the whole frame, `rects` the rectangles
    // changed since the last one (truncated toward zero and clipped to the
    // frame).  The sample lasts duration x 600 / frame rate units of the
    // media (the stored whole frame rate; at least 1 unit).  The sprite (4
    // bytes per pixel, of spriteRect's size; null for none) is sent again
    // whenever spriteId changes and with every key frame.
    void writeFrame(unsigned long duration, float frameRate, MVDImage* image,
                    unsigned int rectCount, CGRect* rects, MVDImage* sprite,
                    const CGRect& spriteRect, int spriteId);
    // Adds a key frame holding the whole image, for a prepared frame header
    // (its frame rate and duration are used; the key flag, compression type
    // and rectangle count are set here).  The image becomes the frame later
    // ones build on.
    void writeIFrameData(MVDImage* image, _MVRCFrameHeader* header, MVDImage* sprite,
                         const CGRect& spriteRect, int spriteId);

    // The audio tracks, in creation order.
    void start();
    void flushTrackDataToDisk();
    void finalizeTracksWithDuration(TimeRecord duration);
    // The shortest current audio segment in the movie's time scale
    // (2147483647 without audio tracks).
    TimeRecord getShortestTrackTimeRecord();
    void finalizeTracksWithShortestTrackMediaDuration();

    // Inserts the video media into its track, writes the movie atom, closes
    // the file and releases the movie, the audio tracks and the buffers.
    // MVDException when a step fails.
    void closeFile();

    uint32_t frameCount() const { return m_frameCounter; }
    size_t sampleCapacity() const { return m_sampleCapacity; }
    Movie movie() const { return m_movie; }

  private:
    class SampleSink;

    void requireHeader() const;
    void checkImage(const MVDImage* image, const char* what) const;
    tagMVDRect checkSprite(const MVDImage* sprite, const CGRect& spriteRect) const;
    bool keyFrameDue() const;
    // Codes and adds one sample; on failure the next frame becomes a key
    // frame.
    void addFrame(const _MVRCFrameHeader& frame, const unsigned char* previous,
                  const MVDImage* image, const tagMVDRect* rects, MVDImage* sprite,
                  const tagMVDRect& spriteRect, int spriteId);
    void addSample(size_t size, const _MVRCFrameHeader& frame);
    void updateLastImage(const MVDImage* image, unsigned int count, const tagMVDRect* rects);
    void releaseAudioTracks();
    void releaseMovie();

    Movie m_movie = nullptr;
    Track m_videoTrack = nullptr;
    Media m_videoMedia = nullptr;
    ImageDescriptionHandle m_sampleDescription = nullptr;
    short m_movieRefNum = 0;
    bool m_fileOpen = false;
    bool m_moviesEntered = false;
    std::string m_path;
    tagMVDImageFormat m_format{};
    long m_keyFrameRate = kDefaultKeyFrameRate;
    MVRCCompressionType m_compressionType = kMVRCCompressionDeltaRLE;
    uint32_t m_frameCounter = 0;
    std::unique_ptr<MVDImage> m_lastImage;
    std::vector<unsigned char> m_sampleBuffer;
    size_t m_sampleCapacity = 0;
    MVRCDeltaRLEChunkCoder m_chunkCoder;
    int m_zlibLevel = kDefaultZlibLevel;
    long long m_maxBytesBetweenKeyFrames = kDefaultMaxBytesBetweenKeyFrames;
    std::vector<QTAudioTrack*> m_audioTracks;  // retained
    int m_lastSpriteId = -1;
    uint64_t m_bytesSinceKeyFrame = 0;
    uint64_t m_framesSinceKeyFrame = 0;
    bool m_forceKeyFrame = false;  // after a frame that could not be added
    std::vector<tagMVDRect> m_rects;
};

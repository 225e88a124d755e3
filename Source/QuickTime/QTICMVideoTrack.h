// The video track: frames (Core Video pixel buffers or images) are encoded
// by an image compression session and each encoded frame is added to the
// track's media, with its recovery record, in the session's output
// callback.  Already-compressed samples can be added directly.  The cursor
// track is one of these with the Animation codec.
//
// Sessions complete frames asynchronously, on their own thread: the track
// completes the frames still in its session before it measures, closes or
// opens a segment, so every frame lands in the segment it was written in.
// A failure inside the output callback is kept and thrown as MVDException
// from the track's next encode, flush or insert.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "CoreVideo/CVPixelBuffer.h"
#include "ImageCompression/ICMCompressionSession.h"
#include "MVDCommon/MVDImage.h"
#include "MovieToolbox/QTAtomContainer.h"
#include "QuickTime/ICMOwnership.h"
#include "QuickTime/MVDQTTrack.h"
#include "QuickTime/MovieTrack.h"

class QTModifierTrack;

class QTICMVideoTrack : public VideoTrack, public MVDQTTrack {
  public:
    // Frames of rect.width x rect.height encoded with codecType at
    // `quality`, with a key frame at least every maxKeyFrameInterval frames.
    // SetupException when the track, media or session cannot be made.
    QTICMVideoTrack(uint32_t trackNumber, const tagMVDRect& rect, float value, uint32_t pixelFormat,
                    uint32_t sourceValue, Movie movie, CodecType codecType, CodecQ quality,
                    int32_t maxKeyFrameInterval, QTRecoveryWriterFile* recoveryFile);
    // The same with the track's matrix.
    QTICMVideoTrack(uint32_t trackNumber, const tagMVDRect& rect, float value, uint32_t pixelFormat,
                    uint32_t sourceValue, Movie movie, CodecType codecType, CodecQ quality,
                    int32_t maxKeyFrameInterval, QTRecoveryWriterFile* recoveryFile,
                    const MatrixRecord& matrix);
    // The same with a 3-by-3 float matrix (row 2, column 2 is the 2.30 term).
    QTICMVideoTrack(uint32_t trackNumber, const tagMVDRect& rect, float value, uint32_t pixelFormat,
                    uint32_t sourceValue, Movie movie, CodecType codecType, CodecQ quality,
                    int32_t maxKeyFrameInterval, QTRecoveryWriterFile* recoveryFile,
                    const float (*matrix)[3]);
    // Codec and options from standard compression settings; no recovery.
    QTICMVideoTrack(uint32_t trackNumber, const tagMVDRect& rect, float value, uint32_t pixelFormat,
                    uint32_t sourceValue, Movie movie, QTAtomContainer settings);
    ~QTICMVideoTrack() override;

    void startTrack() override;
    void pauseTrackWithDuration(TimeRecord duration) override;
    void unpauseTrack() override;
    // Completes every frame handed to the session.
    void flushTrackDataToDisk() override;
    TimeRecord getCurrentMediaSegmentTimeRecord() override;
    void insertMediaIntoTrackWithDuration(TimeRecord duration) override;
    void insertMediaIntoTrackWithMediaDuration() override;

    // Encodes one frame shown for `duration` units of 1/600 s (above 0).
    // The buffer is retained by the session until it is encoded.
    virtual void compressAndWriteCVPixelBuffer(CVPixelBufferRef pixelBuffer, long duration);
    // The same for an image (32-bit ARGB or BGRA).  Its pixels are copied
    // into a buffer of the order the codec reads, so the caller may change
    // or free the image as soon as the call returns.
    virtual void compressAndWriteMVDImage(MVDImage* image, long duration);
    // Encodes one frame with the caller's times, flags and options.
    void writeICMFrame(CVPixelBufferRef pixelBuffer, TimeValue64 displayTimeStamp,
                       TimeValue64 displayDuration, ICMValidTimeFlags validTimeFlags,
                       ICMCompressionFrameOptionsRef frameOptions);
    // Adds one already-compressed sample (and logs it).
    void writeSample(const void* data, int size, int duration, ImageDescriptionHandle description,
                     MediaSampleFlags flags);
    void repeatLastFrame(unsigned int count);
    void setInputMap(QTModifierTrack* map);

    void getTrackDimensions(unsigned int* width, unsigned int* height);
    void addTrackReference(Track track, unsigned long type);
    void setMediaGraphicsMode(long mode, const RGBColor* color);
    void setTrackLayer(short layer);
    // Whole seconds of media.
    double getMediaDurationInSeconds();

    const char* sampleLabel() override;
    void writeSampleDescription(SampleDescription** description, FILE* stream) override;
    void writeAdditionalRecoveryData(FILE* stream) override;

    // Runs the standard compression dialog; the settings (disposed of by the
    // caller), or null when it was cancelled or failed.
    static QTAtomContainer newSCVideoSettingsFromUserDialog();
    // Session options and codec type from settings; the options are the
    // caller's to release.  Returns the first error met.
    static OSErr createICMCompressionSessionOptionsFromAtomContainer(
        QTAtomContainer settings, ICMCompressionSessionOptionsRef* options, CodecType* codecType);

    // Warns (and counts) when the session had to convert a frame.
    void sourceTrackingCallback(unsigned long flags);

    CodecType codecType() const { return m_codecType; }
    CodecQ quality() const { return m_quality; }
    int32_t maxKeyFrameInterval() const { return m_maxKeyFrameInterval; }
    bool sourceSwapped() const { return m_sourceSwapped; }
    TimeValue64 nextDisplayTimeStamp() const { return m_nextDisplayTimeStamp; }
    // Frames the session converted to another pixel format before encoding.
    uint32_t convertedFrameCount() const { return m_convertedFrames; }

    static constexpr TimeScale kTimeScale = 600;

  private:
    void setUpTrackAndMedia(Movie movie);
    void createSession(CodecType codecType, ICMCompressionSessionOptionsRef options);
    void createSessionFromValues();
    void setUpScreenCodec(ICMCompressionSessionOptionsRef options);
    void beginEdits();
    void encode(CVPixelBufferRef pixelBuffer, TimeValue64 displayTimeStamp,
                TimeValue64 displayDuration, ICMValidTimeFlags flags,
                ICMCompressionFrameOptionsRef frameOptions,
                ICMSourceTrackingCallbackRecord* tracking);
    // Waits for every frame in the session to reach the media; the
    // callback's failure, else `message`, when that fails.
    void completeFrames(const char* message);
    // Throws the first failure met by the output callback since the last call.
    void throwPendingFailure();
    void keepFailure(const std::string& message);
    void addEncodedFrame(ICMEncodedFrameRef frame);

    static OSStatus writeEncodedFrameToMovie(void* refCon, ICMCompressionSessionRef session,
                                             OSStatus error, ICMEncodedFrameRef frame,
                                             void* reserved);
    static void sourceTrackingProc(void* refCon, ICMSourceTrackingFlags flags,
                                   void* sourceFrameRefCon, void* reserved);

    CodecQ m_quality = 0;
    int32_t m_maxKeyFrameInterval = 0;
    // What the session's thread uses is declared before the session, so
    // that the session (and its thread) goes first.
    OwnedComponent m_compressor;
    bool m_sourceSwapped = false;
    std::atomic<uint32_t> m_convertedFrames{0};
    std::mutex m_failureMutex;
    std::optional<std::string> m_failure;  // from the output callback
    MediaSampleFlags m_sampleFlags = 0;    // under the recovery file's lock
    OwnedSession m_session;
    TimeValue64 m_nextDisplayTimeStamp = 0;
};

// The 3-by-3 float matrix as a QuickTime matrix: 16.16 fixed point, the last
// element 2.30, truncated toward zero; products of 2^31 or more become
// 0x7FFFFFFF (and, symmetrically, -2^31 or less become -2^31; NaN gives 0).
MatrixRecord MatrixRecordFromFloats(const float (*matrix)[3]);

#include "QuickTime/QTWriter.h"

#include <algorithm>
#include <cstdint>

#include "MVDCommon/MVDException.h"
#include "QuickTime/MediaSegment.h"

namespace {

constexpr float kIdentity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
constexpr CodecQ kLosslessQuality = codecLosslessQuality;
constexpr unsigned int kMaxMovieSide = 32767;

}  // namespace

QTWriter::QTWriter(const std::string& path, unsigned int width, unsigned int height, bool recovery,
                   const char* recoveryPath)
    : MovieWriter(path, width, height) {
    EnterMovies();
    try {
        // The movie box holds 16-bit coordinates.
        if (width > kMaxMovieSide || height > kMaxMovieSide) {
            throw SetupException("Unable to create movie file.");
        }
        FSSpec location;
        std::string nativePath = path;
        OSErr err = NativePathNameToFSSpec(nativePath.data(), &location, 0);
        if (err != noErr && err != fnfErr) {
            throw SetupException("Unable to create file specifier.");
        }
        if (CreateMovieFile(&location, 'TVOD', smCurrentScript, createMovieFileDeleteCurFile,
                            &m_movieRefNum, &m_movie) != noErr) {
            throw SetupException("Unable to create movie file.");
        }
        m_fileOpen = true;
        Rect box{0, 0, static_cast<SInt16>(height), static_cast<SInt16>(width)};
        SetMovieBox(m_movie, &box);
        RgnHandle clip = NewRgn();
        RectRgn(clip, &box);
        SetMovieClipRgn(m_movie, clip);
        DisposeRgn(clip);
        if (recovery) {
            m_recoveryFile = new QTRecoveryWriterFile(recoveryPath, width, height);
            m_recoveryFile->retain();
        }
    } catch (...) {
        closeMovie();
        ExitMovies();
        throw;
    }
}

// The tracks go first: they use the movie, and their sessions may still be
// adding frames to it.
QTWriter::~QTWriter() {
    m_trackList.reset();
    closeMovie();
    ExitMovies();
    if (m_recoveryFile != nullptr) {
        m_recoveryFile->release();
    }
}

void QTWriter::closeMovie() {
    mediasegment::CloseAndDisposeMovie(m_movieRefNum, m_fileOpen, m_movie);
}

// Without a matrix the track keeps its default one.
VideoTrack* QTWriter::createVideoTrack(tagMVDRect rect, uint32_t pixelFormat, uint32_t sourceValue,
                                       const float (*matrix)[3], OSType codecType, uint32_t quality,
                                       int32_t maxKeyFrameInterval) {
    if (matrix == nullptr) {
        return createVideoTrack(rect, pixelFormat, sourceValue, codecType, quality,
                                maxKeyFrameInterval);
    }
    return addTrack(new QTICMVideoTrack(takeVideoTrackNumber(), rect, 0.0f, pixelFormat,
                                        sourceValue, m_movie, codecType, quality,
                                        maxKeyFrameInterval, m_recoveryFile, matrix));
}

QTICMVideoTrack* QTWriter::createVideoTrack(tagMVDRect rect, uint32_t pixelFormat,
                                            uint32_t sourceValue, OSType codecType,
                                            uint32_t quality, int32_t maxKeyFrameInterval) {
    return addTrack(new QTICMVideoTrack(takeVideoTrackNumber(), rect, 0.0f, pixelFormat,
                                        sourceValue, m_movie, codecType, quality,
                                        maxKeyFrameInterval, m_recoveryFile));
}

QTICMVideoTrack* QTWriter::createVideoTrack(tagMVDRect rect, QTAtomContainer settings) {
    return addTrack(
        new QTICMVideoTrack(takeVideoTrackNumber(), rect, 0.0f, 0, 0, m_movie, settings));
}

QTICMVideoTrack* QTWriter::createRecoveryVideoTrack(tagMVDRect rect, const MatrixRecord& matrix) {
    return addTrack(new QTICMVideoTrack(takeVideoTrackNumber(), rect, 0.0f, 0, 0, m_movie,
                                        kAnimationCodecType, kLosslessQuality, 80, nullptr,
                                        matrix));
}

QTICMVideoTrack* QTWriter::createCursorVideoTrack(tagMVDRect rect, unsigned int rate) {
    return addTrack(new QTICMVideoTrack(takeVideoTrackNumber(), rect, static_cast<float>(rate),
                                        kCVPixelFormatType_32ARGB, 4, m_movie, kAnimationCodecType,
                                        kLosslessQuality, 500, nullptr, kIdentity));
}

MovieTrack* QTWriter::createModifierTrack(Track) {
    return nullptr;
}

AudioTrack* QTWriter::createAudioTrack(unsigned int channels, unsigned int sampleRate,
                                       unsigned int bitsPerSample, unsigned long unused) {
    return addTrack(new QTAudioTrack(takeAudioTrackNumber(), m_movie, channels, sampleRate,
                                     bitsPerSample, unused, m_recoveryFile));
}

QTAudioTrack* QTWriter::createAudioTrack(QTAtomContainer settings) {
    return addTrack(new QTAudioTrack(takeAudioTrackNumber(), m_movie, settings));
}

QTAudioTrack* QTWriter::createRecoveryAudioTrack(unsigned int channels, unsigned int sampleRate,
                                                 unsigned int bitsPerSample, unsigned long unused) {
    return addTrack(new QTAudioTrack(takeAudioTrackNumber(), m_movie, channels, sampleRate,
                                     bitsPerSample, unused, nullptr));
}

QTRawAudioTrack* QTWriter::createRawAudioTrack(unsigned int channels, unsigned int sampleRate,
                                               unsigned int bitsPerSample, AudioFormatID formatID,
                                               AudioFormatFlags formatFlags) {
    return addTrack(new QTRawAudioTrack(takeAudioTrackNumber(), m_movie, channels, sampleRate,
                                        bitsPerSample, formatID, formatFlags));
}

QTRawAudioTrack* QTWriter::createRawAudioTrack(const AudioStreamBasicDescription& asbd,
                                               AudioChannelLayout* layout, ByteCount layoutSize) {
    return addTrack(new QTRawAudioTrack(takeAudioTrackNumber(), m_movie, asbd, layout, layoutSize));
}

QTTextTrack* QTWriter::createTextTrack() {
    return addTrack(new QTTextTrack(takeAudioTrackNumber(), m_movie, m_recoveryFile));
}

QTTextTrack* QTWriter::createRecoveryTextTrack() {
    return addTrack(new QTTextTrack(takeAudioTrackNumber(), m_movie, nullptr));
}

void QTWriter::start() {
    forEachTrack([](MovieTrack& track) { track.startTrack(); });
}

void QTWriter::pauseTracksWithDuration(TimeRecord duration) {
    forEachTrack([duration](MovieTrack& track) { track.pauseTrackWithDuration(duration); });
}

void QTWriter::unpauseTracks() {
    forEachTrack([](MovieTrack& track) { track.unpauseTrack(); });
}

void QTWriter::flushTrackDataToDisk() {
    forEachTrack([](MovieTrack& track) { track.flushTrackDataToDisk(); });
}

void QTWriter::finalizeTracksWithDuration(TimeRecord duration) {
    forEachTrack(
        [duration](MovieTrack& track) { track.insertMediaIntoTrackWithDuration(duration); });
}

void QTWriter::finalizeTracksWithTrackMediaDuration() {
    forEachTrack([](MovieTrack& track) { track.insertMediaIntoTrackWithMediaDuration(); });
}

TimeRecord QTWriter::getShortestTrackTimeRecord() {
    TimeScale movieScale = GetMovieTimeScale(m_movie);
    uint32_t shortest = 0x7FFFFFFF;
    forEachTrack([&](MovieTrack& track) {
        TimeRecord segment = track.getCurrentMediaSegmentTimeRecord();
        ConvertTimeScale(&segment, movieScale);
        shortest = std::min(shortest, segment.value.lo);
    });
    return TimeRecord{SInt64ToWide(shortest), movieScale, nullptr};
}

void QTWriter::pauseTracksWithShortestTrackMediaDuration() {
    pauseTracksWithDuration(getShortestTrackTimeRecord());
}

void QTWriter::finalizeTracksWithShortestTrackMediaDuration() {
    finalizeTracksWithDuration(getShortestTrackTimeRecord());
}

void QTWriter::finalizeMovie() {
    short resId = movieInDataForkResID;
    if (!m_fileOpen || AddMovieResource(m_movie, m_movieRefNum, &resId, nullptr) != noErr) {
        throw MVDException("Problem adding movie resource.");
    }
    m_fileOpen = false;
    if (CloseMovieFile(m_movieRefNum) != noErr) {
        throw MVDException("Problem closing movie file.");
    }
}

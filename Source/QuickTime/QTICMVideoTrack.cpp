#include "QuickTime/QTICMVideoTrack.h"

#include <cstdio>

#include "MVDCommon/MVDException.h"
#include "QuickTime/MediaSegment.h"
#include "QuickTime/OwnedHandle.h"

namespace {

constexpr char kBeginEditsError[] = "Unable to begin video media edits.";
constexpr char kEncodeError[] = "ICMCompressionSessionEncodeFrame error";
constexpr char kCompleteError[] = "Problem calling ICMCompressionSessionCompleteFrames";
constexpr char kAddFrameError[] = "AddMediaSampleFromEncodedFrame error";

}  // namespace

// The session goes first: its thread may be in the output callback, which
// uses the media and the recovery file.  Frames it still queues are dropped.
QTICMVideoTrack::~QTICMVideoTrack() {
    m_session.reset();
}

// --- Frames -----------------------------------------------------------------

void QTICMVideoTrack::keepFailure(const std::string& message) {
    std::lock_guard lock(m_failureMutex);
    if (!m_failure) {
        m_failure = message;
    }
}

void QTICMVideoTrack::throwPendingFailure() {
    std::optional<std::string> failure;
    {
        std::lock_guard lock(m_failureMutex);
        failure.swap(m_failure);
    }
    if (failure) {
        throw MVDException(*failure);
    }
}

void QTICMVideoTrack::encode(CVPixelBufferRef pixelBuffer, TimeValue64 displayTimeStamp,
                             TimeValue64 displayDuration, ICMValidTimeFlags flags,
                             ICMCompressionFrameOptionsRef frameOptions,
                             ICMSourceTrackingCallbackRecord* tracking) {
    throwPendingFailure();
    // A frame without a length would stop the session when it reaches the
    // media; it is refused before it gets there.
    if ((flags & kICMValidTime_DisplayDurationIsValid) != 0 && displayDuration <= 0) {
        throw MVDException(kEncodeError);
    }
    if (ICMCompressionSessionEncodeFrame(m_session.get(), pixelBuffer, displayTimeStamp,
                                         displayDuration, flags, frameOptions, tracking,
                                         nullptr) != noErr) {
        // A failed callback stops the session: its message says why.
        throwPendingFailure();
        throw MVDException(kEncodeError);
    }
    m_nextDisplayTimeStamp += displayDuration;
    throwPendingFailure();
}

void QTICMVideoTrack::compressAndWriteCVPixelBuffer(CVPixelBufferRef pixelBuffer, long duration) {
    ICMSourceTrackingCallbackRecord tracking{sourceTrackingProc, this};
    encode(pixelBuffer, m_nextDisplayTimeStamp, static_cast<TimeValue64>(duration),
           kICMValidTime_DisplayTimeStampIsValid | kICMValidTime_DisplayDurationIsValid, nullptr,
           &tracking);
}

// The buffer is in the order the codec reads: 'BGRA' for a 'BGRA' source
// (the screen codec told so reads those bytes unreordered; other codecs get
// them converted by the session), else 32-bit ARGB.  The image copies its
// pixels into a buffer of its own, which the session retains, so an
// asynchronous session never reads pixels the caller has changed since.
void QTICMVideoTrack::compressAndWriteMVDImage(MVDImage* image, long duration) {
    if (image == nullptr) {
        throw MVDException(kEncodeError);
    }
    OSType format = m_pixelFormat == kCVPixelFormatType_32BGRA ? kCVPixelFormatType_32BGRA
                                                               : kCVPixelFormatType_32ARGB;
    compressAndWriteCVPixelBuffer(image->getCVPixelBufferWithPixelFormat(format), duration);
}

void QTICMVideoTrack::writeICMFrame(CVPixelBufferRef pixelBuffer, TimeValue64 displayTimeStamp,
                                    TimeValue64 displayDuration, ICMValidTimeFlags validTimeFlags,
                                    ICMCompressionFrameOptionsRef frameOptions) {
    encode(pixelBuffer, displayTimeStamp, displayDuration, validTimeFlags, frameOptions, nullptr);
}

void QTICMVideoTrack::writeSample(const void* data, int size, int duration,
                                  ImageDescriptionHandle description, MediaSampleFlags flags) {
    // Added and logged under the recovery lock, so that records of all
    // tracks follow the order of the sample data in the movie file.
    RecoveryFileLock lock(m_recoveryFile);
    TimeValue64 decodeTime = 0;
    OSErr err = paramErr;
    if (data != nullptr && size > 0 && duration > 0) {
        err = AddMediaSample2(
            m_media, static_cast<const UInt8*>(data), static_cast<ByteCount>(size), duration, 0,
            reinterpret_cast<SampleDescriptionHandle>(description), 1, flags, &decodeTime);
    }
    if (err != noErr) {
        throw MVDException(mediasegment::AddSampleErrorMessage(err, "QTICMVideoTrack::writeSample",
                                                               data, size, duration));
    }
    if (m_recoveryFile != nullptr) {
        m_sampleFlags = flags;
        OwnedHandle fetched(NewHandleClear(sizeof(ImageDescription)));
        writeRecoveryData(decodeTime, m_trackNumber, HandleAs<SampleDescriptionHandle>(fetched),
                          true);
    }
}

void QTICMVideoTrack::repeatLastFrame(unsigned int) {
    throw MVDException("repeat last frame not implemented");
}

void QTICMVideoTrack::setInputMap(QTModifierTrack*) {}

// --- The output callback ----------------------------------------------------

void QTICMVideoTrack::addEncodedFrame(ICMEncodedFrameRef frame) {
    RecoveryFileLock lock(m_recoveryFile);
    TimeValue64 decodeTime = 0;
    if (AddMediaSampleFromEncodedFrame(m_media, frame, &decodeTime) != noErr) {
        throw MVDException(kAddFrameError);
    }
    if (m_recoveryFile != nullptr) {
        m_sampleFlags = ICMEncodedFrameGetMediaSampleFlags(frame);
        OwnedHandle fetched(NewHandleClear(sizeof(ImageDescription)));
        writeRecoveryData(decodeTime, m_trackNumber, HandleAs<SampleDescriptionHandle>(fetched),
                          true);
    }
}

// Called by the session, perhaps on its own thread: a failure is kept for
// the track's next call rather than thrown across the session, and the
// error returned stops the session.
OSStatus QTICMVideoTrack::writeEncodedFrameToMovie(void* refCon, ICMCompressionSessionRef,
                                                   OSStatus error, ICMEncodedFrameRef frame,
                                                   void*) {
    auto track = static_cast<QTICMVideoTrack*>(refCon);
    if (track == nullptr) {
        return noErr;
    }
    if (error != noErr) {
        track->keepFailure(kEncodeError);
        return error;
    }
    try {
        track->addEncodedFrame(frame);
        return noErr;
    } catch (const std::exception& e) {
        track->keepFailure(e.what());
    } catch (...) {
        track->keepFailure(kAddFrameError);
    }
    return codecErr;
}

void QTICMVideoTrack::sourceTrackingProc(void* refCon, ICMSourceTrackingFlags flags, void*, void*) {
    if (refCon != nullptr) {
        static_cast<QTICMVideoTrack*>(refCon)->sourceTrackingCallback(flags);
    }
}

void QTICMVideoTrack::sourceTrackingCallback(unsigned long flags) {
    if ((flags & kICMSourceTracking_ReleasedPixelBuffer) == 0 &&
        (flags & kICMSourceTracking_CopiedPixelBuffer) != 0) {
        ++m_convertedFrames;
        std::printf(
            "WARNING: losing performance because quicktime is converting the pixel buffer!\n");
    }
}

// --- Segments ---------------------------------------------------------------

void QTICMVideoTrack::completeFrames(const char* message) {
    if (ICMCompressionSessionCompleteFrames(m_session.get(), true, 0, 0) != noErr) {
        throwPendingFailure();
        throw MVDException(message);
    }
    throwPendingFailure();
}

void QTICMVideoTrack::beginEdits() {
    if (BeginMediaEdits(m_media) != noErr) {
        throw SetupException(kBeginEditsError);
    }
}

void QTICMVideoTrack::startTrack() {
    beginEdits();
    m_segmentStart = 0;
    if (m_recoveryFile == nullptr) {
        return;
    }
    MatrixRecord matrix{};
    GetTrackMatrix(m_track, &matrix);
    short layer = GetTrackLayer(m_track);
    m_recoveryFile->writeRecord([&](FILE* stream) {
        recovery::putLabel(stream, "QTVH");
        recovery::putU32(stream, m_trackNumber);
        for (int32_t field : {m_rect.x, m_rect.y, m_rect.width, m_rect.height}) {
            recovery::putS32(stream, field);
        }
        for (const auto& row : matrix.matrix) {
            for (Fixed value : row) {
                recovery::putS32(stream, value);
            }
        }
        recovery::putS16(stream, layer);
    });
}

void QTICMVideoTrack::pauseTrackWithDuration(TimeRecord duration) {
    insertMediaIntoTrackWithDuration(duration);
}

// Frames written before the pause belong to the segment that ended: they
// are in the media before the new segment starts.
void QTICMVideoTrack::unpauseTrack() {
    completeFrames(kCompleteError);
    m_segmentStart = GetMediaDuration(m_media);
    beginEdits();
}

void QTICMVideoTrack::flushTrackDataToDisk() {
    completeFrames(kCompleteError);
}

// Measured with every frame handed in so far; a session failure is left
// for the insert that follows to report.
TimeRecord QTICMVideoTrack::getCurrentMediaSegmentTimeRecord() {
    ICMCompressionSessionCompleteFrames(m_session.get(), true, 0, 0);
    return getTimeRecordForCurrentMediaSegment();
}

void QTICMVideoTrack::insertMediaIntoTrackWithDuration(TimeRecord duration) {
    completeFrames(kCompleteError);
    if (EndMediaEdits(m_media) != noErr) {
        throw MVDException("Problem ending media edits.");
    }
    int64_t mediaDuration = mediasegment::ToMediaTime(m_media, duration);
    if (mediasegment::InsertAtTrackEnd(m_track, m_segmentStart, mediaDuration) != noErr) {
        std::printf("Error inserting media into track in QTICMVideoTrack");
        throw MVDException("Problem inserting media into video track.");
    }
}

// The current segment at its own length: after pauses the media holds
// earlier segments too, which are already in the track.
void QTICMVideoTrack::insertMediaIntoTrackWithMediaDuration() {
    insertMediaIntoTrackWithDuration(getCurrentMediaSegmentTimeRecord());
}

// --- Attributes and recovery ------------------------------------------------

void QTICMVideoTrack::getTrackDimensions(unsigned int* width, unsigned int* height) {
    Fixed w = 0;
    Fixed h = 0;
    GetTrackDimensions(m_track, &w, &h);
    if (width != nullptr) {
        *width = (static_cast<unsigned int>(w) + 0x8000) >> 16;
    }
    if (height != nullptr) {
        *height = (static_cast<unsigned int>(h) + 0x8000) >> 16;
    }
}

void QTICMVideoTrack::addTrackReference(Track track, unsigned long type) {
    AddTrackReference(m_track, track, static_cast<OSType>(type), nullptr);
}

void QTICMVideoTrack::setMediaGraphicsMode(long mode, const RGBColor* color) {
    MediaSetGraphicsMode(GetMediaHandler(m_media), mode, color);
}

void QTICMVideoTrack::setTrackLayer(short layer) {
    SetTrackLayer(m_track, layer);
}

double QTICMVideoTrack::getMediaDurationInSeconds() {
    TimeScale scale = GetMediaTimeScale(m_media);
    return scale == 0 ? 0.0 : static_cast<double>(GetMediaDuration(m_media) / scale);
}

const char* QTICMVideoTrack::sampleLabel() {
    return "QTVS";
}

void QTICMVideoTrack::writeSampleDescription(SampleDescription** description, FILE* stream) {
    writeDescriptionOnce(description, stream);
}

void QTICMVideoTrack::writeAdditionalRecoveryData(FILE* stream) {
    recovery::putU32(stream, m_sampleFlags);
}

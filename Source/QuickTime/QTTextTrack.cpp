#include "QuickTime/QTTextTrack.h"

#include <algorithm>
#include <cstdio>

#include "CoreFoundation/CFData.h"
#include "MVDCommon/MVDException.h"
#include "QuickTime/MediaSegment.h"

namespace {

constexpr char kInsertError[] = "Error in QTTextTrack::finalizeTrack";

// Releases a Core Foundation object at the end of a scope.
class CFOwner {
  public:
    explicit CFOwner(CFTypeRef object) : m_object(object) {}
    ~CFOwner() {
        if (m_object != nullptr) {
            CFRelease(m_object);
        }
    }
    CFOwner(const CFOwner&) = delete;
    CFOwner& operator=(const CFOwner&) = delete;

  private:
    CFTypeRef m_object;
};

}  // namespace

QTTextTrack::QTTextTrack(uint32_t trackNumber, Movie movie, QTRecoveryWriterFile* recoveryFile)
    : MovieTrack(trackNumber) {
    m_track = NewMovieTrack(movie, 0, 0, kNoVolume);
    if (m_track == nullptr) {
        throw SetupException("Unable to create text track.");
    }
    m_media = NewTrackMedia(m_track, TextMediaType, kTimeScale, nullptr, 0);
    if (m_media == nullptr) {
        throw SetupException("Unable to create text media.");
    }
    m_recoveryFile = recoveryFile;
    if (m_recoveryFile != nullptr) {
        m_recoveryFile->retain();
    }
}

QTTextTrack::~QTTextTrack() {
    if (m_recoveryFile != nullptr) {
        m_recoveryFile->release();
    }
}

void QTTextTrack::writeTextSample(CFStringRef text, int64_t duration) {
    MediaHandler handler = GetMediaHandler(m_media);
    Rect box;
    SetRect(&box, 0, 0, 200, 100);
    TextEncoding encoding = kTextEncodingUnicodeDefault;
    if (TextMediaSetTextSampleData(handler, &encoding, kTXNTextEncodingAttribute) != noErr) {
        throw MVDException("Error setting text sample data");
    }
    SetMediaLanguage(m_media, 0);
    if (GetMoviesError() != noErr) {
        throw MVDException("Error setting the media language.");
    }
    CFDataRef utf8 = text == nullptr ? nullptr
                                     : CFStringCreateExternalRepresentation(
                                           nullptr, text, kCFStringEncodingUTF8, 0);
    if (utf8 == nullptr) {
        throw MVDException("Error creating text media sample's external representation!");
    }
    CFOwner release(utf8);
    auto bytes = reinterpret_cast<Ptr>(const_cast<UInt8*>(CFDataGetBytePtr(utf8)));
    auto length = static_cast<unsigned long>(CFDataGetLength(utf8));
    // Durations beyond 32 bits cannot be a text sample's; they are refused
    // rather than cut to their low half.
    if (duration <= 0 || duration > INT32_MAX) {
        throw MVDException("Error adding text media sample");
    }
    RecoveryFileLock lock(m_recoveryFile);
    if (TextMediaAddTextSample(handler, bytes, length, 0, 0, normal, nullptr, nullptr, teCenter,
                               &box, dfClipToTextBox, 0, 0, 0, nullptr,
                               static_cast<TimeValue>(duration), nullptr) != noErr) {
        throw MVDException("Error adding text media sample");
    }
    if (m_recoveryFile != nullptr) {
        m_recoveryFile->writeRecord([&](FILE* stream) {
            recovery::putLabel(stream, "QTTS");
            recovery::putU32(stream, m_trackNumber);
            recovery::putU32(stream, static_cast<uint32_t>(length));
            recovery::putU32(stream, kCFStringEncodingUTF8);
            recovery::putBytes(stream, bytes, length);
            recovery::putS64(stream, duration);
        });
    }
}

void QTTextTrack::beginEdits() {
    if (BeginMediaEdits(m_media) != noErr) {
        throw SetupException("Unable to begin text media edits.");
    }
}

void QTTextTrack::startTrack() {
    beginEdits();
    if (m_recoveryFile != nullptr) {
        m_recoveryFile->writeRecord([this](FILE* stream) {
            recovery::putLabel(stream, "QTTH");
            recovery::putU32(stream, m_trackNumber);
            recovery::putU32(stream, m_chapterOwner);
        });
    }
}

void QTTextTrack::pauseTrackWithDuration(TimeRecord duration) {
    insertMediaIntoTrackWithDuration(duration);
}

void QTTextTrack::unpauseTrack() {
    m_segmentStart = GetMediaDuration(m_media);
    beginEdits();
}

void QTTextTrack::flushTrackDataToDisk() {}

TimeRecord QTTextTrack::getCurrentMediaSegmentTimeRecord() {
    return mediasegment::CurrentSegment(m_media, m_segmentStart);
}

// Each segment goes to the end of the track, as with the other tracks, so
// that a recording with pauses keeps its captions in step; a recording
// without pauses gets its whole text media at track time 0.
void QTTextTrack::insertMediaIntoTrackWithDuration(TimeRecord duration) {
    if (EndMediaEdits(m_media) != noErr) {
        throw MVDException(kInsertError);
    }
    int64_t recorded = static_cast<int64_t>(GetMediaDuration(m_media)) - m_segmentStart;
    int64_t wanted = mediasegment::ToMediaTime(m_media, duration);
    int64_t inserted = std::clamp<int64_t>(wanted, 0, recorded);
    if (mediasegment::InsertAtTrackEnd(m_track, m_segmentStart, inserted) != noErr) {
        std::printf("TextTrack m_Media duration = %d\n",
                    static_cast<int>(GetMediaDuration(m_media)));
        throw MVDException(kInsertError);
    }
}

void QTTextTrack::insertMediaIntoTrackWithMediaDuration() {
    insertMediaIntoTrackWithDuration(getCurrentMediaSegmentTimeRecord());
}

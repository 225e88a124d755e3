#include "QuickTime/QTRawAudioTrack.h"

#include <cstdlib>
#include <memory>

#include "MVDCommon/MVDException.h"
#include "QuickTime/MediaSegment.h"

namespace {

struct FreeLayout {
    void operator()(AudioChannelLayout* layout) const { std::free(layout); }
};

}  // namespace

QTRawAudioTrack::QTRawAudioTrack(uint32_t trackNumber, Movie movie, uint32_t channels,
                                 uint32_t sampleRate, uint32_t bitsPerSample,
                                 AudioFormatID formatID, AudioFormatFlags formatFlags)
    : AudioTrack(trackNumber, channels, sampleRate, bitsPerSample) {
    AudioChannelLayout layout{};
    if (channels == 1) {
        layout.mChannelLayoutTag = kAudioChannelLayoutTag_Mono;
    } else if (channels == 2) {
        layout.mChannelLayoutTag = kAudioChannelLayoutTag_Stereo;
    } else {
        throw SetupException("Invalid number of channels!");
    }
    setUpTrackAndMedia(movie);
    AudioStreamBasicDescription asbd{};
    asbd.mSampleRate = sampleRate;
    asbd.mFormatID = formatID;
    asbd.mFormatFlags = formatFlags;
    asbd.mBytesPerPacket = bitsPerSample / 8 * channels;
    asbd.mFramesPerPacket = 1;
    asbd.mBytesPerFrame = asbd.mBytesPerPacket;
    asbd.mChannelsPerFrame = channels;
    asbd.mBitsPerChannel = bitsPerSample;
    createSoundDescription(asbd, &layout, AudioChannelLayoutSize(0));
}

QTRawAudioTrack::QTRawAudioTrack(uint32_t trackNumber, Movie movie,
                                 const AudioStreamBasicDescription& asbd,
                                 AudioChannelLayout* layout, ByteCount layoutSize)
    : AudioTrack(trackNumber, asbd.mChannelsPerFrame,
                 mediasegment::ClampedSampleRate(asbd.mSampleRate), asbd.mBitsPerChannel) {
    // Owned from here on, also when setting up fails.
    std::unique_ptr<AudioChannelLayout, FreeLayout> owned(layout);
    setUpTrackAndMedia(movie);
    createSoundDescription(asbd, owned.get(), layoutSize);
}

QTRawAudioTrack::~QTRawAudioTrack() {
    DisposeHandle(reinterpret_cast<Handle>(m_soundDescription));
}

void QTRawAudioTrack::setUpTrackAndMedia(Movie movie) {
    m_track = NewMovieTrack(movie, 0, 0, kFullVolume);
    if (m_track == nullptr) {
        throw SetupException("Unable to create audio track.");
    }
    m_media =
        NewTrackMedia(m_track, SoundMediaType, static_cast<TimeScale>(m_sampleRate), nullptr, 0);
    if (m_media == nullptr) {
        throw SetupException("Unable to create audio media.");
    }
}

void QTRawAudioTrack::createSoundDescription(AudioStreamBasicDescription asbd,
                                             AudioChannelLayout* layout, ByteCount layoutSize) {
    if (QTSoundDescriptionCreate(&asbd, layout, layoutSize, nullptr, 0,
                                 kQTSoundDescriptionKind_Movie_LowestPossibleVersion,
                                 &m_soundDescription) != noErr) {
        throw SetupException("Error creating sound description");
    }
}

void QTRawAudioTrack::startTrack() {
    if (BeginMediaEdits(m_media) != noErr) {
        throw SetupException("Unable to begin audio media edits.");
    }
}

void QTRawAudioTrack::pauseTrackWithDuration(TimeRecord) {}

// The media runs on across pauses; only where the current segment began
// is noted, so that it can be measured against the other tracks.
void QTRawAudioTrack::unpauseTrack() {
    m_segmentStart = GetMediaDuration(m_media);
}

void QTRawAudioTrack::flushTrackDataToDisk() {}

void QTRawAudioTrack::writeBuffer(short*, int, SoundDescription**) {}

TimeRecord QTRawAudioTrack::getCurrentMediaSegmentTimeRecord() {
    return mediasegment::CurrentSegment(m_media, m_segmentStart);
}

void QTRawAudioTrack::endEdits() {
    if (EndMediaEdits(m_media) != noErr) {
        throw MVDException("Problem ending media edits.");
    }
}

// The duration is the current segment's, as for the other tracks: the
// earlier segments, which pausing left in the media, go with it in one edit
// from the media's start.
void QTRawAudioTrack::insertMediaIntoTrackWithDuration(TimeRecord duration) {
    endEdits();
    int64_t mediaDuration = m_segmentStart + mediasegment::ToMediaTime(m_media, duration);
    if (mediasegment::InsertAtTrackEnd(m_track, 0, mediaDuration) != noErr) {
        throw MVDException("Problem inserting media into audio track.");
    }
}

void QTRawAudioTrack::insertMediaIntoTrackWithMediaDuration() {
    insertMediaIntoTrackWithDuration(getCurrentMediaSegmentTimeRecord());
}

void QTRawAudioTrack::finalizeTrack() {
    endEdits();
    if (mediasegment::InsertAtTrackEnd(m_track, 0, GetMediaDuration(m_media)) != noErr) {
        throw MVDException("Error in InsertMediaIntoTrack");
    }
}

void QTRawAudioTrack::writeSample(const void* data, int size, int duration, int numberOfSamples,
                                  TimeValue64* decodeTime) {
    OSErr err = paramErr;
    if (data != nullptr && size > 0 && duration > 0 && numberOfSamples > 0) {
        err = AddMediaSample2(m_media, static_cast<const UInt8*>(data),
                              static_cast<ByteCount>(size), duration, 0,
                              reinterpret_cast<SampleDescriptionHandle>(m_soundDescription),
                              static_cast<ItemCount>(numberOfSamples), 0, decodeTime);
    }
    if (err != noErr) {
        throw MVDException("Error in QTRawAudioTrack::writeSample - AddMediaSample2");
    }
}

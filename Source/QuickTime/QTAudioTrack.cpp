#include "QuickTime/QTAudioTrack.h"

#include <cstring>

#include "MVDCommon/MVDException.h"
#include "QuickTime/MediaSegment.h"

namespace {

constexpr char kBeginEditsError[] = "Unable to begin audio media edits.";

}  // namespace

QTAudioTrack::QTAudioTrack(uint32_t trackNumber, Movie movie, uint32_t channels,
                           uint32_t sampleRate, uint32_t bitsPerSample, unsigned long,
                           QTRecoveryWriterFile* recoveryFile)
    : AudioTrack(trackNumber, channels, sampleRate, bitsPerSample) {
    setUpTrackAndMedia(movie, static_cast<TimeScale>(sampleRate));
    setRecoveryFile(recoveryFile);
}

QTAudioTrack::~QTAudioTrack() = default;

void QTAudioTrack::setUpTrackAndMedia(Movie movie, TimeScale timeScale) {
    m_descriptionWritten = false;
    m_segmentStart = 0;
    m_track = NewMovieTrack(movie, 0, 0, kFullVolume);
    if (m_track == nullptr || GetMoviesError() != noErr) {
        throw SetupException("Unable to create audio track.");
    }
    m_media = NewTrackMedia(m_track, SoundMediaType, timeScale, nullptr, 0);
    if (m_media == nullptr || GetMoviesError() != noErr) {
        throw SetupException("Unable to create audio media.");
    }
}

void QTAudioTrack::beginEdits() {
    if (BeginMediaEdits(m_media) != noErr) {
        throw SetupException(kBeginEditsError);
    }
}

void QTAudioTrack::startTrack() {
    beginEdits();
    m_segmentStart = 0;
    if (m_recoveryFile != nullptr) {
        m_recoveryFile->writeRecord([this](FILE* stream) {
            recovery::putLabel(stream, "QTAH");
            recovery::putU32(stream, m_trackNumber);
            recovery::putU32(stream, m_channels);
            recovery::putU32(stream, m_sampleRate);
            recovery::putU32(stream, m_bitsPerSample);
        });
    }
}

void QTAudioTrack::pauseTrackWithDuration(TimeRecord duration) {
    insertMediaIntoTrackWithDuration(duration);
}

void QTAudioTrack::unpauseTrack() {
    m_segmentStart = GetMediaDuration(m_media);
    beginEdits();
}

void QTAudioTrack::flushTrackDataToDisk() {}

TimeRecord QTAudioTrack::getCurrentMediaSegmentTimeRecord() {
    return getTimeRecordForCurrentMediaSegment();
}

void QTAudioTrack::insertMediaIntoTrackWithDuration(TimeRecord duration) {
    if (EndMediaEdits(m_media) != noErr) {
        throw MVDException("Problem ending media edits.");
    }
    int64_t mediaDuration = mediasegment::ToMediaTime(m_media, duration);
    if (mediaDuration == 0) {
        return;
    }
    if (mediasegment::InsertAtTrackEnd(m_track, m_segmentStart, mediaDuration) != noErr) {
        throw MVDException("Problem inserting media into audio track.");
    }
}

// The current segment at its own length: after pauses the media holds
// earlier segments too, which are already in the track.
void QTAudioTrack::insertMediaIntoTrackWithMediaDuration() {
    insertMediaIntoTrackWithDuration(getCurrentMediaSegmentTimeRecord());
}

void QTAudioTrack::writeSample(const void* data, int size, int duration,
                               SoundDescriptionHandle description, int numberOfSamples,
                               TimeValue64* decodeTime) {
    OSErr err = paramErr;
    if (data != nullptr && size > 0 && duration > 0 && numberOfSamples > 0) {
        err =
            AddMediaSample2(m_media, static_cast<const UInt8*>(data), static_cast<ByteCount>(size),
                            duration, 0, reinterpret_cast<SampleDescriptionHandle>(description),
                            static_cast<ItemCount>(numberOfSamples), 0, decodeTime);
    }
    if (err != noErr) {
        throw MVDException(mediasegment::AddSampleErrorMessage(err, "QTAudioTrack::writeSample",
                                                               data, size, duration));
    }
}

void QTAudioTrack::writeBuffer(short* buffer, int size, SoundDescription** description) {
    int frameBytes = static_cast<int>(m_bitsPerSample / 8 * m_channels);
    if (frameBytes <= 0) {
        throw MVDException("Uncompressed samples need a track with channels and a sample size.");
    }
    if (size < 0 || size % frameBytes != 0) {
        throw MVDException("Error in writeBuffer: the buffer is not a whole number of frames.");
    }
    if (size == 0) {
        return;
    }
    // Holding the recovery lock across adding and logging keeps the records
    // of all tracks in the order their samples reached the movie file.
    RecoveryFileLock lock(m_recoveryFile);
    TimeValue64 decodeTime = 0;
    writeSample(buffer, size, 1, description, size / frameBytes, &decodeTime);
    writeRecoveryData(decodeTime, m_trackNumber,
                      reinterpret_cast<SampleDescriptionHandle>(description), false);
}

void QTAudioTrack::writeCompressedBuffer(const void* buffer, UInt32, UInt32*,
                                         CFDataRef packetDescriptions, SInt32,
                                         SoundDescriptionHandle description) {
    if (m_inputASBD == nullptr) {
        auto asbd = std::make_unique<AudioStreamBasicDescription>();
        if (QTSoundDescriptionGetProperty(description, kQTPropertyClass_SoundDescription,
                                          kQTSoundDescriptionPropertyID_AudioStreamBasicDescription,
                                          sizeof(AudioStreamBasicDescription), asbd.get(),
                                          nullptr) != noErr) {
            throw SetupException("Unable to get audio stream basic description");
        }
        m_inputASBD = std::move(asbd);
    }
    if (packetDescriptions == nullptr) {
        throw MVDException("Error in writeCompressedBuffer: no packet descriptions");
    }
    CFIndex count = CFDataGetLength(packetDescriptions) /
                    static_cast<CFIndex>(sizeof(AudioStreamPacketDescription));
    if (count <= 0) {
        return;
    }
    const UInt8* bytes = CFDataGetBytePtr(packetDescriptions);
    for (CFIndex i = 0; i < count; ++i) {
        AudioStreamPacketDescription packet;
        std::memcpy(&packet, bytes + i * sizeof packet, sizeof packet);
        addPacket(static_cast<const UInt8*>(buffer), packet, description);
    }
}

void QTAudioTrack::addPacket(const UInt8* data, const AudioStreamPacketDescription& packet,
                             SoundDescriptionHandle description) {
    // Streams of variable frames per packet give each packet's own count.
    TimeValue64 frames = m_inputASBD->mFramesPerPacket != 0 ? m_inputASBD->mFramesPerPacket
                                                            : packet.mVariableFramesInPacket;
    if (data == nullptr || packet.mStartOffset < 0) {
        throw MVDException("Error in writeCompressedBuffer");
    }
    RecoveryFileLock lock(m_recoveryFile);
    TimeValue64 decodeTime = 0;
    if (AddMediaSample2(m_media, data + packet.mStartOffset, packet.mDataByteSize, frames, 0,
                        reinterpret_cast<SampleDescriptionHandle>(description), 1, 0,
                        &decodeTime) != noErr) {
        throw MVDException("Error in writeCompressedBuffer");
    }
    writeRecoveryData(decodeTime, m_trackNumber,
                      reinterpret_cast<SampleDescriptionHandle>(description), false);
}

const char* QTAudioTrack::sampleLabel() {
    return "QTAS";
}

void QTAudioTrack::writeSampleDescription(SampleDescription** description, FILE* stream) {
    writeDescriptionOnce(description, stream);
}

#include "QuickTime/MVDQTTrack.h"

#include "MVDCommon/MVDException.h"
#include "QuickTime/MediaSegment.h"
#include "QuickTime/OwnedHandle.h"

MVDQTTrack::~MVDQTTrack() {
    setRecoveryFile(nullptr);
}

const char* MVDQTTrack::sampleLabel() {
    return "XXXX";
}

void MVDQTTrack::writeSampleDescription(SampleDescription**, FILE*) {}

void MVDQTTrack::writeAdditionalRecoveryData(FILE*) {}

void MVDQTTrack::setRecoveryFile(QTRecoveryWriterFile* file) {
    if (file != nullptr) {
        file->retain();
    }
    if (m_recoveryFile != nullptr) {
        m_recoveryFile->release();
    }
    m_recoveryFile = file;
}

void MVDQTTrack::writeDescriptionOnce(SampleDescription** description, FILE* stream) {
    if (m_descriptionWritten) {
        return;
    }
    if (description == nullptr || *description == nullptr) {
        throw MVDException("No sample description for the recovery file");
    }
    SInt32 size = (*description)->descSize;
    if (size < static_cast<SInt32>(sizeof(SampleDescription)) ||
        size > GetHandleSize(reinterpret_cast<Handle>(description))) {
        throw MVDException("Invalid sample description for the recovery file");
    }
    recovery::putU32(stream, static_cast<uint32_t>(size));
    recovery::putBytes(stream, *description, static_cast<size_t>(size));
    m_descriptionWritten = true;
}

void MVDQTTrack::writeRecoveryData(TimeValue64 time, uint32_t trackNumber,
                                   SampleDescriptionHandle description, bool fillDescription) {
    if (m_recoveryFile == nullptr) {
        return;
    }
    RecoveryFileLock lock(m_recoveryFile);
    // The first record of a track carries the description: fetch it from
    // the media when the caller has none.
    OwnedHandle fetched;
    if (!m_descriptionWritten && description == nullptr) {
        fetched.reset(NewHandleClear(0));
        description = HandleAs<SampleDescriptionHandle>(fetched);
        fillDescription = true;
    }
    TimeValue sampleTime = 0;
    long descriptionIndex = 0;
    long count = 0;
    SampleReference64Record reference{};
    OSErr err = GetMediaSampleReferences64(m_media, static_cast<TimeValue>(time), &sampleTime,
                                           fillDescription ? description : nullptr,
                                           &descriptionIndex, 1, &count, &reference);
    if (err != noErr || (fillDescription && description == nullptr)) {
        throw MVDException("Error GetMediaSampleReference in MovieTrack");
    }
    bool wasWritten = m_descriptionWritten;
    try {
        m_recoveryFile->writeRecord([&](FILE* stream) {
            recovery::putLabel(stream, sampleLabel());
            recovery::putU32(stream, trackNumber);
            writeSampleDescription(description, stream);
            recovery::putS64(stream, WideToSInt64(reference.dataOffset));
            recovery::putU32(stream, reference.dataSize);
            recovery::putS32(stream, sampleTime);
            recovery::putS32(stream, reference.durationPerSample);
            recovery::putS32(stream, static_cast<int32_t>(count));
            writeAdditionalRecoveryData(stream);
        });
    } catch (...) {
        // The record never reached the file: the next one carries the
        // description again.
        m_descriptionWritten = wasWritten;
        throw;
    }
}

TimeRecord MVDQTTrack::getMediaTimeRecordWithTime(long time) {
    return mediasegment::MediaTimeRecord(m_media, time);
}

TimeRecord MVDQTTrack::getTrackTimeRecordWithTime(long time) {
    return mediasegment::TrackTimeRecord(m_track, time);
}

TimeRecord MVDQTTrack::getTimeRecordForCurrentMediaSegment() {
    return mediasegment::CurrentSegment(m_media, m_segmentStart);
}

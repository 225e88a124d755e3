// Compression sessions: the caller's side (checks, times, queueing) and the
// encoding side (codec, source tracking, output), which runs on the caller's
// thread or on the session's worker thread.

#include "ImageCompression/ICMCompressionSession.h"

#include <atomic>
#include <memory>
#include <new>

#include "Base/MacMemory.h"
#include "ImageCompression/CompressionWorker.h"
#include "ImageCompression/CompressorSequence.h"
#include "ImageCompression/ICMSessionObjects.h"
#include "ImageCompression/PixelConversion.h"

using icm::FrameJob;

namespace {

constexpr ICMValidTimeFlags kTimeStampFlags = kICMValidTime_DisplayTimeStampIsValid |
                                              kICMValidTime_DecodeTimeStampIsValid |
                                              kICMValidTime_DisplayOffsetIsValid;
constexpr ICMValidTimeFlags kDurationFlags =
    kICMValidTime_DisplayDurationIsValid | kICMValidTime_DecodeDurationIsValid;

// Runs a client callback; an exception thrown by it becomes an error code
// instead of unwinding through the session (or ending its thread).
template <typename Call>
OSStatus Guarded(Call call) {
    try {
        return call();
    } catch (...) {
        return internalQuickTimeError;
    }
}

}  // namespace

struct OpaqueICMCompressionSession : icm::RefCounted {
    ~OpaqueICMCompressionSession();

    OSStatus begin(int width, int height, CodecType cType, TimeScale timescale,
                   ICMCompressionSessionOptionsRef options,
                   const ICMEncodedFrameOutputRecord& record);

    // Caller side.
    OSStatus encode(CVPixelBufferRef buffer, TimeValue64 timeStamp, TimeValue64 duration,
                    ICMValidTimeFlags validTimeFlags, ICMCompressionFrameOptionsRef frameOptions,
                    const ICMSourceTrackingCallbackRecord* tracking, void* refCon);
    OSStatus complete(TimeValue64 nextTimeStamp);
    OSStatus resolveTimes(FrameJob& job, TimeValue64 timeStamp, TimeValue64 duration,
                          ICMValidTimeFlags flags);

    // Encoding side.
    void process(FrameJob& job);
    void drop(FrameJob& job);
    void flush(const FrameJob& job);
    bool keyFrameDue() const;
    void deliver(OpaqueICMEncodedFrame* frame, bool durationValid);
    void emit(OpaqueICMEncodedFrame* frame);
    void fail(OSStatus err);
    void track(const FrameJob& job, ICMSourceTrackingFlags flags);
    static void releaseBuffer(FrameJob& job);

    int width = 0;
    int height = 0;
    TimeScale timeScale = 0;
    icm::SessionOptionValues settings;
    ICMCompressionSessionOptionsRef options = nullptr;  // retained; quality is read per frame
    ICMEncodedFrameOutputRecord output{};
    std::shared_ptr<icm::SharedImageDescription> description;
    std::shared_ptr<icm::FrameBufferPool> pool;
    std::atomic<OSStatus> keptError{noErr};

    // Encoding side only.
    icm::CompressorSequence sequence;
    UInt32 decodeNumber = 0;
    SInt64 framesSinceKeyFrame = 0;
    OpaqueICMEncodedFrame* held = nullptr;  // waiting for its duration

    // Caller side only.
    bool haveFrame = false;
    TimeValue64 lastTimeStamp = 0;
    TimeValue64 lastDuration = 0;
    bool lastDurationValid = false;
    std::unique_ptr<icm::CompressionWorker> worker;  // asynchronous sessions
};

OpaqueICMCompressionSession::~OpaqueICMCompressionSession() {
    worker.reset();
    ICMEncodedFrameRelease(held);
    ICMCompressionSessionOptionsRelease(options);
}

OSStatus OpaqueICMCompressionSession::begin(int w, int h, CodecType cType, TimeScale timescale,
                                            ICMCompressionSessionOptionsRef opts,
                                            const ICMEncodedFrameOutputRecord& record) {
    width = w;
    height = h;
    timeScale = timescale;
    output = record;
    if (opts != nullptr) {
        options = ICMCompressionSessionOptionsRetain(opts);
        settings = opts->snapshot();
    }
    icm::SequenceSettings seq;
    seq.codecType = cType;
    seq.compressor = settings.compressor;
    seq.width = w;
    seq.height = h;
    seq.depth = static_cast<SInt16>(settings.depth == 0 ? 32 : settings.depth);
    seq.spatialQuality = settings.quality;
    seq.temporalCompression = settings.allowTemporalCompression;
    if (OSStatus err = sequence.begin(seq); err != noErr) {
        return err;
    }
    Handle h2 = NewHandle(sizeof(ImageDescription));
    if (h2 == nullptr) {
        return memFullErr;
    }
    auto handle = reinterpret_cast<ImageDescriptionHandle>(h2);
    **handle = sequence.description();
    description = std::make_shared<icm::SharedImageDescription>(handle);
    pool = std::make_shared<icm::FrameBufferPool>(sequence.maxFrameSize());
    if (settings.allowAsyncCompletion) {
        worker = std::make_unique<icm::CompressionWorker>(
            kICMCompressionSessionMaxQueuedFrames, [this](FrameJob& job) { process(job); },
            [this](FrameJob& job) { drop(job); });
    }
    return noErr;
}

// --- Caller side ------------------------------------------------------------

OSStatus OpaqueICMCompressionSession::resolveTimes(FrameJob& job, TimeValue64 timeStamp,
                                                   TimeValue64 duration, ICMValidTimeFlags flags) {
    if ((flags & kICMValidTime_DisplayTimeStampIsValid) != 0) {
        if (haveFrame && timeStamp <= lastTimeStamp) {
            return paramErr;
        }
        job.timeStamp = timeStamp;
    } else if (!haveFrame) {
        job.timeStamp = 0;
    } else if (lastDurationValid) {
        job.timeStamp = lastTimeStamp + lastDuration;
    } else {
        return paramErr;  // nothing tells where this frame starts
    }
    job.durationValid = (flags & kICMValidTime_DisplayDurationIsValid) != 0;
    if (job.durationValid && duration <= 0) {
        return paramErr;
    }
    job.duration = job.durationValid ? duration : 0;
    return noErr;
}

OSStatus OpaqueICMCompressionSession::encode(CVPixelBufferRef buffer, TimeValue64 timeStamp,
                                             TimeValue64 duration, ICMValidTimeFlags flags,
                                             ICMCompressionFrameOptionsRef frameOptions,
                                             const ICMSourceTrackingCallbackRecord* tracking,
                                             void* refCon) {
    if (buffer == nullptr || CVPixelBufferGetWidth(buffer) != static_cast<size_t>(width) ||
        CVPixelBufferGetHeight(buffer) != static_cast<size_t>(height) ||
        CVPixelBufferGetBaseAddress(buffer) == nullptr ||
        icm::ConvertibleBytesPerPixel(CVPixelBufferGetPixelFormatType(buffer)) == 0) {
        return paramErr;
    }
    if (OSStatus err = keptError.load(); err != noErr) {
        return err;
    }
    if (worker && worker->onWorkerThread()) {
        return paramErr;  // from one of the session's own callbacks
    }
    FrameJob job;
    if (OSStatus err = resolveTimes(job, timeStamp, duration, flags); err != noErr) {
        return err;
    }
    job.forceKeyFrame = frameOptions != nullptr &&
                        (frameOptions->forceKeyFrame || frameOptions->frameType == kICMFrameType_I);
    job.quality = options != nullptr ? options->snapshot().quality : settings.quality;
    if (tracking != nullptr) {
        job.tracking = *tracking;
    }
    job.sourceFrameRefCon = refCon;
    job.buffer = CVPixelBufferRetain(buffer);
    haveFrame = true;
    lastTimeStamp = job.timeStamp;
    lastDuration = job.duration;
    lastDurationValid = job.durationValid;
    if (worker) {
        worker->push(std::move(job));
        return noErr;
    }
    process(job);
    return keptError.load();
}

OSStatus OpaqueICMCompressionSession::complete(TimeValue64 nextTimeStamp) {
    FrameJob job;
    job.kind = FrameJob::kFlush;
    job.nextTimeStamp = nextTimeStamp;
    job.nextTimeStampValid = haveFrame && nextTimeStamp > lastTimeStamp;
    if (worker) {
        if (worker->onWorkerThread()) {
            return paramErr;  // from one of the session's own callbacks
        }
        worker->waitFor(worker->push(std::move(job)));
    } else {
        flush(job);
    }
    return keptError.load();
}

// --- Encoding side ----------------------------------------------------------

void OpaqueICMCompressionSession::track(const FrameJob& job, ICMSourceTrackingFlags flags) {
    if (job.tracking.sourceTrackingCallback != nullptr) {
        OSStatus err = Guarded([&] {
            job.tracking.sourceTrackingCallback(job.tracking.sourceTrackingRefCon, flags,
                                                job.sourceFrameRefCon, nullptr);
            return OSStatus{noErr};
        });
        if (err != noErr) {
            fail(err);
        }
    }
}

void OpaqueICMCompressionSession::releaseBuffer(FrameJob& job) {
    CVPixelBufferRelease(job.buffer);
    job.buffer = nullptr;
}

void OpaqueICMCompressionSession::drop(FrameJob& job) {
    if (job.kind == FrameJob::kFrame) {
        releaseBuffer(job);
        track(job, kICMSourceTracking_LastCall | kICMSourceTracking_ReleasedPixelBuffer |
                       kICMSourceTracking_FrameWasDropped);
    }
}

bool OpaqueICMCompressionSession::keyFrameDue() const {
    const SInt32 interval = settings.maxKeyFrameInterval;
    return !settings.allowTemporalCompression ||
           (interval > 0 && framesSinceKeyFrame + 1 >= interval);
}

void OpaqueICMCompressionSession::process(FrameJob& job) {
    if (job.kind == FrameJob::kFlush) {
        flush(job);
        return;
    }
    if (keptError.load() != noErr) {
        drop(job);
        return;
    }
    auto* frame = new (std::nothrow) OpaqueICMEncodedFrame;
    if (frame == nullptr) {
        fail(memFullErr);
        drop(job);
        return;
    }
    frame->pool = pool;
    frame->buffer = pool->take();
    const CodecQ quality = job.quality;
    const CodecQ temporal = settings.allowTemporalCompression ? (quality != 0 ? quality : 1) : 0;
    icm::SequenceFrame result;
    const OSStatus err = sequence.compress(job.buffer, job.forceKeyFrame || keyFrameDue(), quality,
                                           temporal, frame->buffer.data(), result, [&] {
                                               track(job, kICMSourceTracking_CopiedPixelBuffer);
                                               releaseBuffer(job);
                                           });
    releaseBuffer(job);
    if (err != noErr) {
        ICMEncodedFrameRelease(frame);
        fail(err);
        track(job, kICMSourceTracking_LastCall | kICMSourceTracking_ReleasedPixelBuffer |
                       kICMSourceTracking_FrameWasDropped);
        return;
    }
    track(job, kICMSourceTracking_LastCall | kICMSourceTracking_ReleasedPixelBuffer |
                   kICMSourceTracking_FrameWasEncoded);
    framesSinceKeyFrame = result.keyFrame ? 0 : framesSinceKeyFrame + 1;
    frame->dataSize = result.size;
    frame->decodeNumber = ++decodeNumber;
    frame->timeScale = timeScale;
    frame->displayTimeStamp = job.timeStamp;
    frame->displayDuration = job.duration;
    frame->validTimeFlags = kTimeStampFlags | (job.durationValid ? kDurationFlags : 0);
    frame->sampleFlags =
        result.keyFrame ? MediaSampleFlags{0} : MediaSampleFlags{mediaSampleNotSync};
    frame->frameType = result.keyFrame ? kICMFrameType_I : kICMFrameType_P;
    frame->sourceFrameRefCon = job.sourceFrameRefCon;
    frame->description = description;
    deliver(frame, job.durationValid);
}

// Frames leave in order; one without a duration waits for the next frame's
// time stamp when durations are needed.
void OpaqueICMCompressionSession::deliver(OpaqueICMEncodedFrame* frame, bool durationValid) {
    if (held != nullptr) {
        held->displayDuration = frame->displayTimeStamp - held->displayTimeStamp;
        held->validTimeFlags |= kDurationFlags;
        emit(std::exchange(held, nullptr));
    }
    if (!durationValid && settings.durationsNeeded) {
        held = frame;
    } else {
        emit(frame);
    }
}

void OpaqueICMCompressionSession::flush(const FrameJob& job) {
    if (held == nullptr) {
        return;
    }
    if (job.nextTimeStampValid) {
        held->displayDuration = job.nextTimeStamp - held->displayTimeStamp;
        held->validTimeFlags |= kDurationFlags;
    }
    emit(std::exchange(held, nullptr));
}

void OpaqueICMCompressionSession::emit(OpaqueICMEncodedFrame* frame) {
    if (keptError.load() == noErr) {
        const OSStatus err = Guarded([&] {
            return output.encodedFrameOutputCallback(output.encodedFrameOutputRefCon, this, noErr,
                                                     frame, nullptr);
        });
        if (err != noErr) {
            fail(err);
        }
    }
    ICMEncodedFrameRelease(frame);
}

// Keeps the first error; a codec failure is also reported to the output
// callback, as the frame it would have delivered.
void OpaqueICMCompressionSession::fail(OSStatus err) {
    OSStatus expected = noErr;
    if (!keptError.compare_exchange_strong(expected, err)) {
        return;
    }
    ICMEncodedFrameRelease(std::exchange(held, nullptr));
    Guarded([&] {
        return output.encodedFrameOutputCallback(output.encodedFrameOutputRefCon, this, err,
                                                 nullptr, nullptr);
    });
}

// --- Calls ------------------------------------------------------------------

OSStatus ICMCompressionSessionCreate(CFAllocatorRef /*allocator*/, int width, int height,
                                     CodecType cType, TimeScale timescale,
                                     ICMCompressionSessionOptionsRef compressionOptions,
                                     CFDictionaryRef sourcePixelBufferAttributes,
                                     ICMEncodedFrameOutputRecord* encodedFrameOutputRecord,
                                     ICMCompressionSessionRef* compressionSessionOut) {
    if (compressionSessionOut == nullptr) {
        return paramErr;
    }
    *compressionSessionOut = nullptr;
    if (width < 1 || height < 1 || width > 32767 || height > 32767 || timescale <= 0 ||
        sourcePixelBufferAttributes != nullptr || encodedFrameOutputRecord == nullptr ||
        encodedFrameOutputRecord->encodedFrameOutputCallback == nullptr ||
        encodedFrameOutputRecord->frameDataAllocator != nullptr) {
        return paramErr;
    }
    auto* session = new (std::nothrow) OpaqueICMCompressionSession;
    if (session == nullptr) {
        return memFullErr;
    }
    OSStatus err = session->begin(width, height, cType, timescale, compressionOptions,
                                  *encodedFrameOutputRecord);
    if (err != noErr) {
        ICMCompressionSessionRelease(session);
        return err;
    }
    *compressionSessionOut = session;
    return noErr;
}

ICMCompressionSessionRef ICMCompressionSessionRetain(ICMCompressionSessionRef session) {
    if (session != nullptr) {
        session->retain();
    }
    return session;
}

void ICMCompressionSessionRelease(ICMCompressionSessionRef session) {
    if (session != nullptr && session->release()) {
        delete session;
    }
}

OSStatus ICMCompressionSessionEncodeFrame(
    ICMCompressionSessionRef session, CVPixelBufferRef pixelBuffer, TimeValue64 displayTimeStamp,
    TimeValue64 displayDuration, ICMValidTimeFlags validTimeFlags,
    ICMCompressionFrameOptionsRef frameOptions,
    ICMSourceTrackingCallbackRecord* sourceTrackingCallbackRecord, void* sourceFrameRefCon) {
    if (session == nullptr) {
        return paramErr;
    }
    return session->encode(pixelBuffer, displayTimeStamp, displayDuration, validTimeFlags,
                           frameOptions, sourceTrackingCallbackRecord, sourceFrameRefCon);
}

OSStatus ICMCompressionSessionCompleteFrames(ICMCompressionSessionRef session,
                                             Boolean /*completeAllFrames*/,
                                             TimeValue64 /*completeUntilDisplayTimeStamp*/,
                                             TimeValue64 nextDisplayTimeStamp) {
    if (session == nullptr) {
        return paramErr;
    }
    return session->complete(nextDisplayTimeStamp);
}

TimeScale ICMCompressionSessionGetTimeScale(ICMCompressionSessionRef session) {
    return session != nullptr ? session->timeScale : 0;
}

OSStatus ICMCompressionSessionGetImageDescription(ICMCompressionSessionRef session,
                                                  ImageDescriptionHandle* imageDescOut) {
    if (session == nullptr || imageDescOut == nullptr || !session->description) {
        return paramErr;
    }
    *imageDescOut = session->description->handle();
    return noErr;
}

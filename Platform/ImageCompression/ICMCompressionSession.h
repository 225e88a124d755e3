// Image compression sessions: a client hands Core Video pixel buffers to a
// session, which runs a compressor component on each frame (precompress
// once, band compress per frame, as the host's Image Compression Manager
// does) and hands every encoded frame to the client's output callback, in
// order.  AddMediaSampleFromEncodedFrame adds such a frame to a media.
//
// Sessions.  A session compresses frames of one size into one codec type.
// The compressor is the instance or component given with the options'
// compressor property ('imco'), else the first compressor registered for the
// codec type; noCodecErr when there is none.  Source buffers of another pixel
// format than the one the codec asks for are converted first (source
// tracking then reports kICMSourceTracking_CopiedPixelBuffer).
//
// Key frames.  The first frame, every frame when temporal compression is not
// allowed, frames the client forces (frame options), and a frame once the
// maximum key frame interval has passed since the last key frame are coded
// as key frames; otherwise the codec decides.  A frame is a sync sample when
// the codec reports a similarity of 0.
//
// Threads.  Without asynchronous completion ('asok'), EncodeFrame runs the
// codec and the output callback before it returns.  With it, EncodeFrame
// only queues the retained pixel buffer (waiting while the queue holds
// kICMCompressionSessionMaxQueuedFrames frames) and the session's own
// worker thread encodes the frames in order and calls the output callback
// and the source tracking callbacks there.  CompleteFrames waits until every
// frame handed in so far has been output.  Callbacks must not call
// EncodeFrame or CompleteFrames of their own asynchronous session (paramErr)
// nor release its last reference.
//
// Errors.  When the codec fails or the output callback returns an error (or
// throws), the session keeps that error: frames still queued are dropped and
// every later EncodeFrame and CompleteFrames call returns it.  A codec
// failure is also reported to the output callback, with a null frame.
//
// Times.  Display time stamps must increase from frame to frame.  A frame
// without a valid time stamp follows the previous one (the first starts at
// 0).  With durations needed, a frame without a valid duration is held
// until the next frame's time stamp (or CompleteFrames' next display time
// stamp) gives it one.  There is no frame reordering: decode times and
// durations equal display times and durations.
//
// Releasing the last reference to a session drops the frames it still
// queues (their source tracking reports kICMSourceTracking_FrameWasDropped),
// waits for a frame being encoded, and stops its thread; call
// CompleteFrames first to keep them.
#pragma once

#include "Base/MacTypes.h"
#include "Components/ComponentProperties.h"
#include "Components/Components.h"
#include "CoreFoundation/CFBase.h"
#include "CoreVideo/CVPixelBuffer.h"
#include "ImageCompression/ImageDescription.h"
#include "MovieToolbox/Movies.h"

typedef struct OpaqueICMCompressionSessionOptions* ICMCompressionSessionOptionsRef;
typedef struct OpaqueICMCompressionSession* ICMCompressionSessionRef;
typedef struct OpaqueICMCompressionFrameOptions* ICMCompressionFrameOptionsRef;
typedef const struct OpaqueICMEncodedFrame* ICMEncodedFrameRef;
typedef struct OpaqueICMEncodedFrame* ICMMutableEncodedFrameRef;

typedef Component CompressorComponent;
typedef UInt32 ICMValidTimeFlags;
typedef UInt32 ICMSourceTrackingFlags;
typedef UInt16 ICMFrameType;

enum : ICMValidTimeFlags {
    kICMValidTime_DisplayTimeStampIsValid = 1u << 0,
    kICMValidTime_DisplayDurationIsValid = 1u << 1,
    kICMValidTime_DecodeTimeStampIsValid = 1u << 2,
    kICMValidTime_DecodeDurationIsValid = 1u << 3,
    kICMValidTime_DisplayOffsetIsValid = 1u << 4,
};

enum : ICMSourceTrackingFlags {
    kICMSourceTracking_LastCall = 1u << 0,
    kICMSourceTracking_ReleasedPixelBuffer = 1u << 1,
    kICMSourceTracking_FrameWasEncoded = 1u << 2,
    kICMSourceTracking_FrameWasDropped = 1u << 3,
    kICMSourceTracking_FrameWasMerged = 1u << 4,
    kICMSourceTracking_FrameTimeWasChanged = 1u << 5,
    kICMSourceTracking_CopiedPixelBuffer = 1u << 6,
};

enum : ICMFrameType {
    kICMFrameType_Unknown = 0,
    kICMFrameType_I = 'I',
    kICMFrameType_P = 'P',
    kICMFrameType_B = 'B',
};

// Properties of compression session options.
enum : ComponentPropertyClass { kQTPropertyClass_ICMCompressionSessionOptions = 'icso' };
enum : ComponentPropertyID {
    kICMCompressionSessionOptionsPropertyID_Quality = 'qual',          // CodecQ
    kICMCompressionSessionOptionsPropertyID_AverageDataRate = 'aver',  // SInt32, bytes per second
    kICMCompressionSessionOptionsPropertyID_AllowAsyncCompletion = 'asok',  // Boolean
    kICMCompressionSessionOptionsPropertyID_CompressorComponent = 'imco',   // CompressorComponent
    kICMCompressionSessionOptionsPropertyID_Depth = 'deep',                 // UInt32
};

// Frames an asynchronous session queues before EncodeFrame waits.
constexpr int kICMCompressionSessionMaxQueuedFrames = 4;

// --- Callbacks --------------------------------------------------------------

// Receives each encoded frame in decode order (with error noErr), or a codec
// failure (error set, frame null).  The frame is valid during the call; retain
// it to keep it.  An error returned here stops the session (see Errors).
typedef OSStatus (*ICMEncodedFrameOutputCallback)(void* encodedFrameOutputRefCon,
                                                  ICMCompressionSessionRef session, OSStatus error,
                                                  ICMEncodedFrameRef frame, void* reserved);
struct ICMEncodedFrameOutputRecord {
    ICMEncodedFrameOutputCallback encodedFrameOutputCallback;
    void* encodedFrameOutputRefCon;
    CFAllocatorRef frameDataAllocator;  // accepted; must be null (the default)
};

// Tells the client what became of a source frame: the call with
// kICMSourceTracking_LastCall is the last for that frame.
typedef void (*ICMSourceTrackingCallback)(void* sourceTrackingRefCon,
                                          ICMSourceTrackingFlags sourceTrackingFlags,
                                          void* sourceFrameRefCon, void* reserved);
struct ICMSourceTrackingCallbackRecord {
    ICMSourceTrackingCallback sourceTrackingCallback;
    void* sourceTrackingRefCon;
};

// --- Session options --------------------------------------------------------

// New options: temporal compression and frame reordering not allowed, no
// maximum key frame interval (0), frame time changes not allowed, durations
// not needed, quality codecNormalQuality, average data rate 0 (none),
// synchronous completion, no compressor component, depth 0 (32 bits).
OSStatus ICMCompressionSessionOptionsCreate(CFAllocatorRef allocator,
                                            ICMCompressionSessionOptionsRef* options);
OSStatus ICMCompressionSessionOptionsCreateCopy(CFAllocatorRef allocator,
                                                ICMCompressionSessionOptionsRef originalOptions,
                                                ICMCompressionSessionOptionsRef* copiedOptions);
ICMCompressionSessionOptionsRef ICMCompressionSessionOptionsRetain(
    ICMCompressionSessionOptionsRef options);
void ICMCompressionSessionOptionsRelease(ICMCompressionSessionOptionsRef options);

OSStatus ICMCompressionSessionOptionsSetAllowTemporalCompression(
    ICMCompressionSessionOptionsRef options, Boolean allowTemporalCompression);
Boolean ICMCompressionSessionOptionsGetAllowTemporalCompression(
    ICMCompressionSessionOptionsRef options);
// Accepted and kept; frames are never reordered here.
OSStatus ICMCompressionSessionOptionsSetAllowFrameReordering(
    ICMCompressionSessionOptionsRef options, Boolean allowFrameReordering);
Boolean ICMCompressionSessionOptionsGetAllowFrameReordering(
    ICMCompressionSessionOptionsRef options);
// Frames from one key frame to the next at most; 0 for no limit, 1 for
// key frames only.  paramErr for a negative interval.
OSStatus ICMCompressionSessionOptionsSetMaxKeyFrameInterval(ICMCompressionSessionOptionsRef options,
                                                            SInt32 maxKeyFrameInterval);
SInt32 ICMCompressionSessionOptionsGetMaxKeyFrameInterval(ICMCompressionSessionOptionsRef options);
// Accepted and kept; the session never changes frame times.
OSStatus ICMCompressionSessionOptionsSetAllowFrameTimeChanges(
    ICMCompressionSessionOptionsRef options, Boolean allowFrameTimeChanges);
Boolean ICMCompressionSessionOptionsGetAllowFrameTimeChanges(
    ICMCompressionSessionOptionsRef options);
OSStatus ICMCompressionSessionOptionsSetDurationsNeeded(ICMCompressionSessionOptionsRef options,
                                                        Boolean decodeDurationsNeeded);
Boolean ICMCompressionSessionOptionsGetDurationsNeeded(ICMCompressionSessionOptionsRef options);

// The properties listed above, class kQTPropertyClass_ICMCompressionSessionOptions.
// kQTPropertyNotSupportedErr for others, kQTPropertyBadValueSizeErr for a
// size that is not the property's (see ComponentProperties.h).  A
// compressor component or instance given here must stay open while sessions
// made with these options exist; the session does not close it.
OSStatus ICMCompressionSessionOptionsSetProperty(ICMCompressionSessionOptionsRef options,
                                                 ComponentPropertyClass inPropClass,
                                                 ComponentPropertyID inPropID,
                                                 ByteCount inPropValueSize,
                                                 ConstComponentValuePtr inPropValueAddress);
OSStatus ICMCompressionSessionOptionsGetProperty(ICMCompressionSessionOptionsRef options,
                                                 ComponentPropertyClass inPropClass,
                                                 ComponentPropertyID inPropID,
                                                 ByteCount inPropValueSize,
                                                 ComponentValuePtr outPropValueAddress,
                                                 ByteCount* outPropValueSizeUsed);

// --- Frame options ----------------------------------------------------------

OSStatus ICMCompressionFrameOptionsCreate(CFAllocatorRef allocator,
                                          ICMCompressionSessionRef session,
                                          ICMCompressionFrameOptionsRef* options);
ICMCompressionFrameOptionsRef ICMCompressionFrameOptionsRetain(
    ICMCompressionFrameOptionsRef options);
void ICMCompressionFrameOptionsRelease(ICMCompressionFrameOptionsRef options);
OSStatus ICMCompressionFrameOptionsSetForceKeyFrame(ICMCompressionFrameOptionsRef options,
                                                    Boolean forceKeyFrame);
Boolean ICMCompressionFrameOptionsGetForceKeyFrame(ICMCompressionFrameOptionsRef options);
// kICMFrameType_I forces a key frame; P and Unknown leave the choice to the
// codec; B (which needs reordering) gives paramErr.
OSStatus ICMCompressionFrameOptionsSetFrameType(ICMCompressionFrameOptionsRef options,
                                                ICMFrameType frameType);
ICMFrameType ICMCompressionFrameOptionsGetFrameType(ICMCompressionFrameOptionsRef options);

// --- Sessions ---------------------------------------------------------------

// width 1..8191 and height 1..32767 (a 32-bit line must fit the 16-bit row
// bytes of a pixel map); timescale above 0; options may be null (defaults); source pixel
// buffer attributes must be null; the output callback is required.
// Errors: paramErr, noCodecErr (no compressor for cType), the compressor's
// own error from precompress (e.g. an unsupported depth), memFullErr.
OSStatus ICMCompressionSessionCreate(CFAllocatorRef allocator, int width, int height,
                                     CodecType cType, TimeScale timescale,
                                     ICMCompressionSessionOptionsRef compressionOptions,
                                     CFDictionaryRef sourcePixelBufferAttributes,
                                     ICMEncodedFrameOutputRecord* encodedFrameOutputRecord,
                                     ICMCompressionSessionRef* compressionSessionOut);
ICMCompressionSessionRef ICMCompressionSessionRetain(ICMCompressionSessionRef session);
void ICMCompressionSessionRelease(ICMCompressionSessionRef session);

// Hands one frame to the session.  The pixel buffer (32-bit ARGB or BGRA, the
// session's size) is retained until the session is done with it; do not
// change its pixels before source tracking reports it released.  Errors:
// paramErr (null or mismatched buffer, time stamp not after the previous
// one), the session's kept error, or (synchronous sessions) the codec's or
// output callback's error for this frame.
OSStatus ICMCompressionSessionEncodeFrame(
    ICMCompressionSessionRef session, CVPixelBufferRef pixelBuffer, TimeValue64 displayTimeStamp,
    TimeValue64 displayDuration, ICMValidTimeFlags validTimeFlags,
    ICMCompressionFrameOptionsRef frameOptions,
    ICMSourceTrackingCallbackRecord* sourceTrackingCallbackRecord, void* sourceFrameRefCon);
// Waits until every frame handed in so far has been output (there is no
// frame delay here, so completeUntilDisplayTimeStamp asks for the same).
// nextDisplayTimeStamp, when after the last frame's time stamp, ends a frame
// held for its duration.  Returns the session's kept error, if any.
OSStatus ICMCompressionSessionCompleteFrames(ICMCompressionSessionRef session,
                                             Boolean completeAllFrames,
                                             TimeValue64 completeUntilDisplayTimeStamp,
                                             TimeValue64 nextDisplayTimeStamp);
TimeScale ICMCompressionSessionGetTimeScale(ICMCompressionSessionRef session);
// The description of the session's frames; owned by the session (do not
// dispose of it).
OSStatus ICMCompressionSessionGetImageDescription(ICMCompressionSessionRef session,
                                                  ImageDescriptionHandle* imageDescOut);

// --- Encoded frames ---------------------------------------------------------

ICMEncodedFrameRef ICMEncodedFrameRetain(ICMEncodedFrameRef frame);
void ICMEncodedFrameRelease(ICMEncodedFrameRef frame);
UInt8* ICMEncodedFrameGetDataPtr(ICMEncodedFrameRef frame);
ByteCount ICMEncodedFrameGetBufferSize(ICMEncodedFrameRef frame);
ByteCount ICMEncodedFrameGetDataSize(ICMEncodedFrameRef frame);
// Shrinks (or regrows, within the buffer size) the data; paramErr beyond it.
OSStatus ICMEncodedFrameSetDataSize(ICMMutableEncodedFrameRef frame, ByteCount dataSize);
// 1 for the first frame of a session, then counting up.
UInt32 ICMEncodedFrameGetDecodeNumber(ICMEncodedFrameRef frame);
TimeScale ICMEncodedFrameGetTimeScale(ICMEncodedFrameRef frame);
ICMValidTimeFlags ICMEncodedFrameGetValidTimeFlags(ICMEncodedFrameRef frame);
TimeValue64 ICMEncodedFrameGetDecodeTimeStamp(ICMEncodedFrameRef frame);
TimeValue64 ICMEncodedFrameGetDisplayTimeStamp(ICMEncodedFrameRef frame);
TimeValue64 ICMEncodedFrameGetDisplayOffset(ICMEncodedFrameRef frame);
TimeValue64 ICMEncodedFrameGetDecodeDuration(ICMEncodedFrameRef frame);
TimeValue64 ICMEncodedFrameGetDisplayDuration(ICMEncodedFrameRef frame);
// 0 for a sync (key) frame, mediaSampleNotSync otherwise.
MediaSampleFlags ICMEncodedFrameGetMediaSampleFlags(ICMEncodedFrameRef frame);
ICMFrameType ICMEncodedFrameGetFrameType(ICMEncodedFrameRef frame);
// The description of the frame (the session's); owned by the frame.
OSStatus ICMEncodedFrameGetImageDescription(ICMEncodedFrameRef frame,
                                            ImageDescriptionHandle* imageDescOut);
void* ICMEncodedFrameGetSourceFrameRefCon(ICMEncodedFrameRef frame);

// Adds the frame to the media as one sample: its data, decode duration
// (converted from the frame's time scale to the media's, rounding to
// nearest), display offset, description and sync flag.  *decodeTimeOut
// (may be null) receives the sample's decode time in the media.  Errors:
// paramErr for a null media or frame or an empty frame, invalidDuration
// when the frame has no valid duration, or AddMediaSample2's error.
OSErr AddMediaSampleFromEncodedFrame(Media theMedia, ICMEncodedFrameRef encodedFrame,
                                     TimeValue64* decodeTimeOut);

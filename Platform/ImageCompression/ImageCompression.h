// Image Compression Manager records that codecs and their callers share:
// codec information, capabilities, the caller's progress, data-loading,
// flush and completion procedures, and the codec flag constants.
#pragma once

#include "Base/MacErrors.h"
#include "Base/MacTypes.h"
#include "ImageCompression/ImageDescription.h"
#include "QuickDraw/PixMap.h"

typedef long ImageSequence;
typedef UInt16 CodecFlags;

enum : OSType {
    compressorComponentType = 'imco',
    decompressorComponentType = 'imdc',
};

// What a codec reports about itself (72 bytes).
struct CodecInfo {
    Str31 typeName;  // length-prefixed
    SInt16 version;
    SInt16 revisionLevel;
    SInt32 vendor;
    SInt32 decompressFlags;  // codecInfoDoes* for decompression
    SInt32 compressFlags;    // codecInfoDoes* for compression
    SInt32 formatFlags;      // codecInfoDepth*, codecInfoDoesLossless, ...
    UInt8 compressionAccuracy;
    UInt8 decompressionAccuracy;
    UInt16 compressionSpeed;
    UInt16 decompressionSpeed;
    UInt8 compressionLevel;
    UInt8 resvd;
    SInt16 minimumHeight;
    SInt16 minimumWidth;
    SInt16 decompressPipelineLatency;
    SInt16 compressPipelineLatency;
    SInt32 privateData;
};
static_assert(sizeof(CodecInfo) == 72);

// Compress and decompress flags of CodecInfo (also the flags of an image
// codec's component description).
enum : SInt32 {
    codecInfoDoes1 = 1 << 0,
    codecInfoDoes2 = 1 << 1,
    codecInfoDoes4 = 1 << 2,
    codecInfoDoes8 = 1 << 3,
    codecInfoDoes16 = 1 << 4,
    codecInfoDoes32 = 1 << 5,
    codecInfoDoesDither = 1 << 6,
    codecInfoDoesStretch = 1 << 7,
    codecInfoDoesShrink = 1 << 8,
    codecInfoDoesMask = 1 << 9,
    codecInfoDoesTemporal = 1 << 10,
    codecInfoDoesDouble = 1 << 11,
    codecInfoDoesQuad = 1 << 12,
    codecInfoDoesHalf = 1 << 13,
    codecInfoDoesQuarter = 1 << 14,
    codecInfoDoesRotate = 1 << 15,
    codecInfoDoesHorizFlip = 1 << 16,
    codecInfoDoesVertFlip = 1 << 17,
    codecInfoHasEffectParameterList = 1 << 18,
    codecInfoDoesBlend = 1 << 19,
    codecInfoDoesWarp = 1 << 20,
    codecInfoDoesRecompress = 1 << 21,
    codecInfoDoesSpool = 1 << 22,
    codecInfoDoesRateConstrain = 1 << 23,
};

// Format flags of CodecInfo.
enum : SInt32 {
    codecInfoDepth1 = 1 << 0,
    codecInfoDepth2 = 1 << 1,
    codecInfoDepth4 = 1 << 2,
    codecInfoDepth8 = 1 << 3,
    codecInfoDepth16 = 1 << 4,
    codecInfoDepth32 = 1 << 5,
    codecInfoDepth24 = 1 << 6,
    codecInfoDepth33 = 1 << 7,
    codecInfoDepth34 = 1 << 8,
    codecInfoDepth36 = 1 << 9,
    codecInfoDepth40 = 1 << 10,
    codecInfoStoresClut = 1 << 11,
    codecInfoDoesLossless = 1 << 12,
    codecInfoSequenceSensitive = 1 << 13,
};

// What a codec asks of the caller for a sequence (precompress, preflight).
struct CodecCapabilities {
    SInt32 flags;            // codecCan*
    SInt16 wantedPixelSize;  // pixel size the codec wants the image in
    SInt16 extendWidth;
    SInt16 extendHeight;
    SInt16 bandMin;  // smallest band, in lines
    SInt16 bandInc;  // bands grow by this many lines
    SInt16 pad;
    UInt32 time;
    SInt32 flags2;
};

enum : SInt32 {
    codecCanScale = 1 << 0,
    codecCanMask = 1 << 1,
    codecCanMatte = 1 << 2,
    codecCanTransform = 1 << 3,
    codecCanTransferMode = 1 << 4,
    codecCanCopyPrev = 1 << 5,
    codecCanSpool = 1 << 6,
    codecCanClipVertical = 1 << 7,
    codecCanClipRectangular = 1 << 8,
    codecCanRemapColor = 1 << 9,
    codecCanFastDither = 1 << 10,
    codecCanSrcExtract = 1 << 11,
    codecCanCopyPrevComp = 1 << 12,
    codecCanAsync = 1 << 13,
    codecCanMakeMask = 1 << 14,
    codecCanShift = 1 << 15,
    codecCanAsyncWhen = 1 << 16,
    codecCanShieldCursor = 1 << 17,
    codecCanManagePrevBuffer = 1 << 18,
};

// Condition flags of a compress or decompress call.
enum : SInt32 {
    codecConditionFirstBand = 1 << 0,
    codecConditionLastBand = 1 << 1,
    codecConditionFirstFrame = 1 << 2,
    codecConditionNewDepth = 1 << 3,
    codecConditionNewTransform = 1 << 4,
    codecConditionNewSrcRect = 1 << 5,
    codecConditionNewMask = 1 << 6,
    codecConditionNewMatte = 1 << 7,
    codecConditionNewTransferMode = 1 << 8,
    codecConditionNewClut = 1 << 9,
    codecConditionNewAccuracy = 1 << 10,
    codecConditionNewDestination = 1 << 11,
    codecConditionFirstScreen = 1 << 12,
    codecConditionDoCursor = 1 << 13,
    codecConditionCatchUpDiff = 1 << 14,
    codecConditionMaskMayBeChanged = 1 << 15,
    codecConditionToBuffer = 1 << 16,
};

// Caller flags (CodecFlags).
enum : CodecFlags {
    codecFlagUseImageBuffer = 1 << 0,
    codecFlagUseScreenBuffer = 1 << 1,
    codecFlagUpdatePrevious = 1 << 2,
    codecFlagNoScreenUpdate = 1 << 3,
    codecFlagWasCompressed = 1 << 4,
    codecFlagDontOffscreen = 1 << 5,
    codecFlagUpdatePreviousComp = 1 << 6,
    codecFlagForceKeyFrame = 1 << 7,
    codecFlagOnlyScreenUpdate = 1 << 8,
    codecFlagLiveGrab = 1 << 9,
};

// Progress: the message, the fraction done (16.16) and the caller's value.
enum : SInt16 {
    codecProgressOpen = 0,
    codecProgressUpdatePercent = 1,
    codecProgressClose = 2,
};
typedef OSErr (*ICMProgressProcPtr)(SInt16 message, Fixed completeness, long refcon);
typedef ICMProgressProcPtr ICMProgressUPP;
struct ICMProgressProcRecord {
    ICMProgressUPP progressProc;
    long progressRefCon;
};
typedef ICMProgressProcRecord* ICMProgressProcRecordPtr;

// Data loading: makes at least bytesNeeded bytes of compressed data
// available at *dataP, which it may move.
typedef OSErr (*ICMDataProcPtr)(Ptr* dataP, long bytesNeeded, long refcon);
typedef ICMDataProcPtr ICMDataUPP;
struct ICMDataProcRecord {
    ICMDataUPP dataProc;
    long dataRefCon;
};
typedef ICMDataProcRecord* ICMDataProcRecordPtr;

// Flushing: takes bytesAdded bytes of compressed data from the buffer.
typedef OSErr (*ICMFlushProcPtr)(Ptr data, long bytesAdded, long refcon);
typedef ICMFlushProcPtr ICMFlushUPP;
struct ICMFlushProcRecord {
    ICMFlushUPP flushProc;
    long flushRefCon;
};
typedef ICMFlushProcRecord* ICMFlushProcRecordPtr;

// Completion of an asynchronous call.
enum : SInt16 {
    codecCompletionSource = 1 << 0,
    codecCompletionDest = 1 << 1,
};
typedef void (*ICMCompletionProcPtr)(OSErr result, SInt16 flags, long refcon);
typedef ICMCompletionProcPtr ICMCompletionUPP;
struct ICMCompletionProcRecord {
    ICMCompletionUPP completionProc;
    long completionRefCon;
};
typedef ICMCompletionProcRecord* ICMCompletionProcRecordPtr;

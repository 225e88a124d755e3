// Image codec components: the records a compressor or decompressor receives,
// its selectors, and the ImageCodec* calls through which a host drives any
// codec component.
//
// Decompression in the manner of the host's base image decompressor
// (BaseImageDecompressor.h): a codec delegates ImageCodecPreDecompress and
// ImageCodecBandDecompress to the base, which calls the codec back with
//   ImageCodecInitialize  once: the size of its per-frame record;
//   ImageCodecPreflight   per sequence: capabilities, destination checks;
//   ImageCodecBeginBand   per frame: destination address, per-frame record;
//   ImageCodecDrawBand    per frame: decode (possibly through the MP work
//                         function the codec gets from the base);
//   ImageCodecEndBand     per frame, after drawing, with its result.
#pragma once

#include "Components/ComponentCalls.h"
#include "Components/Components.h"
#include "Dialogs/Dialogs.h"
#include "ImageCompression/ImageCompression.h"

struct MatrixRecord;
struct ICMFrameTimeRecord;
typedef ICMFrameTimeRecord* ICMFrameTimePtr;

// What a compressor receives with precompress and band compress.
struct CodecCompressParams {
    ImageSequence sequenceID;
    ImageDescriptionHandle imageDescription;  // width, height, depth; dataSize set on return
    Ptr data;                                 // destination of the compressed data
    long bufferSize;                          // bytes available at data
    long frameNumber;                         // 0 for the first frame of a sequence
    long startLine;
    long stopLine;
    long conditionFlags;     // codecCondition*
    CodecFlags callerFlags;  // codecFlag*
    CodecCapabilities* capabilities;
    ICMProgressProcRecord progressProcRecord;
    ICMCompletionProcRecord completionProcRecord;
    ICMFlushProcRecord flushProcRecord;
    PixMap srcPixMap;  // the source image
    PixMap prevPixMap;
    CodecQ spatialQuality;
    CodecQ temporalQuality;  // 0 asks for a key frame
    Fixed similarity;        // set on return: 0 for a key frame
    void* dataRateParams;
    long reserved;
    UInt16 majorSourceChangeSeed;
    UInt16 minorSourceChangeSeed;
    void* sourceData;
    long preferredPacketSizeInBytes;
    long requestedBufferWidth;
    long requestedBufferHeight;
    OSType wantedSourcePixelType;  // set by precompress
    long compressedDataSize;       // set on return
    UInt32 taskWeight;
    OSType taskName;
};

// What a decompressor receives with predecompress, band decompress,
// preflight and begin band.
struct CodecDecompressParams {
    ImageSequence sequenceID;
    ImageDescriptionHandle imageDescription;
    Ptr data;         // the compressed data
    long bufferSize;  // bytes at data (0 when not known)
    long frameNumber;
    long startLine;
    long stopLine;
    long conditionFlags;
    CodecFlags callerFlags;
    CodecCapabilities* capabilities;
    ICMProgressProcRecord progressProcRecord;
    ICMCompletionProcRecord completionProcRecord;
    ICMDataProcRecord dataProcRecord;  // null procedure: all data is at `data`
    CGrafPtr port;
    PixMap dstPixMap;  // the destination image
    void* maskBits;
    PixMapPtr mattePixMap;
    Rect srcRect;
    MatrixRecord* matrix;
    CodecQ accuracy;
    SInt16 transferMode;
    ICMFrameTimePtr frameTime;
    long reserved[1];
    SInt8 matrixFlags;
    SInt8 matrixType;
    Rect dstRect;  // where the image goes, in dstPixMap.bounds coordinates
    UInt16 majorSourceChangeSeed;
    UInt16 minorSourceChangeSeed;
    void* sourceData;
    void* maskRegion;
    OSType** wantedDestinationPixelTypes;  // 0-terminated list, or null
    long screenFloodMethod;
    long screenFloodValue;
    SInt16 preferredOffscreenPixelSize;
    long requestedBufferWidth;
    long requestedBufferHeight;
};

// What a codec tells the base decompressor when initialised.
struct ImageSubCodecDecompressCapabilities {
    long recordSize;            // sizeof this record
    long decompressRecordSize;  // bytes of the codec's per-frame record
    Boolean canAsync;
    UInt8 pad0;
    UInt16 suggestedQueueSize;
    Boolean canProvideTrigger;
    Boolean subCodecFlushesScreen;
    Boolean subCodecCallsDrawBandComplete;
    UInt8 pad2[1];
    Boolean isChildCodec;
    UInt8 pad3[3];
};

enum : UInt8 {
    kCodecFrameTypeUnknown = 0,
    kCodecFrameTypeKey = 1,
    kCodecFrameTypeDifference = 2,
    kCodecFrameTypeDroppableDifference = 3,
};

// One frame as the base decompressor hands it to the codec.
struct ImageSubCodecDecompressRecord {
    Ptr baseAddr;   // destination: set by begin band
    long rowBytes;  // destination stride
    Ptr codecData;  // the compressed data (or its first part, with a data procedure)
    ICMProgressProcRecord progressProcRecord;
    ICMDataProcRecord dataProcRecord;
    void* userDecompressRecord;  // the codec's per-frame record
    UInt8 frameType;
    Boolean inhibitMP;
    UInt8 pad[2];
    long priv[2];
};

// Work functions: the base decompressor's way to run a codec's draw band.
struct ComponentMPWorkFunctionHeaderRecord {
    UInt32 headerSize;
    UInt32 recordSize;  // bytes of the whole work record, header included
    UInt32 workFlags;
    UInt16 processorCount;
    UInt8 unused;
    UInt8 isRunning;
};
typedef ComponentMPWorkFunctionHeaderRecord* ComponentMPWorkFunctionHeaderRecordPtr;
typedef ComponentResult (*ComponentMPWorkFunctionProcPtr)(
    void* globalRefCon, ComponentMPWorkFunctionHeaderRecordPtr header);
typedef ComponentMPWorkFunctionProcPtr ComponentMPWorkFunctionUPP;
typedef ComponentResult (*ImageCodecMPDrawBandProcPtr)(void* refcon,
                                                       ImageSubCodecDecompressRecord* drp);
typedef ImageCodecMPDrawBandProcPtr ImageCodecMPDrawBandUPP;

// The work record the base decompressor's work function takes: the header,
// then the frame to draw.
struct ImageCodecMPWorkRecord {
    ComponentMPWorkFunctionHeaderRecord header;
    ImageSubCodecDecompressRecord* drp;
};

// Selectors of image codec components.
enum : SInt16 {
    kImageCodecGetCodecInfoSelect = 0x0000,
    kImageCodecGetCompressionTimeSelect = 0x0001,
    kImageCodecGetMaxCompressionSizeSelect = 0x0002,
    kImageCodecPreCompressSelect = 0x0003,
    kImageCodecBandCompressSelect = 0x0004,
    kImageCodecPreDecompressSelect = 0x0005,
    kImageCodecBandDecompressSelect = 0x0006,
    kImageCodecBusySelect = 0x0007,
    kImageCodecGetCompressedImageSizeSelect = 0x0008,
    kImageCodecGetSimilaritySelect = 0x0009,
    kImageCodecTrimImageSelect = 0x000A,
    kImageCodecRequestSettingsSelect = 0x000B,
    kImageCodecGetSettingsSelect = 0x000C,
    kImageCodecSetSettingsSelect = 0x000D,
    kImageCodecFlushSelect = 0x000E,
    kImageCodecGetBaseMPWorkFunctionSelect = 0x0025,
    kImageCodecGetDITLForSizeSelect = 0x002E,
    kImageCodecDITLInstallSelect = 0x002F,
    kImageCodecDITLEventSelect = 0x0030,
    kImageCodecDITLItemSelect = 0x0031,
    kImageCodecDITLRemoveSelect = 0x0032,
    kImageCodecDITLValidateInputSelect = 0x0033,
    kImageCodecPreflightSelect = 0x0200,
    kImageCodecInitializeSelect = 0x0201,
    kImageCodecBeginBandSelect = 0x0202,
    kImageCodecDrawBandSelect = 0x0203,
    kImageCodecEndBandSelect = 0x0204,
    kImageCodecQueueStartingSelect = 0x0205,
    kImageCodecQueueStoppingSelect = 0x0206,
    kImageCodecDroppingFrameSelect = 0x0207,
    kImageCodecScheduleFrameSelect = 0x0208,
    kImageCodecCancelTriggerSelect = 0x0209,
};

// The requested size of ImageCodecGetDITLForSize that asks for the
// smallest item list a codec has.
enum : SInt16 { kSGSmallestDITLSize = -1 };

// --- Calls a host makes on a codec component --------------------------------

ComponentResult ImageCodecGetCodecInfo(ComponentInstance ci, CodecInfo* info);
ComponentResult ImageCodecGetCompressionTime(ComponentInstance ci, PixMapHandle src,
                                             const Rect* srcRect, SInt16 depth,
                                             CodecQ* spatialQuality, CodecQ* temporalQuality,
                                             unsigned long* time);
ComponentResult ImageCodecGetMaxCompressionSize(ComponentInstance ci, PixMapHandle src,
                                                const Rect* srcRect, SInt16 depth, CodecQ quality,
                                                long* size);
ComponentResult ImageCodecPreCompress(ComponentInstance ci, CodecCompressParams* params);
ComponentResult ImageCodecBandCompress(ComponentInstance ci, CodecCompressParams* params);
ComponentResult ImageCodecPreDecompress(ComponentInstance ci, CodecDecompressParams* params);
ComponentResult ImageCodecBandDecompress(ComponentInstance ci, CodecDecompressParams* params);
ComponentResult ImageCodecBusy(ComponentInstance ci, ImageSequence seq);
ComponentResult ImageCodecGetCompressedImageSize(ComponentInstance ci, ImageDescriptionHandle desc,
                                                 Ptr data, long bufferSize,
                                                 ICMDataProcRecordPtr dataProc, long* dataSize);
ComponentResult ImageCodecRequestSettings(ComponentInstance ci, Handle settings, Rect* rp,
                                          ModalFilterUPP filterProc);
ComponentResult ImageCodecGetSettings(ComponentInstance ci, Handle settings);
ComponentResult ImageCodecSetSettings(ComponentInstance ci, Handle settings);
ComponentResult ImageCodecGetBaseMPWorkFunction(ComponentInstance ci,
                                                ComponentMPWorkFunctionUPP* workFunction,
                                                void** refCon, ImageCodecMPDrawBandUPP drawProc,
                                                void* drawProcRefCon);
ComponentResult ImageCodecGetDITLForSize(ComponentInstance ci, Handle* ditl, Point* requestedSize);
ComponentResult ImageCodecDITLInstall(ComponentInstance ci, DialogRef d, SInt16 itemOffset);
ComponentResult ImageCodecDITLEvent(ComponentInstance ci, DialogRef d, SInt16 itemOffset,
                                    const EventRecord* theEvent, SInt16* itemHit, Boolean* handled);
ComponentResult ImageCodecDITLItem(ComponentInstance ci, DialogRef d, SInt16 itemOffset,
                                   SInt16 itemNum);
ComponentResult ImageCodecDITLRemove(ComponentInstance ci, DialogRef d, SInt16 itemOffset);
ComponentResult ImageCodecDITLValidateInput(ComponentInstance ci, Boolean* ok);
ComponentResult ImageCodecPreflight(ComponentInstance ci, CodecDecompressParams* params);
ComponentResult ImageCodecInitialize(ComponentInstance ci,
                                     ImageSubCodecDecompressCapabilities* cap);
ComponentResult ImageCodecBeginBand(ComponentInstance ci, CodecDecompressParams* params,
                                    ImageSubCodecDecompressRecord* drp, long flags);
ComponentResult ImageCodecDrawBand(ComponentInstance ci, ImageSubCodecDecompressRecord* drp);
ComponentResult ImageCodecEndBand(ComponentInstance ci, ImageSubCodecDecompressRecord* drp,
                                  OSErr result, long flags);
ComponentResult ImageCodecQueueStarting(ComponentInstance ci);
ComponentResult ImageCodecQueueStopping(ComponentInstance ci);
// The instance's work function (kComponentGetMPWorkFunctionSelect).
ComponentResult ComponentGetMPWorkFunction(ComponentInstance ci,
                                           ComponentMPWorkFunctionUPP* workFunction, void** refCon);

#include "ImageCompression/ImageCodec.h"

ComponentResult ImageCodecGetCodecInfo(ComponentInstance ci, CodecInfo* info) {
    return CallComponentWith(ci, kImageCodecGetCodecInfoSelect, info);
}

ComponentResult ImageCodecGetCompressionTime(ComponentInstance ci, PixMapHandle src,
                                             const Rect* srcRect, SInt16 depth,
                                             CodecQ* spatialQuality, CodecQ* temporalQuality,
                                             unsigned long* time) {
    return CallComponentWith(ci, kImageCodecGetCompressionTimeSelect, src, srcRect, depth,
                             spatialQuality, temporalQuality, time);
}

ComponentResult ImageCodecGetMaxCompressionSize(ComponentInstance ci, PixMapHandle src,
                                                const Rect* srcRect, SInt16 depth, CodecQ quality,
                                                long* size) {
    return CallComponentWith(ci, kImageCodecGetMaxCompressionSizeSelect, src, srcRect, depth,
                             quality, size);
}

ComponentResult ImageCodecPreCompress(ComponentInstance ci, CodecCompressParams* params) {
    return CallComponentWith(ci, kImageCodecPreCompressSelect, params);
}

ComponentResult ImageCodecBandCompress(ComponentInstance ci, CodecCompressParams* params) {
    return CallComponentWith(ci, kImageCodecBandCompressSelect, params);
}

ComponentResult ImageCodecPreDecompress(ComponentInstance ci, CodecDecompressParams* params) {
    return CallComponentWith(ci, kImageCodecPreDecompressSelect, params);
}

ComponentResult ImageCodecBandDecompress(ComponentInstance ci, CodecDecompressParams* params) {
    return CallComponentWith(ci, kImageCodecBandDecompressSelect, params);
}

ComponentResult ImageCodecBusy(ComponentInstance ci, ImageSequence seq) {
    return CallComponentWith(ci, kImageCodecBusySelect, seq);
}

ComponentResult ImageCodecGetCompressedImageSize(ComponentInstance ci, ImageDescriptionHandle desc,
                                                 Ptr data, long bufferSize,
                                                 ICMDataProcRecordPtr dataProc, long* dataSize) {
    return CallComponentWith(ci, kImageCodecGetCompressedImageSizeSelect, desc, data, bufferSize,
                             dataProc, dataSize);
}

ComponentResult ImageCodecRequestSettings(ComponentInstance ci, Handle settings, Rect* rp,
                                          ModalFilterUPP filterProc) {
    return CallComponentWith(ci, kImageCodecRequestSettingsSelect, settings, rp, filterProc);
}

ComponentResult ImageCodecGetSettings(ComponentInstance ci, Handle settings) {
    return CallComponentWith(ci, kImageCodecGetSettingsSelect, settings);
}

ComponentResult ImageCodecSetSettings(ComponentInstance ci, Handle settings) {
    return CallComponentWith(ci, kImageCodecSetSettingsSelect, settings);
}

ComponentResult ImageCodecGetBaseMPWorkFunction(ComponentInstance ci,
                                                ComponentMPWorkFunctionUPP* workFunction,
                                                void** refCon, ImageCodecMPDrawBandUPP drawProc,
                                                void* drawProcRefCon) {
    return CallComponentWith(ci, kImageCodecGetBaseMPWorkFunctionSelect, workFunction, refCon,
                             drawProc, drawProcRefCon);
}

ComponentResult ImageCodecGetDITLForSize(ComponentInstance ci, Handle* ditl, Point* requestedSize) {
    return CallComponentWith(ci, kImageCodecGetDITLForSizeSelect, ditl, requestedSize);
}

ComponentResult ImageCodecDITLInstall(ComponentInstance ci, DialogRef d, SInt16 itemOffset) {
    return CallComponentWith(ci, kImageCodecDITLInstallSelect, d, itemOffset);
}

ComponentResult ImageCodecDITLEvent(ComponentInstance ci, DialogRef d, SInt16 itemOffset,
                                    const EventRecord* theEvent, SInt16* itemHit,
                                    Boolean* handled) {
    return CallComponentWith(ci, kImageCodecDITLEventSelect, d, itemOffset, theEvent, itemHit,
                             handled);
}

ComponentResult ImageCodecDITLItem(ComponentInstance ci, DialogRef d, SInt16 itemOffset,
                                   SInt16 itemNum) {
    return CallComponentWith(ci, kImageCodecDITLItemSelect, d, itemOffset, itemNum);
}

ComponentResult ImageCodecDITLRemove(ComponentInstance ci, DialogRef d, SInt16 itemOffset) {
    return CallComponentWith(ci, kImageCodecDITLRemoveSelect, d, itemOffset);
}

ComponentResult ImageCodecDITLValidateInput(ComponentInstance ci, Boolean* ok) {
    return CallComponentWith(ci, kImageCodecDITLValidateInputSelect, ok);
}

ComponentResult ImageCodecPreflight(ComponentInstance ci, CodecDecompressParams* params) {
    return CallComponentWith(ci, kImageCodecPreflightSelect, params);
}

ComponentResult ImageCodecInitialize(ComponentInstance ci,
                                     ImageSubCodecDecompressCapabilities* cap) {
    return CallComponentWith(ci, kImageCodecInitializeSelect, cap);
}

ComponentResult ImageCodecBeginBand(ComponentInstance ci, CodecDecompressParams* params,
                                    ImageSubCodecDecompressRecord* drp, long flags) {
    return CallComponentWith(ci, kImageCodecBeginBandSelect, params, drp, flags);
}

ComponentResult ImageCodecDrawBand(ComponentInstance ci, ImageSubCodecDecompressRecord* drp) {
    return CallComponentWith(ci, kImageCodecDrawBandSelect, drp);
}

ComponentResult ImageCodecEndBand(ComponentInstance ci, ImageSubCodecDecompressRecord* drp,
                                  OSErr result, long flags) {
    return CallComponentWith(ci, kImageCodecEndBandSelect, drp, result, flags);
}

ComponentResult ImageCodecQueueStarting(ComponentInstance ci) {
    return CallComponentWith(ci, kImageCodecQueueStartingSelect);
}

ComponentResult ImageCodecQueueStopping(ComponentInstance ci) {
    return CallComponentWith(ci, kImageCodecQueueStoppingSelect);
}

ComponentResult ComponentGetMPWorkFunction(ComponentInstance ci,
                                           ComponentMPWorkFunctionUPP* workFunction,
                                           void** refCon) {
    return CallComponentWith(ci, kComponentGetMPWorkFunctionSelect, workFunction, refCon);
}

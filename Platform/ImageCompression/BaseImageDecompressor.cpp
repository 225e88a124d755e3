#include "ImageCompression/BaseImageDecompressor.h"

#include <algorithm>
#include <new>
#include <vector>

#include "Components/ComponentDispatch.h"
#include "ImageCompression/ImageCodec.h"

namespace {

// A codec's per-frame record is at most this large.
constexpr long kMaxFrameRecordSize = 1 << 20;

struct DrawBandBinding {
    ImageCodecMPDrawBandUPP drawProc = nullptr;
    void* drawProcRefCon = nullptr;
};

struct BaseGlobals {
    ComponentInstance self = nullptr;
    ComponentInstance target = nullptr;  // the codec it calls back
    bool initialized = false;
    std::vector<UInt8> frameRecord;
    DrawBandBinding binding;
};

ComponentResult BaseDrawBandWork(void* globalRefCon,
                                 ComponentMPWorkFunctionHeaderRecordPtr header) {
    const auto* binding = static_cast<const DrawBandBinding*>(globalRefCon);
    if (binding == nullptr || binding->drawProc == nullptr || header == nullptr ||
        header->recordSize < sizeof(ImageCodecMPWorkRecord)) {
        return paramErr;
    }
    auto* record = reinterpret_cast<ImageCodecMPWorkRecord*>(header);
    return binding->drawProc(binding->drawProcRefCon, record->drp);
}

ComponentResult Base_Open(BaseGlobals* /*glob*/, ComponentInstance self) {
    auto* glob = new (std::nothrow) BaseGlobals;
    if (glob == nullptr) {
        return memFullErr;
    }
    glob->self = self;
    glob->target = self;
    SetComponentInstanceStorage(self, reinterpret_cast<Handle>(glob));
    return noErr;
}

ComponentResult Base_Close(BaseGlobals* glob, ComponentInstance /*self*/) {
    delete glob;
    return noErr;
}

ComponentResult Base_CanDo(BaseGlobals* glob, SInt16 selector);

ComponentResult Base_Version(BaseGlobals* /*glob*/) {
    return kBaseImageDecompressorVersion;
}

ComponentResult Base_Target(BaseGlobals* glob, ComponentInstance target) {
    glob->target = target;
    return noErr;
}

ComponentResult Base_PreDecompress(BaseGlobals* glob, CodecDecompressParams* params) {
    if (params == nullptr) {
        return paramErr;
    }
    if (!glob->initialized) {
        ImageSubCodecDecompressCapabilities caps{};
        caps.recordSize = sizeof(caps);
        if (ComponentResult err = ImageCodecInitialize(glob->target, &caps); err != noErr) {
            return err;
        }
        if (caps.decompressRecordSize < 0 || caps.decompressRecordSize > kMaxFrameRecordSize) {
            return codecErr;
        }
        glob->frameRecord.assign(static_cast<size_t>(caps.decompressRecordSize), 0);
        glob->initialized = true;
    }
    return ImageCodecPreflight(glob->target, params);
}

// Draws through the codec's work function when it offers one.
ComponentResult DrawBand(BaseGlobals* glob, ImageSubCodecDecompressRecord* drp) {
    ComponentMPWorkFunctionUPP work = nullptr;
    void* refCon = nullptr;
    if (ComponentGetMPWorkFunction(glob->target, &work, &refCon) == noErr && work != nullptr) {
        ImageCodecMPWorkRecord record{};
        record.header.headerSize = sizeof(record.header);
        record.header.recordSize = sizeof(record);
        record.header.processorCount = 1;
        record.drp = drp;
        return work(refCon, &record.header);
    }
    return ImageCodecDrawBand(glob->target, drp);
}

ComponentResult Base_BandDecompress(BaseGlobals* glob, CodecDecompressParams* params) {
    if (params == nullptr) {
        return paramErr;
    }
    if (!glob->initialized) {
        return codecConditionErr;
    }
    std::fill(glob->frameRecord.begin(), glob->frameRecord.end(), 0);
    ImageSubCodecDecompressRecord drp{};
    drp.baseAddr = params->dstPixMap.baseAddr;
    drp.rowBytes = params->dstPixMap.rowBytes;
    drp.codecData = params->data;
    drp.progressProcRecord = params->progressProcRecord;
    drp.dataProcRecord = params->dataProcRecord;
    drp.userDecompressRecord = glob->frameRecord.empty() ? nullptr : glob->frameRecord.data();
    ComponentResult err = ImageCodecBeginBand(glob->target, params, &drp, 0);
    if (err == noErr) {
        err = DrawBand(glob, &drp);
        ImageCodecEndBand(glob->target, &drp, static_cast<OSErr>(err), 0);
    }
    const ICMCompletionProcRecord& completion = params->completionProcRecord;
    if (completion.completionProc != nullptr) {
        completion.completionProc(static_cast<OSErr>(err),
                                  codecCompletionSource | codecCompletionDest,
                                  completion.completionRefCon);
    }
    return err;
}

ComponentResult Base_Busy(BaseGlobals* /*glob*/, ImageSequence /*seq*/) {
    return 0;
}

ComponentResult Base_GetBaseMPWorkFunction(BaseGlobals* glob,
                                           ComponentMPWorkFunctionUPP* workFunction, void** refCon,
                                           ImageCodecMPDrawBandUPP drawProc, void* drawProcRefCon) {
    if (workFunction == nullptr || refCon == nullptr || drawProc == nullptr) {
        return paramErr;
    }
    glob->binding = {drawProc, drawProcRefCon};
    *workFunction = BaseDrawBandWork;
    *refCon = &glob->binding;
    return noErr;
}

// Selectors -6 to -1.
const ComponentDispatchEntry kStandardCalls[] = {
    ComponentCall(Base_Target),   // -6 target
    kComponentError,              // -5 register
    ComponentCall(Base_Version),  // -4 version
    ComponentCall(Base_CanDo),    // -3 can do
    ComponentCall(Base_Close),    // -2 close
    ComponentCall(Base_Open),     // -1 open
};

// Selectors 5 to 7.
const ComponentDispatchEntry kDecompressCalls[] = {
    ComponentCall(Base_PreDecompress),   // 5 predecompress
    ComponentCall(Base_BandDecompress),  // 6 band decompress
    ComponentCall(Base_Busy),            // 7 busy
};

const ComponentDispatchEntry kWorkFunctionCalls[] = {
    ComponentCall(Base_GetBaseMPWorkFunction),  // 0x25
};

const ComponentDispatchRange kRanges[] = {
    {kComponentTargetSelect, kStandardCalls},
    {kImageCodecPreDecompressSelect, kDecompressCalls},
    {kImageCodecGetBaseMPWorkFunctionSelect, kWorkFunctionCalls},
};

ComponentResult Base_CanDo(BaseGlobals* /*glob*/, SInt16 selector) {
    return cdhRangeCanDo(kRanges, selector, nullptr);
}

}  // namespace

ComponentResult BaseImageDecompressor_ComponentDispatch(ComponentParameters* params,
                                                        Handle storage) {
    return cdhRangeDispatch(params, storage, kRanges, nullptr);
}

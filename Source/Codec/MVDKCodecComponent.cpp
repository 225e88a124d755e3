// The dispatcher of the MVDK codec components, their life cycle, codec
// information, private selectors and registration.

#include "Codec/MVDKCodecComponent.h"

#include <cstring>
#include <new>

#include "Base/TextUtils.h"
#include "Codec/MVDKCodecResources.h"
#include "Components/ComponentDispatch.h"
#include "Components/Resources.h"
#include "ImageCompression/BaseImageDecompressor.h"

namespace {

constexpr char kCodecName[] = "Morvandel Lucidrome";
constexpr SInt32 kFormatFlags = codecInfoDepth8 | codecInfoDepth16 | codecInfoDepth24 |
                                codecInfoDepth32 | codecInfoDoesLossless;  // 0x1078
static_assert(kFormatFlags == 0x00001078);
static_assert(kMVDKDecompressFlags == (codecInfoDoes8 | codecInfoDoes16 | codecInfoDoes32 |
                                       codecInfoDoesTemporal | codecInfoDoesSpool));
static_assert(kMVDKCompressFlags ==
              (codecInfoDoes8 | codecInfoDoes16 | codecInfoDoes32 | codecInfoDoesTemporal));

// zlib accepts levels 0 to 9 and -1 for its default.
bool IsZlibLevel(SInt32 value) {
    return value >= -1 && value <= kMVDKMaxLevel;
}

void FillDefaultCodecInfo(CodecInfo* info) {
    std::memset(info, 0, sizeof(*info));
    CopyCStringToPascal(kCodecName, info->typeName, sizeof(info->typeName));
    info->version = 1;
    info->revisionLevel = 1;
    info->vendor = static_cast<SInt32>(kMVDKCodecManufacturer);
    info->decompressFlags = static_cast<SInt32>(kMVDKDecompressFlags);
    info->compressFlags = static_cast<SInt32>(kMVDKCompressFlags);
    info->formatFlags = kFormatFlags;
    info->compressionAccuracy = 128;
    info->decompressionAccuracy = 128;
    info->compressionSpeed = 200;
    info->decompressionSpeed = 200;
    info->compressionLevel = 128;
    info->minimumHeight = 1;
    info->minimumWidth = 1;
}

// The draw-band procedure handed to the base decompressor's work function.
ComponentResult MVDKCodec_MPDrawBand(void* refcon, ImageSubCodecDecompressRecord* drp) {
    return MVDKCodec_DrawBand(static_cast<MVDKCodecStorage*>(refcon), drp);
}

// Selectors -8 to -1.
const ComponentDispatchEntry cdhDispatchInfo0[] = {
    ComponentCall(MVDKCodec_GetMPWorkFunction),  // -8 get MP work function
    kComponentError,                             // -7 unregister
    ComponentCall(MVDKCodec_Target),             // -6 target
    ComponentCall(MVDKCodec_Register),           // -5 register
    ComponentCall(MVDKCodec_Version),            // -4 version
    ComponentCall(MVDKCodec_CanDo),              // -3 can do
    ComponentCall(MVDKCodec_Close),              // -2 close
    ComponentCall(MVDKCodec_Open),               // -1 open
};

// Selectors 0 to 51.
const ComponentDispatchEntry cdhDispatchInfo1[] = {
    ComponentCall(MVDKCodec_GetCodecInfo),           // 0 get codec info
    ComponentCall(MVDKCodec_GetCompressionTime),     // 1 get compression time
    ComponentCall(MVDKCodec_GetMaxCompressionSize),  // 2 get max compression size
    ComponentCall(MVDKCodec_PreCompress),            // 3 precompress
    ComponentCall(MVDKCodec_BandCompress),           // 4 band compress
    kComponentDelegate,                              // 5 predecompress
    kComponentDelegate,                              // 6 band decompress
    kComponentDelegate,                              // 7 busy
    kComponentError,                                 // 8 get compressed image size
    kComponentDelegate,                              // 9 get similarity
    kComponentDelegate,                              // 10 trim image
    ComponentCall(MVDKCodec_RequestSettings),        // 11 request settings
    ComponentCall(MVDKCodec_GetSettings),            // 12 get settings
    ComponentCall(MVDKCodec_SetSettings),            // 13 set settings
    // 14 to 45
    kComponentDelegate, kComponentDelegate, kComponentDelegate, kComponentDelegate,
    kComponentDelegate, kComponentDelegate, kComponentDelegate, kComponentDelegate,
    kComponentDelegate, kComponentDelegate, kComponentDelegate, kComponentDelegate,
    kComponentDelegate, kComponentDelegate, kComponentDelegate, kComponentDelegate,
    kComponentDelegate, kComponentDelegate, kComponentDelegate, kComponentDelegate,
    kComponentDelegate, kComponentDelegate, kComponentDelegate, kComponentDelegate,
    kComponentDelegate, kComponentDelegate, kComponentDelegate, kComponentDelegate,
    kComponentDelegate, kComponentDelegate, kComponentDelegate, kComponentDelegate,
    ComponentCall(MVDKCodec_GetDITLForSize),     // 46 get DITL for size
    ComponentCall(MVDKCodec_DITLInstall),        // 47 DITL install
    ComponentCall(MVDKCodec_DITLEvent),          // 48 DITL event
    ComponentCall(MVDKCodec_DITLItem),           // 49 DITL item
    ComponentCall(MVDKCodec_DITLRemove),         // 50 DITL remove
    ComponentCall(MVDKCodec_DITLValidateInput),  // 51 DITL validate input
};
static_assert(std::size(cdhDispatchInfo1) == 52);

// Selectors 256 to 260, the private ones.
const ComponentDispatchEntry cdhDispatchInfo2[] = {
    ComponentCall(MVDKCodec_SetFlipped),                   // 256
    ComponentCall(MVDKCodec_SetSrcEndianSwapped),          // 257
    ComponentCall(MVDKCodec_SetCompressorLevel),           // 258
    ComponentCall(MVDKCodec_SetAdjustZlibLevelThreshold),  // 259
    ComponentCall(MVDKCodec_SetAdjustZlibLevelAmount),     // 260
};

// Selectors 512 to 521.
const ComponentDispatchEntry cdhDispatchInfo3[] = {
    ComponentCall(MVDKCodec_Preflight),      // 512 preflight
    ComponentCall(MVDKCodec_Initialize),     // 513 initialize
    ComponentCall(MVDKCodec_BeginBand),      // 514 begin band
    ComponentCall(MVDKCodec_DrawBand),       // 515 draw band
    ComponentCall(MVDKCodec_EndBand),        // 516 end band
    ComponentCall(MVDKCodec_QueueStarting),  // 517 queue starting
    ComponentCall(MVDKCodec_QueueStopping),  // 518 queue stopping
    kComponentError,                         // 519 dropping frame
    kComponentError,                         // 520 schedule frame
    kComponentError,                         // 521 cancel trigger
};

const ComponentDispatchRange kSelectorRanges[] = {
    {kComponentGetMPWorkFunctionSelect, cdhDispatchInfo0},
    {kImageCodecGetCodecInfoSelect, cdhDispatchInfo1},
    {kMVDKSetFlippedSelect, cdhDispatchInfo2},
    {kImageCodecPreflightSelect, cdhDispatchInfo3},
};

Component RegisterCodec(OSType type, UInt32 flags) {
    const ComponentDescription cd{type, kMVDKCodecType, kMVDKCodecManufacturer, flags, 0};
    const std::span<const ComponentResourceEntry> resources = MVDKCodecResources();
    return RegisterComponentWithResources(&cd, MVDKCodec_ComponentDispatch, 0, nullptr, nullptr,
                                          nullptr, resources.data(),
                                          static_cast<long>(resources.size()));
}

}  // namespace

ComponentResult MVDKCodec_ComponentDispatch(ComponentParameters* params, Handle storage) {
    const auto* glob = reinterpret_cast<const MVDKCodecStorage*>(storage);
    return cdhRangeDispatch(params, storage, kSelectorRanges,
                            glob != nullptr ? glob->delegate : nullptr);
}

ComponentResult MVDKCodec_Open(MVDKCodecStorage* /*none yet*/, ComponentInstance self) {
    MVDKCodecStorage* storage = nullptr;
    try {
        storage = new MVDKCodecStorage{};
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    SetComponentInstanceStorage(self, reinterpret_cast<Handle>(storage));
    storage->self = self;
    storage->target = self;
    storage->level = kMVDKDefaultLevel;
    MVDK_ReadUserDefaults(storage);
    if (OSErr err =
            OpenADefaultComponent(decompressorComponentType, kBaseCodecType, &storage->delegate);
        err != noErr) {
        return err;
    }
    return ComponentSetTarget(storage->delegate, self);
}

ComponentResult MVDKCodec_Close(MVDKCodecStorage* storage, ComponentInstance self) {
    if (storage == nullptr) {
        return noErr;
    }
    storage->compressor.endSequence();
    storage->drawBandProc = nullptr;
    if (storage->delegate != nullptr) {
        CloseComponent(storage->delegate);
    }
    SetComponentInstanceStorage(self, nullptr);
    delete storage;
    return noErr;
}

ComponentResult MVDKCodec_CanDo(MVDKCodecStorage* storage, SInt16 selector) {
    return cdhRangeCanDo(kSelectorRanges, selector, storage->delegate);
}

ComponentResult MVDKCodec_Version(MVDKCodecStorage* /*storage*/) {
    return kMVDKCodecVersion;
}

ComponentResult MVDKCodec_Register(MVDKCodecStorage* /*storage*/) {
    return noErr;
}

ComponentResult MVDKCodec_Target(MVDKCodecStorage* storage, ComponentInstance target) {
    storage->target = target;
    return noErr;
}

ComponentResult MVDKCodec_GetMPWorkFunction(MVDKCodecStorage* storage,
                                            ComponentMPWorkFunctionUPP* workFunction,
                                            void** refCon) {
    storage->drawBandProc = MVDKCodec_MPDrawBand;
    return ImageCodecGetBaseMPWorkFunction(storage->delegate, workFunction, refCon,
                                           storage->drawBandProc, storage);
}

ComponentResult MVDKCodec_GetCodecInfo(MVDKCodecStorage* storage, CodecInfo* info) {
    if (info == nullptr) {
        return paramErr;
    }
    Handle resource = nullptr;
    const OSErr err = GetComponentResource(reinterpret_cast<Component>(storage->self), 'cdci',
                                           kMVDKCodecInfoResID, &resource);
    if (err == resNotFound) {
        FillDefaultCodecInfo(info);
        return noErr;
    }
    if (err != noErr) {
        return err;
    }
    // A resource of another size is not a codec information record.
    if (GetHandleSize(resource) == static_cast<Size>(sizeof(CodecInfo))) {
        BlockMoveData(*resource, info, sizeof(CodecInfo));
    }
    DisposeHandle(resource);
    return noErr;
}

ComponentResult MVDKCodec_SetFlipped(MVDKCodecStorage* storage, SInt32 value) {
    storage->flipped = static_cast<UInt32>(value);
    return noErr;
}

ComponentResult MVDKCodec_SetSrcEndianSwapped(MVDKCodecStorage* storage, SInt32 value) {
    storage->srcEndianSwapped = static_cast<UInt32>(value);
    return noErr;
}

ComponentResult MVDKCodec_SetCompressorLevel(MVDKCodecStorage* storage, SInt32 value) {
    if (!IsZlibLevel(value)) {
        return paramErr;
    }
    storage->level = value;
    return noErr;
}

ComponentResult MVDKCodec_SetAdjustZlibLevelThreshold(MVDKCodecStorage* storage, SInt32 value) {
    storage->adjustLevel = 1;
    storage->adjustThreshold = value;
    return noErr;
}

ComponentResult MVDKCodec_SetAdjustZlibLevelAmount(MVDKCodecStorage* storage, SInt32 value) {
    if (!IsZlibLevel(value)) {
        return paramErr;
    }
    storage->adjustAmount = value;
    return noErr;
}

ComponentResult MVDK_SetFlipped(ComponentInstance instance, SInt32 value) {
    return CallComponentWith(instance, kMVDKSetFlippedSelect, value);
}

ComponentResult MVDK_SetSrcEndianSwapped(ComponentInstance instance, SInt32 value) {
    return CallComponentWith(instance, kMVDKSetSrcEndianSwappedSelect, value);
}

ComponentResult MVDK_SetCompressorLevel(ComponentInstance instance, SInt32 value) {
    return CallComponentWith(instance, kMVDKSetCompressorLevelSelect, value);
}

ComponentResult MVDK_SetAdjustZlibLevelThreshold(ComponentInstance instance, SInt32 value) {
    return CallComponentWith(instance, kMVDKSetAdjustZlibLevelThresholdSelect, value);
}

ComponentResult MVDK_SetAdjustZlibLevelAmount(ComponentInstance instance, SInt32 value) {
    return CallComponentWith(instance, kMVDKSetAdjustZlibLevelAmountSelect, value);
}

Component MVDKRegisterEncoderComponent() {
    return RegisterCodec(compressorComponentType, kMVDKCompressFlags);
}

Component MVDKRegisterDecoderComponent() {
    return RegisterCodec(decompressorComponentType, kMVDKDecompressFlags);
}

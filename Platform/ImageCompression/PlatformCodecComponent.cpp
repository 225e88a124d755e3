#include "ImageCompression/PlatformCodecComponent.h"

#include <algorithm>
#include <new>

#include "Base/TextUtils.h"
#include "Components/ComponentDispatch.h"
#include "ImageCompression/BaseImageDecompressor.h"

namespace icm {
namespace {

constexpr SInt16 kDepth = 32;
constexpr Fixed kKeySimilarity = 0;
constexpr Fixed kDifferenceSimilarity = 0x7FFEFFFF;

struct CodecGlobals {
    const PlatformCodecDefinition* codec = nullptr;
    std::unique_ptr<PlatformFrameCoder> coder;
    ComponentInstance self = nullptr;
    ComponentInstance target = nullptr;
    ComponentInstance delegate = nullptr;  // the base image decompressor
    int width = 0;                         // of the compression sequence
    int height = 0;
};

// The per-frame record the base decompressor keeps for us.
struct FrameRecord {
    long dataSize;
    int width;
    int height;
};

ComponentResult Open(ComponentInstance self, const PlatformCodecDefinition& codec) {
    auto* glob = new (std::nothrow) CodecGlobals;
    if (glob == nullptr) {
        return memFullErr;
    }
    glob->codec = &codec;
    glob->coder = codec.makeCoder();
    glob->self = self;
    glob->target = self;
    SetComponentInstanceStorage(self, reinterpret_cast<Handle>(glob));
    if (OSErr err =
            OpenADefaultComponent(decompressorComponentType, kBaseCodecType, &glob->delegate);
        err != noErr) {
        return err;  // the close request that follows frees the globals
    }
    return ComponentSetTarget(glob->delegate, self);
}

ComponentResult Close(CodecGlobals* glob, ComponentInstance /*self*/) {
    if (glob != nullptr) {
        if (glob->delegate != nullptr) {
            CloseComponent(glob->delegate);
        }
        delete glob;
    }
    return noErr;
}

ComponentResult CanDo(CodecGlobals* glob, SInt16 selector);

ComponentResult Version(CodecGlobals* /*glob*/) {
    return kPlatformCodecVersion;
}

ComponentResult Target(CodecGlobals* glob, ComponentInstance target) {
    glob->target = target;
    return noErr;
}

ComponentResult GetCodecInfo(CodecGlobals* glob, CodecInfo* info) {
    if (info == nullptr) {
        return paramErr;
    }
    *info = CodecInfo{};
    CopyCStringToPascal(glob->codec->name, info->typeName, sizeof(info->typeName));
    info->version = 1;
    info->revisionLevel = 1;
    info->vendor = static_cast<SInt32>(kPlatformCodecManufacturer);
    info->decompressFlags = glob->codec->flags;
    info->compressFlags = glob->codec->flags;
    info->formatFlags = kPlatformCodecFormatFlags;
    info->compressionAccuracy = 128;
    info->decompressionAccuracy = 128;
    info->compressionSpeed = 200;
    info->decompressionSpeed = 200;
    info->compressionLevel = 128;
    info->minimumHeight = 1;
    info->minimumWidth = 1;
    return noErr;
}

ComponentResult GetMaxCompressionSize(CodecGlobals* glob, PixMapHandle /*src*/, const Rect* srcRect,
                                      SInt16 depth, CodecQ /*quality*/, long* size) {
    if (srcRect == nullptr || size == nullptr) {
        return paramErr;
    }
    if (depth != kDepth) {
        return codecConditionErr;
    }
    const int width = srcRect->right - srcRect->left;
    const int height = srcRect->bottom - srcRect->top;
    if (width < 1 || height < 1) {
        return paramErr;
    }
    *size = static_cast<long>(glob->coder->maxFrameSize(width, height));
    return noErr;
}

// Both sequence calls describe one whole frame as a single band.
void SetWholeFrameCapabilities(CodecCapabilities* caps, int height) {
    if (caps != nullptr) {
        caps->flags = 0;
        caps->wantedPixelSize = kDepth;
        caps->extendWidth = 0;
        caps->extendHeight = 0;
        caps->bandMin = static_cast<SInt16>(height);
        caps->bandInc = static_cast<SInt16>(height);
        caps->time = 0;
    }
}

bool ValidDescription(ImageDescriptionHandle desc) {
    return desc != nullptr && *desc != nullptr && (**desc).width > 0 && (**desc).height > 0;
}

ComponentResult PreCompress(CodecGlobals* glob, CodecCompressParams* params) {
    if (params == nullptr || !ValidDescription(params->imageDescription)) {
        return paramErr;
    }
    const ImageDescription& desc = **params->imageDescription;
    if (desc.depth != kDepth) {
        return codecConditionErr;
    }
    SetWholeFrameCapabilities(params->capabilities, desc.height);
    params->wantedSourcePixelType = k32ARGBPixelFormat;
    glob->width = desc.width;
    glob->height = desc.height;
    return glob->coder->beginSequence(desc.width, desc.height);
}

ComponentResult BandCompress(CodecGlobals* glob, CodecCompressParams* params) {
    if (params == nullptr || !ValidDescription(params->imageDescription)) {
        return paramErr;
    }
    ImageDescription& desc = **params->imageDescription;
    constexpr long kWholeFrame = codecConditionFirstBand | codecConditionLastBand;
    if ((params->conditionFlags & kWholeFrame) != kWholeFrame || glob->width == 0 ||
        desc.width != glob->width || desc.height != glob->height) {
        return codecConditionErr;
    }
    const PixMap& src = params->srcPixMap;
    if (src.baseAddr == nullptr || src.pixelSize != kDepth ||
        (src.pixelFormat != 0 && src.pixelFormat != k32ARGBPixelFormat) ||
        src.rowBytes < glob->width * 4 || params->data == nullptr || params->bufferSize <= 0) {
        return paramErr;
    }
    const bool wantKey = params->frameNumber == 0 ||
                         (params->callerFlags & codecFlagForceKeyFrame) != 0 ||
                         params->temporalQuality == 0;
    size_t size = 0;
    bool key = false;
    OSErr err =
        glob->coder->compressFrame(reinterpret_cast<const UInt8*>(src.baseAddr), src.rowBytes,
                                   wantKey, reinterpret_cast<UInt8*>(params->data),
                                   static_cast<size_t>(params->bufferSize), &size, &key);
    if (err != noErr) {
        return err;
    }
    desc.dataSize = static_cast<SInt32>(size);
    params->compressedDataSize = static_cast<long>(size);
    params->similarity = key ? kKeySimilarity : kDifferenceSimilarity;
    return noErr;
}

ComponentResult Preflight(CodecGlobals* glob, CodecDecompressParams* params) {
    if (params == nullptr || !ValidDescription(params->imageDescription)) {
        return paramErr;
    }
    const ImageDescription& desc = **params->imageDescription;
    if (desc.depth != kDepth) {
        return codecConditionErr;
    }
    SetWholeFrameCapabilities(params->capabilities, desc.height);
    return glob->coder->beginDecompression(params->imageDescription);
}

ComponentResult Initialize(CodecGlobals* /*glob*/, ImageSubCodecDecompressCapabilities* cap) {
    if (cap == nullptr) {
        return paramErr;
    }
    cap->decompressRecordSize = sizeof(FrameRecord);
    cap->canAsync = false;
    return noErr;
}

ComponentResult BeginBand(CodecGlobals* /*glob*/, CodecDecompressParams* params,
                          ImageSubCodecDecompressRecord* drp, long /*flags*/) {
    if (params == nullptr || drp == nullptr || drp->userDecompressRecord == nullptr ||
        !ValidDescription(params->imageDescription)) {
        return paramErr;
    }
    const ImageDescription& desc = **params->imageDescription;
    const PixMap& dst = params->dstPixMap;
    const Rect& where = params->dstRect;
    // The frame must lie inside the destination picture.
    if (dst.baseAddr == nullptr || dst.pixelSize != kDepth || where.left < dst.bounds.left ||
        where.top < dst.bounds.top || where.left + desc.width > dst.bounds.right ||
        where.top + desc.height > dst.bounds.bottom ||
        dst.rowBytes < (dst.bounds.right - dst.bounds.left) * 4) {
        return paramErr;
    }
    long size = desc.dataSize;
    if (params->bufferSize > 0) {
        size = std::min(size, params->bufferSize);
    }
    if (size <= 0 || drp->codecData == nullptr) {
        return codecImageBufErr;
    }
    drp->baseAddr = dst.baseAddr + (where.top - dst.bounds.top) * long{dst.rowBytes} +
                    (where.left - dst.bounds.left) * 4L;
    drp->rowBytes = dst.rowBytes;
    auto* record = static_cast<FrameRecord*>(drp->userDecompressRecord);
    *record = {size, desc.width, desc.height};
    return noErr;
}

ComponentResult DrawBand(CodecGlobals* glob, ImageSubCodecDecompressRecord* drp) {
    if (drp == nullptr || drp->userDecompressRecord == nullptr) {
        return paramErr;
    }
    const auto& record = *static_cast<const FrameRecord*>(drp->userDecompressRecord);
    if (record.dataSize <= 0) {
        return codecBadDataErr;
    }
    const std::span<const UInt8> data(reinterpret_cast<const UInt8*>(drp->codecData),
                                      static_cast<size_t>(record.dataSize));
    return glob->coder->decodeFrame(data, reinterpret_cast<UInt8*>(drp->baseAddr), drp->rowBytes,
                                    record.width, record.height);
}

ComponentResult EndBand(CodecGlobals* /*glob*/, ImageSubCodecDecompressRecord* /*drp*/,
                        OSErr /*result*/, long /*flags*/) {
    return noErr;
}

// Selectors -6 to -2 (open is served before the table is consulted).
const ComponentDispatchEntry kStandardCalls[] = {
    ComponentCall(Target),   // -6
    kComponentError,         // -5 register
    ComponentCall(Version),  // -4
    ComponentCall(CanDo),    // -3
    ComponentCall(Close),    // -2
};

// Selectors 0 to 6; predecompress and band decompress go to the base.
const ComponentDispatchEntry kCodecCalls[] = {
    ComponentCall(GetCodecInfo),           // 0
    kComponentError,                       // 1 get compression time
    ComponentCall(GetMaxCompressionSize),  // 2
    ComponentCall(PreCompress),            // 3
    ComponentCall(BandCompress),           // 4
    kComponentDelegate,                    // 5 predecompress
    kComponentDelegate,                    // 6 band decompress
};

// Selectors 0x200 to 0x204: what the base decompressor calls back.
const ComponentDispatchEntry kSubCodecCalls[] = {
    ComponentCall(Preflight),   // 0x200
    ComponentCall(Initialize),  // 0x201
    ComponentCall(BeginBand),   // 0x202
    ComponentCall(DrawBand),    // 0x203
    ComponentCall(EndBand),     // 0x204
};

const ComponentDispatchRange kRanges[] = {
    {kComponentTargetSelect, kStandardCalls},
    {kImageCodecGetCodecInfoSelect, kCodecCalls},
    {kImageCodecPreflightSelect, kSubCodecCalls},
};

ComponentResult CanDo(CodecGlobals* glob, SInt16 selector) {
    if (selector == kComponentOpenSelect) {
        return 1;
    }
    return cdhRangeCanDo(kRanges, selector, glob->delegate);
}

}  // namespace

ComponentResult PlatformCodecDispatch(ComponentParameters* params, Handle storage,
                                      const PlatformCodecDefinition& codec) {
    if (params != nullptr && params->what == kComponentOpenSelect) {
        if (ComponentParameterCount(params) < 1) {
            return paramErr;
        }
        return Open(reinterpret_cast<ComponentInstance>(params->params[0]), codec);
    }
    auto* glob = reinterpret_cast<CodecGlobals*>(storage);
    if (glob == nullptr && params != nullptr && params->what != kComponentCloseSelect) {
        return badComponentInstance;
    }
    return cdhRangeDispatch(params, storage, kRanges, glob != nullptr ? glob->delegate : nullptr);
}

}  // namespace icm

// The decompressor side of the MVDK codec component: what the base image
// decompressor calls for each sequence and frame.

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "Codec/MVDKCodecComponent.h"

namespace {

// The data-loading procedure is asked for at most this much at a time.
constexpr size_t kDataChunk = 32768;

bool IsDecodableDepth(SInt16 depth) {
    return (depth >= 1 && depth <= 8) || depth == 16 || depth == 24 || depth == 32;
}

// Pixel size of the destination the decoder writes for a depth.
SInt16 DestinationPixelSize(SInt16 depth) {
    if (depth == 24) {
        return 32;
    }
    return std::max<SInt16>(depth, 8);
}

const ImageDescription* DescriptionOf(const CodecDecompressParams* params) {
    if (params == nullptr || params->imageDescription == nullptr ||
        *params->imageDescription == nullptr) {
        return nullptr;
    }
    return *params->imageDescription;
}

// Where the frame lands in the destination: the frame must lie inside the
// destination's bounds and its lines must hold the bounds' width.
OSErr FrameAddress(const CodecDecompressParams& params, const ImageDescription& desc, long rowBytes,
                   Ptr* address) {
    const PixMap& dst = params.dstPixMap;
    if (dst.baseAddr == nullptr || dst.pixelSize != DestinationPixelSize(desc.depth)) {
        return paramErr;
    }
    const long left = static_cast<long>(params.dstRect.left) - dst.bounds.left;
    const long top = static_cast<long>(params.dstRect.top) - dst.bounds.top;
    const long boundsWidth = static_cast<long>(dst.bounds.right) - dst.bounds.left;
    const long boundsHeight = static_cast<long>(dst.bounds.bottom) - dst.bounds.top;
    const long pixelBytes = dst.pixelSize / 8;
    if (desc.width < 1 || desc.height < 1 || left < 0 || top < 0 ||
        left + desc.width > boundsWidth || top + desc.height > boundsHeight ||
        rowBytes < boundsWidth * pixelBytes || rowBytes > INT32_MAX) {
        return paramErr;
    }
    *address = dst.baseAddr + top * rowBytes + left * pixelBytes;
    return noErr;
}

// Fetches the frame data through the data-loading procedure, chunk by
// chunk, into the gather buffer.
OSErr GatherFrameData(MVDKCodecStorage* storage, const ImageSubCodecDecompressRecord& drp,
                      size_t length) {
    try {
        storage->gatherBuffer.resize(length);
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    Ptr cursor = drp.codecData;
    for (size_t done = 0; done < length;) {
        const size_t chunk = std::min(length - done, kDataChunk);
        const OSErr err = drp.dataProcRecord.dataProc(&cursor, static_cast<long>(chunk),
                                                      drp.dataProcRecord.dataRefCon);
        if (err != noErr) {
            return err;
        }
        if (cursor == nullptr) {
            return codecBadDataErr;
        }
        std::memcpy(storage->gatherBuffer.data() + done, cursor, chunk);
        cursor += chunk;
        done += chunk;
    }
    return noErr;
}

}  // namespace

ComponentResult MVDKCodec_Preflight(MVDKCodecStorage* /*storage*/, CodecDecompressParams* params) {
    const ImageDescription* desc = DescriptionOf(params);
    if (desc == nullptr || params->capabilities == nullptr) {
        return paramErr;
    }
    if (!IsDecodableDepth(desc->depth)) {
        return codecConditionErr;
    }
    // The destination is taken in the layout the decoder writes: 32-bit
    // alpha, red, green, blue for depths 24 and 32, big-endian RGB555 for 16,
    // a byte per pixel below.
    CodecCapabilities& caps = *params->capabilities;
    caps.wantedPixelSize = DestinationPixelSize(desc->depth);
    caps.bandMin = desc->height;
    caps.bandInc = desc->height;
    caps.extendWidth = 0;
    caps.extendHeight = 0;
    return noErr;
}

ComponentResult MVDKCodec_Initialize(MVDKCodecStorage* /*storage*/,
                                     ImageSubCodecDecompressCapabilities* cap) {
    if (cap == nullptr) {
        return paramErr;
    }
    cap->decompressRecordSize = sizeof(MVDKFrameInfo);
    cap->canAsync = true;
    return noErr;
}

ComponentResult MVDKCodec_BeginBand(MVDKCodecStorage* storage, CodecDecompressParams* params,
                                    ImageSubCodecDecompressRecord* drp, long /*flags*/) {
    const ImageDescription* desc = DescriptionOf(params);
    if (desc == nullptr || drp == nullptr || drp->userDecompressRecord == nullptr) {
        return paramErr;
    }
    if (desc->dataSize == 0) {
        return codecImageBufErr;
    }
    if (!IsDecodableDepth(desc->depth)) {
        return codecConditionErr;
    }
    // No frame of this size and depth needs more data than this.
    const size_t dataSize = static_cast<size_t>(static_cast<UInt32>(desc->dataSize));
    const bool withoutLoader = drp->dataProcRecord.dataProc == nullptr;
    if (desc->dataSize < 0 ||
        dataSize > MVDKFrameCompressor::MaxFrameDataSize(desc->width, desc->height,
                                                         static_cast<uint16_t>(desc->depth)) ||
        (withoutLoader && params->bufferSize > 0 &&
         dataSize > static_cast<size_t>(params->bufferSize))) {
        return codecBadDataErr;
    }
    Ptr address = nullptr;
    if (OSErr err = FrameAddress(*params, *desc, drp->rowBytes, &address); err != noErr) {
        return err;
    }
    auto* frame = static_cast<MVDKFrameInfo*>(drp->userDecompressRecord);
    frame->srcPixelSize = static_cast<uint32_t>(dataSize);
    frame->width = desc->width;
    frame->height = desc->height;
    frame->flipped = 0;
    frame->depth = static_cast<uint16_t>(desc->depth);
    if (OSErr err = storage->decompressor.reserve(*frame, static_cast<int32_t>(drp->rowBytes));
        err != noErr) {
        return err;
    }
    drp->baseAddr = address;
    return noErr;
}

ComponentResult MVDKCodec_DrawBand(MVDKCodecStorage* storage, ImageSubCodecDecompressRecord* drp) {
    if (drp == nullptr || drp->userDecompressRecord == nullptr) {
        return paramErr;
    }
    const MVDKFrameInfo frame = *static_cast<const MVDKFrameInfo*>(drp->userDecompressRecord);
    const size_t length = frame.srcPixelSize;
    if (length == 0) {
        return codecBadDataErr;
    }
    const void* data = drp->codecData;
    if (drp->dataProcRecord.dataProc != nullptr) {
        if (OSErr err = GatherFrameData(storage, *drp, length); err != noErr) {
            return err;
        }
        data = storage->gatherBuffer.data();
    }
    return storage->decompressor.decompressFrame(frame, data, length, drp->baseAddr,
                                                 static_cast<int32_t>(drp->rowBytes));
}

ComponentResult MVDKCodec_EndBand(MVDKCodecStorage* /*storage*/,
                                  ImageSubCodecDecompressRecord* /*drp*/, OSErr /*result*/,
                                  long /*flags*/) {
    return noErr;
}

ComponentResult MVDKCodec_QueueStarting(MVDKCodecStorage* /*storage*/) {
    return noErr;
}

ComponentResult MVDKCodec_QueueStopping(MVDKCodecStorage* /*storage*/) {
    return noErr;
}

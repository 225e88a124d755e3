// The compressor side of the MVDK codec component: compression time and
// size, precompress and band compress.

#include "Codec/MVDKCodecComponent.h"

namespace {

constexpr Fixed kWholeFrame = 0x10000;

// The caller's progress procedure, told that a frame starts and ends.
class FrameProgress {
  public:
    explicit FrameProgress(const ICMProgressProcRecord& record) : m_record(record) {
        send(codecProgressOpen, 0);
        send(codecProgressUpdatePercent, 0);
    }
    ~FrameProgress() {
        if (m_produced) {
            send(codecProgressUpdatePercent, kWholeFrame);
        }
        send(codecProgressClose, 0);
    }
    FrameProgress(const FrameProgress&) = delete;
    FrameProgress& operator=(const FrameProgress&) = delete;

    void produced() { m_produced = true; }

  private:
    void send(SInt16 message, Fixed completeness) const {
        if (m_record.progressProc != nullptr) {
            m_record.progressProc(message, completeness, m_record.progressRefCon);
        }
    }

    const ICMProgressProcRecord& m_record;
    bool m_produced = false;
};

// The source pixel format the codec wants at each depth; 0 when it has none.
OSType WantedSourcePixelFormat(SInt16 depth, bool sourceSwapped) {
    switch (depth) {
        case 8:
            return k8IndexedPixelFormat;
        case 16:
            return k16BE555PixelFormat;
        case 24:
            return k24BGRPixelFormat;
        case 32:
            return sourceSwapped ? k32BGRAPixelFormat : k32ARGBPixelFormat;
        default:
            return 0;
    }
}

ImageDescription* DescriptionOf(const CodecCompressParams* params) {
    if (params == nullptr || params->imageDescription == nullptr ||
        *params->imageDescription == nullptr) {
        return nullptr;
    }
    return *params->imageDescription;
}

}  // namespace

ComponentResult MVDKCodec_GetCompressionTime(MVDKCodecStorage* /*storage*/, PixMapHandle /*src*/,
                                             const Rect* /*srcRect*/, SInt16 /*depth*/,
                                             CodecQ* spatialQuality, CodecQ* temporalQuality,
                                             unsigned long* time) {
    if (spatialQuality != nullptr) {
        *spatialQuality = codecLosslessQuality;
    }
    if (temporalQuality != nullptr) {
        *temporalQuality = codecNormalQuality;
    }
    if (time != nullptr) {
        *time = 0;
    }
    return noErr;
}

ComponentResult MVDKCodec_GetMaxCompressionSize(MVDKCodecStorage* /*storage*/, PixMapHandle /*src*/,
                                                const Rect* srcRect, SInt16 depth,
                                                CodecQ /*quality*/, long* size) {
    if (srcRect == nullptr || size == nullptr) {
        return paramErr;
    }
    const long width = static_cast<long>(srcRect->right) - srcRect->left;
    const long height = static_cast<long>(srcRect->bottom) - srcRect->top;
    if (width < 0 || height < 0 || depth <= 0) {
        return paramErr;
    }
    *size = width * height * depth / 8;
    return noErr;
}

ComponentResult MVDKCodec_PreCompress(MVDKCodecStorage* storage, CodecCompressParams* params) {
    const ImageDescription* desc = DescriptionOf(params);
    if (desc == nullptr || params->capabilities == nullptr) {
        return paramErr;
    }
    const OSType wanted = WantedSourcePixelFormat(desc->depth, storage->srcEndianSwapped != 0);
    if (wanted == 0) {
        return codecConditionErr;
    }
    // A new sequence: a fresh work buffer, and no previous frame until the
    // first frame of the sequence.
    const OSErr err = storage->compressor.beginSequence(desc->width, desc->height,
                                                        static_cast<uint16_t>(desc->depth));
    if (err != noErr) {
        return err;
    }
    params->wantedSourcePixelType = wanted;
    CodecCapabilities& caps = *params->capabilities;
    caps.flags = codecCanCopyPrev | codecCanManagePrevBuffer;
    caps.wantedPixelSize = desc->depth;
    caps.extendWidth = 0;
    caps.extendHeight = 0;
    caps.bandMin = desc->height;  // the whole frame is one band
    caps.bandInc = desc->height;
    caps.time = 0;
    return noErr;
}

ComponentResult MVDKCodec_BandCompress(MVDKCodecStorage* storage, CodecCompressParams* params) {
    ImageDescription* desc = DescriptionOf(params);
    if (desc == nullptr) {
        return paramErr;
    }
    if (desc->depth < 8) {
        return codecSizeErr;
    }
    constexpr long kWholeFrameBand = codecConditionFirstBand | codecConditionLastBand;
    if ((params->conditionFlags & kWholeFrameBand) != kWholeFrameBand) {
        return codecConditionErr;
    }
    if (params->data == nullptr || params->bufferSize <= 0) {
        return paramErr;
    }

    const PixMap& src = params->srcPixMap;
    MVDKFrameInfo info{};
    info.srcPixelSize = static_cast<uint32_t>(src.pixelSize);
    info.width = desc->width;
    info.height = desc->height;
    info.flipped = storage->flipped != 0 ? 1 : 0;
    info.depth = static_cast<uint16_t>(desc->depth);

    MVDKCompressOptions options;
    options.frameNumber = static_cast<uint32_t>(params->frameNumber);
    options.forceKeyFrame = (params->callerFlags & codecFlagForceKeyFrame) != 0;
    options.temporalQuality = params->temporalQuality;
    options.level = storage->adjustLevel != 0 ? storage->adjustAmount : storage->level;
    options.swap = storage->srcEndianSwapped == 0;
    // A spooling caller gets codecSpoolErr for the frame, which therefore
    // must not become the previous frame.
    const bool spooling = params->flushProcRecord.flushProc != nullptr;
    options.updatePrevious = !spooling;

    FrameProgress progress(params->progressProcRecord);
    const MVDKCompressResult result =
        storage->compressor.compressFrame(info, src.baseAddr, src.rowBytes, options, params->data,
                                          static_cast<size_t>(params->bufferSize));
    if (result.err != noErr) {
        return result.err;
    }
    progress.produced();
    desc->dataSize = static_cast<SInt32>(result.dataLength);
    params->compressedDataSize = static_cast<long>(result.dataLength);
    params->similarity = static_cast<Fixed>(result.similarity);
    return spooling ? ComponentResult{codecSpoolErr} : ComponentResult{noErr};
}

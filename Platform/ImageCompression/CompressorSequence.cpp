#include "ImageCompression/CompressorSequence.h"

#include <cstring>

#include "Base/MacMemory.h"
#include "ImageCompression/PixelConversion.h"

namespace icm {
namespace {

// PixMap row bytes are 16-bit.
constexpr long kMaxRowBytes = 32767;
constexpr Fixed k72dpi = 72 << 16;

// True when x is an open instance rather than a component.
bool IsOpenInstance(Component x) {
    auto* ci = reinterpret_cast<ComponentInstance>(x);
    return CallComponentWith(ci, kComponentCanDoSelect, kComponentOpenSelect) !=
           badComponentInstance;
}

}  // namespace

OSType DefaultPixelFormatForDepth(int pixelSize) {
    switch (pixelSize) {
        case 32:
            return k32ARGBPixelFormat;
        case 24:
            return k24RGBPixelFormat;
        case 16:
            return k16BE555PixelFormat;
        default:
            return 0;
    }
}

CompressorSequence::~CompressorSequence() {
    if (m_ownsCodec && m_codec != nullptr) {
        CloseComponent(m_codec);
    }
    if (m_workDescription != nullptr) {
        DisposeHandle(reinterpret_cast<Handle>(m_workDescription));
    }
}

OSStatus CompressorSequence::openCompressor(const SequenceSettings& settings) {
    if (settings.compressor == nullptr) {
        const ComponentDescription looking{compressorComponentType, settings.codecType,
                                           kAnyComponentManufacturer, 0, kAnyComponentFlagsMask};
        Component found = FindNextComponent(nullptr, &looking);
        if (found == nullptr) {
            return noCodecErr;
        }
        m_ownsCodec = true;
        return OpenAComponent(found, &m_codec);
    }
    // A compressor handed in must be one for this codec type.
    ComponentDescription cd{};
    if (GetComponentInfo(settings.compressor, &cd, nullptr, nullptr, nullptr) != noErr ||
        cd.componentType != compressorComponentType || cd.componentSubType != settings.codecType) {
        return paramErr;
    }
    if (IsOpenInstance(settings.compressor)) {
        m_codec = reinterpret_cast<ComponentInstance>(settings.compressor);
        return noErr;
    }
    m_ownsCodec = true;
    return OpenAComponent(settings.compressor, &m_codec);
}

OSStatus CompressorSequence::describe(const SequenceSettings& settings) {
    CodecInfo info{};
    if (ImageCodecGetCodecInfo(m_codec, &info) != noErr) {
        info = CodecInfo{};
    }
    ImageDescription& d = m_description;
    d = ImageDescription{};
    d.idSize = sizeof(ImageDescription);
    d.cType = settings.codecType;
    d.version = info.version;
    d.revisionLevel = info.revisionLevel;
    d.vendor = static_cast<OSType>(info.vendor);
    d.temporalQuality = settings.temporalCompression ? settings.spatialQuality : 0;
    d.spatialQuality = settings.spatialQuality;
    d.width = static_cast<SInt16>(settings.width);
    d.height = static_cast<SInt16>(settings.height);
    d.hRes = k72dpi;
    d.vRes = k72dpi;
    d.frameCount = 1;
    std::memcpy(d.name, info.typeName, sizeof(d.name));
    if (d.name[0] >= sizeof(d.name)) {
        d.name[0] = sizeof(d.name) - 1;
    }
    d.depth = settings.depth;
    d.clutID = -1;
    m_workDescription =
        reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
    if (m_workDescription == nullptr) {
        return memFullErr;
    }
    **m_workDescription = d;
    return noErr;
}

PixMap CompressorSequence::pixMapFor(void* base, long rowBytes, OSType format) const {
    PixMap pm{};
    pm.baseAddr = static_cast<Ptr>(base);
    pm.rowBytes = static_cast<SInt16>(rowBytes);
    pm.bounds = Rect{0, 0, m_description.height, m_description.width};
    pm.hRes = k72dpi;
    pm.vRes = k72dpi;
    pm.pixelSize = static_cast<SInt16>(ConvertibleBytesPerPixel(format) * 8);
    pm.pixelFormat = format;
    return pm;
}

OSStatus CompressorSequence::begin(const SequenceSettings& settings) {
    if (m_codec != nullptr || settings.width < 1 || settings.height < 1 ||
        long{settings.width} * 4 > kMaxRowBytes || settings.height > kMaxRowBytes ||
        DefaultPixelFormatForDepth(settings.depth) == 0 ||
        settings.spatialQuality > codecLosslessQuality) {
        return paramErr;
    }
    OSStatus err = openCompressor(settings);
    if (err == noErr) {
        err = describe(settings);
    }
    if (err != noErr) {
        return err;
    }
    CodecCompressParams params{};
    params.imageDescription = m_workDescription;
    params.capabilities = &m_capabilities;
    params.conditionFlags = codecConditionFirstFrame | codecConditionNewDepth;
    params.srcPixMap = pixMapFor(nullptr, long{settings.width} * 4, k32ARGBPixelFormat);
    params.spatialQuality = settings.spatialQuality;
    params.temporalQuality = m_description.temporalQuality;
    if (err = ImageCodecPreCompress(m_codec, &params); err != noErr) {
        return err;
    }
    m_wantedFormat = params.wantedSourcePixelType != 0
                         ? params.wantedSourcePixelType
                         : DefaultPixelFormatForDepth(m_capabilities.wantedPixelSize != 0
                                                          ? m_capabilities.wantedPixelSize
                                                          : settings.depth);
    if (ConvertibleBytesPerPixel(m_wantedFormat) == 0) {
        return codecConditionErr;
    }
    const Rect bounds{0, 0, m_description.height, m_description.width};
    long maxSize = 0;
    err = ImageCodecGetMaxCompressionSize(m_codec, nullptr, &bounds, settings.depth,
                                          settings.spatialQuality, &maxSize);
    if (err != noErr) {
        return err;
    }
    if (maxSize <= 0) {
        return codecErr;
    }
    // Room beyond the codec's own bound: a lossless codec's bound is often the
    // raw frame size, which deflated noise can exceed by a little.
    m_maxFrameSize = static_cast<size_t>(maxSize) + static_cast<size_t>(maxSize) / 64 + 4096;
    return noErr;
}

OSStatus CompressorSequence::sourcePixels(CVPixelBufferRef source, PixMap& pixels,
                                          bool& converted) {
    const OSType format = CVPixelBufferGetPixelFormatType(source);
    void* base = CVPixelBufferGetBaseAddress(source);
    const long rowBytes = static_cast<long>(CVPixelBufferGetBytesPerRow(source));
    converted = format != m_wantedFormat || rowBytes > kMaxRowBytes;
    if (!converted) {
        pixels = pixMapFor(base, rowBytes, format);
        return noErr;
    }
    if (m_converted.empty()) {
        m_convertedRowBytes = long{m_description.width} * ConvertibleBytesPerPixel(m_wantedFormat);
        m_converted.resize(static_cast<size_t>(m_convertedRowBytes) * m_description.height);
    }
    if (!ConvertPixels({base, rowBytes, format},
                       {m_converted.data(), m_convertedRowBytes, m_wantedFormat},
                       m_description.width, m_description.height)) {
        return paramErr;
    }
    pixels = pixMapFor(m_converted.data(), m_convertedRowBytes, m_wantedFormat);
    return noErr;
}

OSStatus CompressorSequence::bandCompress(const PixMap& pixels, bool forceKeyFrame,
                                          CodecQ spatialQuality, CodecQ temporalQuality, UInt8* out,
                                          SequenceFrame& frame) {
    (**m_workDescription).dataSize = 0;
    CodecCompressParams params{};
    params.imageDescription = m_workDescription;
    params.data = reinterpret_cast<Ptr>(out);
    params.bufferSize = static_cast<long>(m_maxFrameSize);
    params.frameNumber = m_frameNumber;
    params.startLine = 0;
    params.stopLine = m_description.height;
    params.conditionFlags = codecConditionFirstBand | codecConditionLastBand |
                            (m_frameNumber == 0 ? codecConditionFirstFrame : 0);
    params.callerFlags = forceKeyFrame ? codecFlagForceKeyFrame : 0;
    params.capabilities = &m_capabilities;
    params.srcPixMap = pixels;
    params.spatialQuality = spatialQuality;
    params.temporalQuality = temporalQuality;
    if (OSStatus err = ImageCodecBandCompress(m_codec, &params); err != noErr) {
        return err;
    }
    const long size = (**m_workDescription).dataSize > 0 ? (**m_workDescription).dataSize
                                                         : params.compressedDataSize;
    if (size <= 0 || static_cast<size_t>(size) > m_maxFrameSize) {
        return codecErr;
    }
    frame.size = static_cast<size_t>(size);
    frame.keyFrame = params.similarity == 0;
    ++m_frameNumber;
    return noErr;
}

}  // namespace icm

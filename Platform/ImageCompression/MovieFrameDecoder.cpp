#include "ImageCompression/MovieFrameDecoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "Base/MacMemory.h"
#include "ImageCompression/CompressorSequence.h"
#include "ImageCompression/PixelConversion.h"
#include "MovieToolbox/MovieFileReader.h"
#include "MovieToolbox/SampleDescriptions.h"

namespace {

constexpr long kMaxRowBytes = 32767;
constexpr size_t kMaxDescriptionSize = 64 * 1024;

}  // namespace

MovieFrameDecoder::~MovieFrameDecoder() {
    end();
}

void MovieFrameDecoder::end() {
    if (m_codec != nullptr) {
        CloseComponent(m_codec);
        m_codec = nullptr;
    }
    if (m_description != nullptr) {
        DisposeHandle(reinterpret_cast<Handle>(m_description));
        m_description = nullptr;
    }
    m_width = m_height = 0;
    m_picture.clear();
    m_frame.clear();
    m_frameNumber = 0;
}

OSErr MovieFrameDecoder::openCodec(CodecType type) {
    const ComponentDescription looking{decompressorComponentType, type, kAnyComponentManufacturer,
                                       0, kAnyComponentFlagsMask};
    Component found = type != 0 ? FindNextComponent(nullptr, &looking) : nullptr;
    if (found == nullptr) {
        return noCodecErr;
    }
    return OpenAComponent(found, &m_codec);
}

CodecDecompressParams MovieFrameDecoder::paramsFor(const UInt8* data, size_t size) {
    const Rect bounds{0, 0, static_cast<SInt16>(m_height), static_cast<SInt16>(m_width)};
    CodecDecompressParams p{};
    p.sequenceID = 1;
    p.imageDescription = m_description;
    p.data = reinterpret_cast<Ptr>(const_cast<UInt8*>(data));
    p.bufferSize = static_cast<long>(size);
    p.frameNumber = m_frameNumber;
    p.startLine = 0;
    p.stopLine = m_height;
    p.conditionFlags = codecConditionFirstBand | codecConditionLastBand |
                       (m_frameNumber == 0 ? codecConditionFirstFrame : 0);
    p.capabilities = &m_capabilities;
    p.dstPixMap.baseAddr = m_picture.empty() ? nullptr : reinterpret_cast<Ptr>(m_picture.data());
    p.dstPixMap.rowBytes = static_cast<SInt16>(m_pictureRowBytes);
    p.dstPixMap.bounds = bounds;
    p.dstPixMap.pixelSize = static_cast<SInt16>(icm::ConvertibleBytesPerPixel(m_codecFormat) * 8);
    p.dstPixMap.pixelFormat = m_codecFormat;
    p.srcRect = bounds;
    p.dstRect = bounds;
    p.accuracy = codecNormalQuality;
    return p;
}

OSErr MovieFrameDecoder::begin(std::span<const UInt8> imageDescription,
                               CVPixelFormatType outputFormat) {
    end();
    ImageDescription d{};
    if (imageDescription.size() < sizeof(d) ||
        (outputFormat != kCVPixelFormatType_32ARGB && outputFormat != kCVPixelFormatType_32BGRA)) {
        return paramErr;
    }
    std::memcpy(&d, imageDescription.data(), sizeof(d));
    if (d.width < 1 || d.height < 1 || long{d.width} * 4 > kMaxRowBytes ||
        int64_t{d.width} * d.height > kMaxPixels) {
        return paramErr;
    }
    // Extensions up to the record's own size go to the codec with it; a
    // size that the bytes given do not hold leaves them out.
    size_t size = sizeof(d);
    if (d.idSize > static_cast<SInt32>(sizeof(d)) &&
        static_cast<size_t>(d.idSize) <= imageDescription.size() &&
        static_cast<size_t>(d.idSize) <= kMaxDescriptionSize) {
        size = static_cast<size_t>(d.idSize);
    }
    d.idSize = static_cast<SInt32>(size);
    d.dataSize = 0;
    m_description = reinterpret_cast<ImageDescriptionHandle>(NewHandle(static_cast<Size>(size)));
    if (m_description == nullptr) {
        return memFullErr;
    }
    std::memcpy(*m_description, imageDescription.data(), size);
    **m_description = d;
    m_width = d.width;
    m_height = d.height;
    m_outputFormat = outputFormat;
    m_codecFormat = k32ARGBPixelFormat;
    OSErr err = openCodec(d.cType);
    if (err == noErr) {
        CodecDecompressParams params = paramsFor(nullptr, 0);
        err = static_cast<OSErr>(ImageCodecPreDecompress(m_codec, &params));
    }
    if (err == noErr) {
        m_codecFormat = icm::DefaultPixelFormatForDepth(m_capabilities.wantedPixelSize);
        if (m_codecFormat == 0) {
            err = codecConditionErr;
        }
    }
    if (err != noErr) {
        end();
        return err;
    }
    m_pictureRowBytes = long{m_width} * icm::ConvertibleBytesPerPixel(m_codecFormat);
    m_picture.assign(static_cast<size_t>(m_pictureRowBytes) * m_height, 0);
    m_frame.assign(rowBytes() * m_height, 0);
    icm::ConvertPixels({m_picture.data(), m_pictureRowBytes, m_codecFormat},
                       {m_frame.data(), static_cast<long>(rowBytes()), m_outputFormat}, m_width,
                       m_height);
    return noErr;
}

OSErr MovieFrameDecoder::decodeFrame(std::span<const UInt8> sample) {
    if (m_codec == nullptr) {
        return paramErr;
    }
    if (sample.empty() || sample.size() > static_cast<size_t>(std::numeric_limits<SInt32>::max())) {
        return codecBadDataErr;
    }
    (**m_description).dataSize = static_cast<SInt32>(sample.size());
    CodecDecompressParams params = paramsFor(sample.data(), sample.size());
    const auto err = static_cast<OSErr>(ImageCodecBandDecompress(m_codec, &params));
    icm::ConvertPixels({m_picture.data(), m_pictureRowBytes, m_codecFormat},
                       {m_frame.data(), static_cast<long>(rowBytes()), m_outputFormat}, m_width,
                       m_height);
    if (err == noErr) {
        ++m_frameNumber;
    }
    return err;
}

OSErr DecodeTrackFrames(const qtfile::MovieFileReader& reader, size_t trackIndex,
                        CVPixelFormatType outputFormat,
                        const std::function<bool(uint32_t, const MovieFrameDecoder&)>& each) {
    if (trackIndex >= reader.trackCount() ||
        reader.track(trackIndex).media.mediaType() != VideoMediaType) {
        return paramErr;
    }
    const auto& descriptions =
        reader.track(trackIndex).media.information.sampleTable.descriptions.entries;
    const qtfile::SampleTableIndex& samples = reader.samples(trackIndex);
    MovieFrameDecoder decoder;
    uint32_t current = 0;  // description in use, 1-based
    std::vector<uint8_t> bytes;
    for (uint32_t i = 0; i < samples.sampleCount(); ++i) {
        qtfile::SampleInfo info;
        if (!reader.sampleInfo(trackIndex, i, info).ok() ||
            !reader.readSample(trackIndex, i, bytes).ok()) {
            return ioErr;
        }
        if (info.descriptionIndex != current) {
            std::vector<uint8_t> memory;
            if (info.descriptionIndex < 1 || info.descriptionIndex > descriptions.size() ||
                mtb::DescriptionFromFile(VideoMediaType, descriptions[info.descriptionIndex - 1],
                                         memory) != noErr) {
                return badImageDescription;
            }
            if (OSErr err = decoder.begin(memory, outputFormat); err != noErr) {
                return err;
            }
            current = info.descriptionIndex;
        }
        if (OSErr err = decoder.decodeFrame(bytes); err != noErr) {
            return err;
        }
        if (!each(i, decoder)) {
            break;
        }
    }
    return noErr;
}

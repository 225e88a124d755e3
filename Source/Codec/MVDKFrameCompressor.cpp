#include "Codec/MVDKFrameCompressor.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "Codec/MVDKResult.h"

using namespace mvdk;

namespace {

bool SupportedDepth(uint16_t depth) {
    return depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// The work buffer the codec has always used: twice the raw frame.
size_t NominalWorkSize(int32_t width, int32_t height, uint16_t depth) {
    return static_cast<size_t>(depth / 4) * static_cast<size_t>(height) *
           static_cast<size_t>(width);
}

MVDKCompressResult Failed(OSErr err) {
    MVDKCompressResult result;
    result.err = err;
    return result;
}

}  // namespace

OSErr MVDKFrameCompressor::beginSequence(int32_t width, int32_t height, uint16_t depth) {
    endSequence();
    if (!SupportedDepth(depth))
        return codecConditionErr;
    if (width < 1 || height < 1)
        return paramErr;
    const size_t bound = EncodeBound(width, height, depth);
    if (bound > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return codecSizeErr;
    const size_t nominal = NominalWorkSize(width, height, depth);
    try {
        m_work.assign(std::max(nominal, bound), 0);
        m_changed.resize(static_cast<size_t>(height));
    } catch (const std::bad_alloc&) {
        endSequence();
        return memFullErr;
    }
    m_width = width;
    m_height = height;
    m_depth = depth;
    m_maxSize = static_cast<int32_t>(nominal / 4);
    m_begun = true;
    return noErr;
}

void MVDKFrameCompressor::endSequence() {
    m_begun = false;
    m_havePrevious = false;
    m_prevPixelBytes = 0;
    m_work = {};
    m_prev = {};
    m_changed = {};
}

size_t MVDKFrameCompressor::MaxFrameDataSize(int32_t width, int32_t height, uint16_t depth) {
    const size_t bound = EncodeBound(width, height, depth);
    if (bound == 0)
        return 0;
    return std::max(kMaxStoredLength, static_cast<size_t>(compressBound(bound)));
}

MVDKCompressResult MVDKFrameCompressor::compressFrame(const MVDKFrameInfo& info, const void* src,
                                                      int32_t rowBytes,
                                                      const MVDKCompressOptions& options, void* dst,
                                                      size_t dstCapacity) {
    if (info.depth < 8)
        return Failed(codecSizeErr);
    if (!m_begun)
        return Failed(codecConditionErr);
    if (src == nullptr || dst == nullptr || info.width != m_width || info.height != m_height ||
        info.depth != m_depth) {
        return Failed(paramErr);
    }
    const int pixelBytes = SourceBytesPerPixel(info.depth, info.srcPixelSize);
    const size_t lineBytes = static_cast<size_t>(m_width) * pixelBytes;
    if (static_cast<size_t>(std::abs(static_cast<int64_t>(rowBytes))) < lineBytes) {
        return Failed(paramErr);
    }
    if (pixelBytes != m_prevPixelBytes) {
        try {
            m_prev.assign(lineBytes * static_cast<size_t>(m_height), 0);
        } catch (const std::bad_alloc&) {
            return Failed(memFullErr);
        }
        m_prevPixelBytes = pixelBytes;
        m_havePrevious = false;
    }

    MVDKCompressResult result;
    result.keyFrame = !m_havePrevious || options.frameNumber == 0 || options.forceKeyFrame ||
                      options.temporalQuality == 0;
    result.similarity = result.keyFrame ? kKeyFrameSimilarity : kDifferenceSimilarity;

    const Plane plane = SourcePlane(info, src, rowBytes);
    int32_t length = encode(info, plane, result.keyFrame, 0, m_maxSize, options.swap);
    if (length == -1) {
        result.literalsOnly = true;
        length = encode(info, plane, result.keyFrame, kMVDKLiteralsOnly, 0, options.swap);
    }
    if (length <= 0)
        return Failed(codecErr);
    result.streamLength = static_cast<uint32_t>(length);
    result.err =
        store(length, result.literalsOnly, options.level, dst, dstCapacity, result.dataLength);
    if (result.err != noErr)
        return Failed(result.err);
    if (options.updatePrevious && length > 2)
        keepAsPrevious(plane, result.keyFrame);
    return result;
}

int32_t MVDKFrameCompressor::encode(const MVDKFrameInfo& info, const Plane& src, bool key,
                                    uint32_t flags, int32_t maxSize, bool swap) {
    const Plane prev = previousPlane();
    EncodeRequest request;
    request.info = &info;
    request.src = src;
    request.prev = key ? nullptr : &prev;
    request.flags = flags;
    request.maxSize = maxSize;
    request.swap = swap;
    request.changed = key ? nullptr : m_changed.data();
    return EncodeFrame(request, m_work.data());
}

OSErr MVDKFrameCompressor::store(int32_t streamLength, bool fallback, int level, void* dst,
                                 size_t capacity, uint32_t& dataLength) {
    const size_t length = static_cast<size_t>(streamLength);
    if (length <= kMaxStoredLength) {
        if (capacity < length)
            return codecErr;
        std::memcpy(dst, m_work.data(), length);
        dataLength = static_cast<uint32_t>(length);
        return noErr;
    }
    size_t out = std::min<size_t>(capacity, std::numeric_limits<uint32_t>::max());
    const int strategy = fallback ? Z_DEFAULT_STRATEGY : Z_FILTERED;
    if (m_deflater.compress(dst, &out, m_work.data(), length, level, strategy) != Z_OK) {
        return codecErr;
    }
    dataLength = static_cast<uint32_t>(out);
    return noErr;
}

Plane MVDKFrameCompressor::previousPlane() const {
    return {m_prev.data(), static_cast<ptrdiff_t>(m_width) * m_prevPixelBytes};
}

// A key frame replaces the whole picture; a difference frame only the spans
// it coded, since every pixel outside them matched the previous frame byte
// for byte (the compressor never quantises).
void MVDKFrameCompressor::keepAsPrevious(const Plane& src, bool key) {
    const size_t pixelBytes = static_cast<size_t>(m_prevPixelBytes);
    const size_t lineBytes = static_cast<size_t>(m_width) * pixelBytes;
    for (int32_t k = 0; k < m_height; ++k) {
        uint8_t* line = m_prev.data() + static_cast<size_t>(k) * lineBytes;
        const uint8_t* from = src.line(k);
        if (key) {
            std::memcpy(line, from, lineBytes);
            continue;
        }
        const LineSpan span = m_changed[static_cast<size_t>(k)];
        if (span.begin < span.end) {
            const size_t offset = static_cast<size_t>(span.begin) * pixelBytes;
            std::memcpy(line + offset, from + offset,
                        static_cast<size_t>(span.end - span.begin) * pixelBytes);
        }
    }
    m_havePrevious = true;
}

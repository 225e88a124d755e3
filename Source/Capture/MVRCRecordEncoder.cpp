#include "Capture/MVRCRecordEncoder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "Capture/DeltaRLE.h"
#include "Capture/ZlibStream.h"
#include "MVDCommon/MVDException.h"

namespace {

int32_t TruncateCoordinate(float v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v <= static_cast<float>(INT32_MIN)) {
        return INT32_MIN;
    }
    if (v >= static_cast<float>(INT32_MAX)) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(v);
}

// [start, start + length) clipped to [0, limit).
void ClipSpan(int32_t start, int32_t length, uint32_t limit, int32_t* clippedStart,
              int32_t* clippedLength) {
    const int64_t lo = std::clamp<int64_t>(start, 0, limit);
    const int64_t hi = std::clamp<int64_t>(int64_t{start} + std::max(length, 0), lo, limit);
    *clippedStart = static_cast<int32_t>(lo);
    *clippedLength = static_cast<int32_t>(hi - lo);
}

}  // namespace

tagMVDRect MVRCTruncatedRect(const CGRect& rect) {
    return {TruncateCoordinate(rect.origin.x), TruncateCoordinate(rect.origin.y),
            TruncateCoordinate(rect.size.width), TruncateCoordinate(rect.size.height)};
}

tagMVDRect MVRCClippedRect(const CGRect& rect, uint32_t width, uint32_t height) {
    const tagMVDRect t = MVRCTruncatedRect(rect);
    tagMVDRect r;
    ClipSpan(t.x, t.width, width, &r.x, &r.width);
    ClipSpan(t.y, t.height, height, &r.y, &r.height);
    return r;
}

void MVRCWriteFrameHead(MVRCByteSink& sink, const _MVRCFrameHeader& frame) {
    unsigned char bytes[kMVRCTagSize + kMVRCFrameHeaderSize];
    std::memcpy(bytes, kMVRCFrameTag, kMVRCTagSize);
    MVRCEncodeFrameHeader(frame, bytes + kMVRCTagSize);
    sink.write(bytes, sizeof bytes);
}

void MVRCWriteRectList(MVRCByteSink& sink, const tagMVDRect* rects, unsigned int count) {
    unsigned char bytes[kMVRCRectSize];
    for (unsigned int i = 0; i < count; ++i) {
        MVRCEncodeRect(rects[i], bytes);
        sink.write(bytes, sizeof bytes);
    }
}

void MVRCWriteChunkHead(MVRCByteSink& sink, uint32_t size) {
    unsigned char bytes[kMVRCTagSize + 4];
    std::memcpy(bytes, kMVRCRectDataTag, kMVRCTagSize);
    MVRCStore32(bytes + kMVRCTagSize, size);
    sink.write(bytes, sizeof bytes);
}

void MVRCWriteSpriteChunk(MVRCByteSink& sink, const tagMVDRect& where, const MVDImage* image) {
    size_t byteCount = 0;
    if (image != nullptr) {
        byteCount = image->byteSize();
        if (image->m_bytesPerPixel != 4 || image->m_pData == nullptr ||
            static_cast<int64_t>(image->m_width) != where.width ||
            static_cast<int64_t>(image->m_height) != where.height || byteCount > UINT32_MAX) {
            throw MVDException("A sprite must be a 32-bit image of its rectangle's size");
        }
    }
    unsigned char bytes[kMVRCTagSize + kMVRCRectSize + 1 + 4 + 1 + 4];
    size_t n = 0;
    std::memcpy(bytes, kMVRCSpriteTag, kMVRCTagSize);
    n += kMVRCTagSize;
    MVRCEncodeRect(where, bytes + n);
    n += kMVRCRectSize;
    bytes[n++] = image != nullptr ? 1 : 0;
    if (image != nullptr) {
        MVRCStore32(bytes + n, static_cast<uint32_t>(image->m_pixelFormat));
        n += 4;
        bytes[n++] = 0;
        MVRCStore32(bytes + n, static_cast<uint32_t>(byteCount));
        n += 4;
    }
    sink.write(bytes, n);
    if (image != nullptr) {
        sink.write(image->m_pData, byteCount);
    }
}

MVRCDeltaRLEChunkCoder::MVRCDeltaRLEChunkCoder() = default;
MVRCDeltaRLEChunkCoder::~MVRCDeltaRLEChunkCoder() = default;

void MVRCDeltaRLEChunkCoder::setFrameFormat(const tagMVDImageFormat& format) {
    m_width = static_cast<int>(format.width);
    m_height = static_cast<int>(format.height);
    m_pixelMask = MVRCPixelMaskForFormat(format.pixelFormat);
    m_rleBuffer.assign(DeltaRLE::maxCompressedSize32(m_width, m_height), 0);
    m_zlibBuffer.clear();
}

void MVRCDeltaRLEChunkCoder::setZlibLevel(int level) {
    if (level != m_zlibLevel) {
        m_zlibLevel = level;
        m_deflater.reset();
    }
}

ZlibDeflater& MVRCDeltaRLEChunkCoder::deflater() {
    if (!m_deflater) {
        m_deflater = std::make_unique<ZlibDeflater>(m_zlibLevel);
    }
    if (m_zlibBuffer.empty()) {
        m_zlibBuffer.resize(m_deflater->bound(m_rleBuffer.size()));
    }
    return *m_deflater;
}

void MVRCDeltaRLEChunkCoder::writeChunks(MVRCByteSink& sink, const unsigned char* prev,
                                         const unsigned char* cur, const tagMVDRect* rects,
                                         unsigned int count, bool deflated) {
    for (unsigned int i = 0; i < count; ++i) {
        const tagMVDRect& r = rects[i];
        const int size = DeltaRLE::compress32(
            const_cast<unsigned char*>(prev), const_cast<unsigned char*>(cur), m_width, m_height,
            r.x, r.y, r.width, r.height, m_rleBuffer.data(), m_pixelMask);
        if (!deflated) {
            MVRCWriteChunkHead(sink, static_cast<uint32_t>(size));
            sink.write(m_rleBuffer.data(), static_cast<size_t>(size));
            continue;
        }
        ZlibDeflater& z = deflater();
        const size_t packed =
            z.compress(m_rleBuffer.data(), static_cast<size_t>(size), &m_zlibBuffer);
        MVRCWriteChunkHead(sink, static_cast<uint32_t>(packed));
        sink.write(m_zlibBuffer.data(), packed);
    }
}

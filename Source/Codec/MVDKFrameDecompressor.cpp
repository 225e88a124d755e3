#include "Codec/MVDKFrameDecompressor.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

#include "Codec/MVDKDecoder.h"
#include "Codec/MVDKResult.h"

using namespace mvdk;

namespace {

size_t Stride(int32_t rowBytes) {
    return static_cast<size_t>(std::abs(static_cast<int64_t>(rowBytes)));
}

}  // namespace

OSErr MVDKFrameDecompressor::reserve(const MVDKFrameInfo& info, int32_t rowBytes) {
    const size_t capacity = InflateCapacity(info.width, info.height, info.depth, Stride(rowBytes));
    if (m_work.size() >= capacity)
        return noErr;
    try {
        m_work.clear();
        m_work.shrink_to_fit();
        m_work.resize(capacity);
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    return noErr;
}

OSErr MVDKFrameDecompressor::decompressFrame(const MVDKFrameInfo& info, const void* data,
                                             size_t dataLength, void* dst, int32_t rowBytes) {
    if (dataLength == 0)
        return codecBadDataErr;
    if (data == nullptr || dst == nullptr || info.width < 1 || info.height < 1)
        return paramErr;
    const size_t lineBytes = static_cast<size_t>(info.width) * DecodedBytesPerPixel(info.depth);
    if (Stride(rowBytes) < lineBytes)
        return paramErr;

    const void* stream = data;
    size_t length = dataLength;
    if (dataLength > kMaxStoredLength) {
        if (const OSErr err = reserve(info, rowBytes); err != noErr)
            return err;
        length = m_work.size();
        const int result = m_inflater.inflate(m_work.data(), &length, data, dataLength);
        if (result != Z_OK)
            return static_cast<OSErr>(result);
        stream = m_work.data();
    }
    const auto limit = static_cast<size_t>(std::numeric_limits<uint32_t>::max());
    MVDK_Decode(&info, dst, stream, rowBytes, static_cast<uint32_t>(std::min(length, limit)));
    return noErr;
}

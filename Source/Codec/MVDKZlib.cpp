#include "Codec/MVDKZlib.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "Compression/ZlibCompressor.h"

namespace mvdk {

namespace {

constexpr size_t kMaxChunk = std::numeric_limits<uInt>::max();

}  // namespace

// A z_stream that is ended with its end function once it has been opened.
struct ZStream {
    explicit ZStream(int (*endFunction)(z_streamp)) : end(endFunction) {}
    ~ZStream() {
        if (open)
            end(&zs);
    }
    z_stream zs{};
    bool open = false;
    int (*end)(z_streamp);
};

Inflater::Inflater() : m_stream(std::make_unique<ZStream>(inflateEnd)) {}
Inflater::~Inflater() = default;

int Inflater::inflate(void* dst, size_t* dstLen, const void* src, size_t srcLen) {
    z_stream& zs = m_stream->zs;
    int result = m_stream->open ? inflateReset(&zs) : inflateInit(&zs);
    m_stream->open = m_stream->open || result == Z_OK;
    if (result != Z_OK)
        return result;
    size_t inLeft = srcLen;
    size_t outLeft = *dstLen;
    zs.next_in = static_cast<Bytef*>(const_cast<void*>(src));
    zs.avail_in = 0;
    zs.next_out = static_cast<Bytef*>(dst);
    zs.avail_out = 0;
    do {
        if (zs.avail_out == 0) {
            zs.avail_out = static_cast<uInt>(std::min(outLeft, kMaxChunk));
            outLeft -= zs.avail_out;
        }
        if (zs.avail_in == 0) {
            zs.avail_in = static_cast<uInt>(std::min(inLeft, kMaxChunk));
            inLeft -= zs.avail_in;
        }
        result = ::inflate(&zs, Z_NO_FLUSH);
    } while (result == Z_OK);
    *dstLen = zs.total_out;
    if (result == Z_STREAM_END)
        return Z_OK;
    if (result == Z_NEED_DICT)
        return Z_DATA_ERROR;
    // Output space left over means the input ran out first.
    if (result == Z_BUF_ERROR && outLeft + zs.avail_out > 0)
        return Z_DATA_ERROR;
    return result;
}

}  // namespace mvdk

int compressMVD(void* dst, size_t* dstLen, const void* src, size_t srcLen, int level,
                int strategy) {
    mvd::ZlibCompressor deflater(mvd::DeflateBackend::Zlib);
    return deflater.compress(dst, dstLen, src, srcLen, level, strategy);
}

#include "Compression/ZlibCompressor.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#if defined(MVD_HAVE_LIBDEFLATE)
#include <libdeflate.h>
#endif

namespace mvd {

namespace {

constexpr size_t kMaxChunk = std::numeric_limits<uInt>::max();

// libdeflate's level for each zlib level 0..9 (see the header).
constexpr std::array<int, 10> kLevelsForDefaultStrategy = {0, 2, 2, 3, 4, 6, 7, 7, 8, 9};
constexpr std::array<int, 10> kLevelsForFilteredData = {0, 1, 2, 3, 3, 3, 4, 4, 5, 5};

bool ValidLevel(int level) {
    return level >= -1 && level <= 9;
}

int EffectiveLevel(int level) {
    return level == Z_DEFAULT_COMPRESSION ? 6 : level;
}

}  // namespace

struct ZlibCompressor::Zlib {
    ~Zlib() {
        if (open)
            deflateEnd(&zs);
    }
    z_stream zs{};
    bool open = false;
};

#if defined(MVD_HAVE_LIBDEFLATE)
struct ZlibCompressor::Libdeflate {
    ~Libdeflate() {
        for (libdeflate_compressor* c : compressors)
            libdeflate_free_compressor(c);
    }
    // One compressor per libdeflate level, allocated when first used.
    std::array<libdeflate_compressor*, 13> compressors{};
};
#else
struct ZlibCompressor::Libdeflate {};
#endif

DeflateBackend ZlibCompressor::DefaultBackend() {
    return HaveLibdeflate() ? DeflateBackend::Libdeflate : DeflateBackend::Zlib;
}

bool ZlibCompressor::HaveLibdeflate() {
#if defined(MVD_HAVE_LIBDEFLATE)
    return true;
#else
    return false;
#endif
}

int ZlibCompressor::LibdeflateLevel(int zlibLevel, int strategy) {
    if (!ValidLevel(zlibLevel))
        return -1;
    const auto& levels =
        strategy == Z_FILTERED ? kLevelsForFilteredData : kLevelsForDefaultStrategy;
    return levels[static_cast<size_t>(EffectiveLevel(zlibLevel))];
}

ZlibCompressor::ZlibCompressor(DeflateBackend backend)
    : m_backend(HaveLibdeflate() ? backend : DeflateBackend::Zlib) {}

ZlibCompressor::~ZlibCompressor() = default;

void ZlibCompressor::setBackend(DeflateBackend backend) {
    m_backend = HaveLibdeflate() ? backend : DeflateBackend::Zlib;
}

int ZlibCompressor::compress(void* dst, size_t* dstLen, const void* src, size_t srcLen, int level,
                             int strategy) {
    if (!ValidLevel(level) || strategy < Z_DEFAULT_STRATEGY || strategy > Z_FIXED)
        return Z_STREAM_ERROR;
    const bool matchFinding = strategy == Z_DEFAULT_STRATEGY || strategy == Z_FILTERED;
    if (m_backend == DeflateBackend::Libdeflate && matchFinding) {
        const int result = compressWithLibdeflate(dst, dstLen, src, srcLen, level, strategy);
        if (result != Z_BUF_ERROR)
            return result;
    }
    return compressWithZlib(dst, dstLen, src, srcLen, level, strategy);
}

// deflateReset keeps the stream's memory; deflateParams on a freshly reset
// stream only switches the tables it uses.
int ZlibCompressor::compressWithZlib(void* dst, size_t* dstLen, const void* src, size_t srcLen,
                                     int level, int strategy) {
    if (srcLen > kMaxChunk)
        return Z_STREAM_ERROR;
    if (!m_zlib)
        m_zlib = std::make_unique<Zlib>();
    z_stream& zs = m_zlib->zs;
    int result;
    if (!m_zlib->open) {
        result = deflateInit2(&zs, level, Z_DEFLATED, 15, 8, strategy);
        m_zlib->open = result == Z_OK;
    } else {
        result = deflateReset(&zs);
        if (result == Z_OK)
            result = deflateParams(&zs, level, strategy);
    }
    if (result != Z_OK)
        return result;
    zs.next_in = static_cast<Bytef*>(const_cast<void*>(src));
    zs.avail_in = static_cast<uInt>(srcLen);
    zs.next_out = static_cast<Bytef*>(dst);
    zs.avail_out = static_cast<uInt>(std::min(*dstLen, kMaxChunk));
    result = deflate(&zs, Z_FINISH);
    if (result == Z_STREAM_END) {
        *dstLen = zs.total_out;
        return Z_OK;
    }
    return result == Z_OK ? Z_BUF_ERROR : result;
}

#if defined(MVD_HAVE_LIBDEFLATE)

namespace {

constexpr size_t kHeaderBytes = 2;
constexpr size_t kTrailerBytes = 4;

// The two header bytes zlib writes for a level: method deflate with a 32 KiB
// window, the level class, and the check bits.
void PutHeader(uint8_t* out, int level) {
    const int levelClass = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    const unsigned cmf = 0x78;
    unsigned flg = static_cast<unsigned>(levelClass) << 6;
    flg += 31 - (cmf * 256 + flg) % 31;
    out[0] = static_cast<uint8_t>(cmf);
    out[1] = static_cast<uint8_t>(flg);
}

void PutBigEndian32(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v >> 24);
    out[1] = static_cast<uint8_t>(v >> 16);
    out[2] = static_cast<uint8_t>(v >> 8);
    out[3] = static_cast<uint8_t>(v);
}

}  // namespace

int ZlibCompressor::compressWithLibdeflate(void* dst, size_t* dstLen, const void* src,
                                           size_t srcLen, int level, int strategy) {
    level = EffectiveLevel(level);
    if (*dstLen < kHeaderBytes + kTrailerBytes)
        return Z_BUF_ERROR;
    if (!m_libdeflate)
        m_libdeflate = std::make_unique<Libdeflate>();
    const int backendLevel = LibdeflateLevel(level, strategy);
    libdeflate_compressor*& compressor =
        m_libdeflate->compressors[static_cast<size_t>(backendLevel)];
    if (compressor == nullptr)
        compressor = libdeflate_alloc_compressor(backendLevel);
    if (compressor == nullptr)
        return Z_MEM_ERROR;
    auto* out = static_cast<uint8_t*>(dst);
    const size_t room = *dstLen - kHeaderBytes - kTrailerBytes;
    const size_t body =
        libdeflate_deflate_compress(compressor, src, srcLen, out + kHeaderBytes, room);
    if (body == 0)
        return Z_BUF_ERROR;
    PutHeader(out, level);
    PutBigEndian32(out + kHeaderBytes + body, libdeflate_adler32(1, src, srcLen));
    *dstLen = kHeaderBytes + body + kTrailerBytes;
    return Z_OK;
}

#else

int ZlibCompressor::compressWithLibdeflate(void*, size_t*, const void*, size_t, int, int) {
    return Z_BUF_ERROR;
}

#endif

}  // namespace mvd

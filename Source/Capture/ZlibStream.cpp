#include "Capture/ZlibStream.h"

#include <algorithm>
#include <climits>

#include "MVDCommon/MVDException.h"

namespace {

constexpr size_t kMinOutput = 64 * 1024;

inline uInt Clamp(size_t n) {
    return static_cast<uInt>(std::min<size_t>(n, UINT_MAX));
}

}  // namespace

ZlibDeflater::ZlibDeflater(int level)
    : m_level(level), m_compressor(std::make_unique<mvd::ZlibCompressor>()) {
    if (level < Z_DEFAULT_COMPRESSION || level > Z_BEST_COMPRESSION) {
        throw MVDException("zlib: deflateInit2 failed");
    }
}

ZlibDeflater::~ZlibDeflater() = default;

size_t ZlibDeflater::bound(size_t n) {
    return compressBound(static_cast<uLong>(n));
}

void ZlibDeflater::begin(std::vector<unsigned char>* out) {
    m_out = out;
    m_pending.clear();
}

void ZlibDeflater::add(const unsigned char* data, size_t n) {
    m_pending.insert(m_pending.end(), data, data + n);
}

size_t ZlibDeflater::finish() {
    return compress(m_pending.data(), m_pending.size(), m_out);
}

size_t ZlibDeflater::compress(const unsigned char* data, size_t n,
                              std::vector<unsigned char>* out) {
    if (out->size() < bound(n)) {
        out->resize(std::max(kMinOutput, bound(n)));
    }
    size_t length = out->size();
    if (m_compressor->compress(out->data(), &length, data, n, m_level, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        throw MVDException("zlib: deflate failed");
    }
    return length;
}

ZlibInflater::ZlibInflater() {
    if (inflateInit(&m_stream) != Z_OK) {
        throw MVDException("zlib: inflateInit failed");
    }
}

ZlibInflater::~ZlibInflater() {
    inflateEnd(&m_stream);
}

void ZlibInflater::begin(const unsigned char* in, size_t n) {
    inflateReset(&m_stream);
    m_stream.next_in = const_cast<Bytef*>(in);
    m_stream.avail_in = Clamp(n);
    m_ended = false;
}

// One inflate call into n bytes of space.
ZlibInflater::Status ZlibInflater::step(unsigned char* out, size_t n, size_t* produced) {
    m_stream.next_out = out;
    m_stream.avail_out = Clamp(n);
    const int rc = inflate(&m_stream, Z_NO_FLUSH);
    *produced = Clamp(n) - m_stream.avail_out;
    switch (rc) {
        case Z_STREAM_END:
            m_ended = true;
            return Status::kOk;
        case Z_OK:
            return Status::kOk;
        case Z_BUF_ERROR:
            // No progress possible: the input is used up (space was given).
            return Status::kTruncated;
        default:
            return Status::kDamaged;
    }
}

ZlibInflater::Status ZlibInflater::fill(unsigned char* out, size_t n) {
    while (n > 0) {
        if (m_ended) {
            return Status::kTruncated;
        }
        size_t produced = 0;
        const Status status = step(out, n, &produced);
        if (status != Status::kOk) {
            return status;
        }
        out += produced;
        n -= produced;
    }
    return Status::kOk;
}

ZlibInflater::Status ZlibInflater::finish() {
    unsigned char probe[64];
    while (!m_ended) {
        size_t produced = 0;
        const Status status = step(probe, sizeof probe, &produced);
        if (status != Status::kOk) {
            return status;
        }
        if (produced > 0) {
            return Status::kTooLong;
        }
    }
    return Status::kOk;
}

ZlibInflater::Status ZlibInflater::inflateAll(unsigned char* out, size_t capacity,
                                              size_t* produced) {
    size_t total = 0;
    while (!m_ended && total < capacity) {
        size_t n = 0;
        const Status status = step(out + total, capacity - total, &n);
        total += n;
        if (status != Status::kOk) {
            *produced = total;
            return status;
        }
    }
    *produced = total;
    return m_ended ? Status::kOk : finish();
}

// The zlib stage of MVDK frames: deflating a run-length stream into frame
// data and inflating it back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Deflates srcLen bytes at src into dst in one call with zlib (method
// deflate, window bits 15, memory level 8, the given level and strategy).
// Frame compression keeps an mvd::ZlibCompressor instead, which may use a
// faster deflater.  *dstLen is the
// capacity on entry and the compressed length on success.  Returns 0 (Z_OK)
// or a zlib error code; Z_BUF_ERROR when the output did not fit.
int compressMVD(void* dst, size_t* dstLen, const void* src, size_t srcLen, int level, int strategy);

namespace mvdk {

struct ZStream;

// An inflate stream kept across frames.  inflate() behaves as zlib's
// uncompress: 0 on success with *dstLen the inflated length; Z_BUF_ERROR
// when the output does not fit; Z_DATA_ERROR for corrupt or truncated data;
// bytes after the end of the zlib stream are ignored.
class Inflater {
  public:
    Inflater();
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    [[nodiscard]] int inflate(void* dst, size_t* dstLen, const void* src, size_t srcLen);

  private:
    std::unique_ptr<ZStream> m_stream;
};

}  // namespace mvdk

// Whole-buffer compression into zlib streams (RFC 1950: a 2-byte header,
// deflate data, an Adler-32 trailer), through one of two deflaters:
//
//   Zlib        zlib's deflate, one z_stream kept across calls and reset for
//               each buffer, so a call neither allocates nor rebuilds tables.
//   Libdeflate  libdeflate's whole-buffer compressor (when the library was
//               built with MVD_USE_LIBDEFLATE), one compressor kept per level.
//
// Whichever deflater runs, the result is a valid zlib stream that zlib's
// inflate reads, and its header carries the level the caller asked for the
// way zlib writes it (FLEVEL 0 for levels 0-1, 1 for 2-5, 2 for 6, 3 for
// 7-9).  Levels are zlib's (0 stored .. 9 best, -1 for 6).  libdeflate runs
// at the lowest of its levels that compresses recorded screens about as
// well as zlib does at the level and strategy asked for:
//
//   zlib level                   0  1  2  3  4  5  6  7  8  9
//   libdeflate, default strategy 0  2  2  3  4  6  7  7  8  9
//   libdeflate, filtered         0  1  2  3  3  3  4  4  5  5
//
// Measured on the corpus by Bench/deflate_benchmark.cpp (docs/performance.md
// has the figures): with these levels libdeflate's output is no larger than
// zlib's for the codec's run-length streams and the capture rectangles, and
// 1.5 to 20 times faster to make.  The one exception is level 9 on raw
// bitmap pixels: libdeflate's level 9 is 3 % larger than zlib's and 2.4
// times faster, while its level 10 is smaller but no faster than zlib.
// zlib's filtered strategy, which the screen codec uses for its run-length
// streams, gives up size for little speed; libdeflate reaches those sizes
// two levels lower.  The other strategies (Huffman only, RLE, fixed) always
// go to zlib.
//
// Should libdeflate not fit its output into the space given (it needs a few
// bytes of slack beyond the final size), the buffer is compressed again with
// zlib, so a call succeeds exactly when zlib's would.
#pragma once

#include <array>
#include <cstddef>
#include <memory>

namespace mvd {

enum class DeflateBackend { Zlib, Libdeflate };

class ZlibCompressor {
  public:
    // The backend used unless another is asked for: libdeflate when built
    // with it, else zlib.
    static DeflateBackend DefaultBackend();
    static bool HaveLibdeflate();
    // The libdeflate level used for a zlib level and strategy; -1 for a
    // level outside -1..9.
    static int LibdeflateLevel(int zlibLevel, int strategy);

    explicit ZlibCompressor(DeflateBackend backend = DefaultBackend());
    ~ZlibCompressor();
    ZlibCompressor(const ZlibCompressor&) = delete;
    ZlibCompressor& operator=(const ZlibCompressor&) = delete;

    // Compresses srcLen bytes at src into dst.  *dstLen is the capacity on
    // entry and the stream's length on success.  Returns Z_OK, Z_BUF_ERROR
    // when the stream does not fit (dst may then hold partial output, never
    // past its capacity), Z_STREAM_ERROR for a level outside -1..9 or a
    // strategy zlib does not know, Z_MEM_ERROR.
    [[nodiscard]] int compress(void* dst, size_t* dstLen, const void* src, size_t srcLen, int level,
                               int strategy);

    DeflateBackend backend() const { return m_backend; }
    // Switches backend; without libdeflate the backend stays zlib.
    void setBackend(DeflateBackend backend);

  private:
    struct Zlib;
    struct Libdeflate;

    int compressWithZlib(void* dst, size_t* dstLen, const void* src, size_t srcLen, int level,
                         int strategy);
    int compressWithLibdeflate(void* dst, size_t* dstLen, const void* src, size_t srcLen, int level,
                               int strategy);

    DeflateBackend m_backend;
    std::unique_ptr<Zlib> m_zlib;
    std::unique_ptr<Libdeflate> m_libdeflate;
};

}  // namespace mvd

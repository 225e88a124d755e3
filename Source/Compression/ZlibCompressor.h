// Whole-buffer compression into zlib streams (RFC 1950: a 2-byte header,
// deflate data, an Adler-32 trailer), through one of two deflaters:
//
//   Zlib        zlib's deflate, one z_stream kept across calls and reset for
//               each buffer, so a call neither allocates nor rebuilds tables.
//   Libdeflate  libdeflate's whole-buffer compressor (when the library was
//               built with MVD_USE_LIBDEFLATE), two to three times faster
//               than zlib for the same size on screen content.
//
// Whichever deflater runs, the result is a valid zlib stream that zlib's
// inflate reads, and its header carries the level the caller asked for the
// way zlib writes it (FLEVEL 0 for levels 0-1, 1 for 2-5, 2 for 6, 3 for
// 7-9).  Levels are zlib's (0 stored .. 9 best, -1 for 6); libdeflate runs at
// LibdeflateLevel(level), chosen so that on screen content it compresses at
// least as well as zlib at that level:
//
//   zlib level       0  1  2  3  4  5  6  7  8  9
//   libdeflate level 0  1  2  3  4  5  6  7  8  9
//
// libdeflate's scale was designed after zlib's, and on recorded screens
// (codec run-length streams, capture rectangles, raw bitmaps) each of its
// levels matches or beats zlib's default strategy at the same number; see
// docs/performance.md for the measurements.  libdeflate serves the default
// and filtered strategies (the difference is zlib's own tuning); the others
// (Huffman only, RLE, fixed) always go to zlib.
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
    static int LibdeflateLevel(int zlibLevel);

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
    int compressWithLibdeflate(void* dst, size_t* dstLen, const void* src, size_t srcLen,
                               int level);

    DeflateBackend m_backend;
    std::unique_ptr<Zlib> m_zlib;
    std::unique_ptr<Libdeflate> m_libdeflate;
};

}  // namespace mvd

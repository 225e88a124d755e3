// zlib streams (RFC 1950 wrapper, deflate method) as the capture format uses
// them.  Each object keeps its deflater or inflater across uses, so coding a
// rectangle allocates nothing once the buffers have grown to size.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "Compression/ZlibCompressor.h"

// Deflates with window bits 15, memory level 8 and the default strategy,
// through the library's deflater (libdeflate when built with it, else
// zlib's).  A stream built up with add() is gathered and compressed whole by
// finish(); its pieces are copied once.
class ZlibDeflater {
  public:
    explicit ZlibDeflater(int level);
    ~ZlibDeflater();
    ZlibDeflater(const ZlibDeflater&) = delete;
    ZlibDeflater& operator=(const ZlibDeflater&) = delete;

    // Starts a stream that writes into *out from its start.  *out is used
    // as space (its size is its capacity) and grows only when the stream
    // needs more.
    void begin(std::vector<unsigned char>* out);
    void add(const unsigned char* data, size_t n);
    // Ends the stream; returns the compressed size, the bytes at the start
    // of *out.
    size_t finish();
    size_t compress(const unsigned char* data, size_t n, std::vector<unsigned char>* out);

    // Largest stream for n input bytes.
    static size_t bound(size_t n);

  private:
    int m_level;
    std::unique_ptr<mvd::ZlibCompressor> m_compressor;
    std::vector<unsigned char>* m_out = nullptr;
    std::vector<unsigned char> m_pending;
};

class ZlibInflater {
  public:
    enum class Status {
        kOk,
        kDamaged,    // a data error, an allocation failure or a dictionary request
        kTruncated,  // the input ended before the stream did
        kTooLong,    // the stream holds more than the space given for it
    };

    ZlibInflater();
    ~ZlibInflater();
    ZlibInflater(const ZlibInflater&) = delete;
    ZlibInflater& operator=(const ZlibInflater&) = delete;

    // Starts reading the stream held in n bytes at in.
    void begin(const unsigned char* in, size_t n);
    // Produces exactly n more bytes of the stream into out.
    [[nodiscard]] Status fill(unsigned char* out, size_t n);
    // Requires the stream to end here, with no further output.
    [[nodiscard]] Status finish();
    // Inflates the whole stream into at most capacity bytes.
    [[nodiscard]] Status inflateAll(unsigned char* out, size_t capacity, size_t* produced);

  private:
    Status step(unsigned char* out, size_t n, size_t* produced);

    z_stream m_stream{};
    bool m_ended = false;
};

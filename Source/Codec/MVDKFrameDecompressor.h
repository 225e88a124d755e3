// Decompression of MVDK frame data onto the previous picture: data of 10
// bytes or less is the run-length stream itself, longer data is inflated
// first (docs/formats/mvdk-frame.md).  The inflate buffer is allocated once
// and grown only when a larger frame arrives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Base/MacTypes.h"
#include "Codec/MVDKFormat.h"
#include "Codec/MVDKZlib.h"

class MVDKFrameDecompressor {
  public:
    // Makes room for frames of info's size and depth decoded into rows of
    // rowBytes, so that decompressFrame will not allocate.  memFullErr when
    // the buffer cannot be allocated.
    OSErr reserve(const MVDKFrameInfo& info, int32_t rowBytes);

    // Decodes dataLength bytes of frame data onto dst (first line in memory,
    // lines rowBytes apart), which holds the previous picture.  info gives
    // width, height and depth (srcPixelSize is not read).
    // Errors: codecBadDataErr for no data; paramErr for a null pointer, a
    // size below 1 x 1, or a stride shorter than a line; the zlib error code
    // when inflating fails (the destination is then untouched); memFullErr.
    // Damaged streams are decoded as far as they are sound (MVDKDecoder.h).
    OSErr decompressFrame(const MVDKFrameInfo& info, const void* data, size_t dataLength, void* dst,
                          int32_t rowBytes);

  private:
    std::vector<uint8_t> m_work;
    mvdk::Inflater m_inflater;
};

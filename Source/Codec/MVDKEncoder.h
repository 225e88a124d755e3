// The MVDK frame encoder: turns one screen frame into the run-length stream
// of docs/formats/mvdk-frame.md, as a key frame (prev null) or as a
// difference frame against the previous frame.
//
// Source layouts by depth: 8 (and below) one byte per pixel; 16 RGB555
// stored big-endian; 24 three bytes blue, green, red, or four bytes when
// srcPixelSize is 32 (the first three written); 32 four bytes, written in
// memory order or reversed with swap.  Source lines are read from the last
// line in memory to the first, so a top-down buffer's bottom line becomes
// stream line 0; only 32-bit sources (Encode32) honour `flipped`, reading
// from the first line forward.
//
// Output capacity: dst must hold mvdk::EncodeBound(width, height, depth)
// bytes.  With a limit the encoder notices an overrun only at line ends, so
// the buffer must cover the whole bound in either case.
#pragma once

#include <cstdint>

#include "Codec/MVDKFormat.h"

// The 20 RGB555 values that 16-bit quantisation never alters.
extern const uint16_t sysPalette[20];

// 1 if value is in sysPalette, else 0.
int IsSysColor16(uint16_t value);

// Encodes one frame.  prev: the previous frame in the layout of src, or null
// for a key frame.  maxSize: byte limit tested at line ends, 0 for none.
// rowBytes: distance between successive lines of src and prev.  swap: for
// 32-bit output, reverse the 4 bytes of each source pixel.
// Returns the stream length including the end-of-frame code; -1 when the
// limit was exceeded (dst then holds nothing usable); 0 for a depth above 8
// other than 16, 24 or 32, a frame too large for a 32-bit length, or a null
// info, src or dst.
// A frame with no pixels (width or height 0 or less) is the end-of-frame
// code alone.
int32_t MVDK_Encode(const MVDKFrameInfo* info, const void* prev, const void* src, void* dst,
                    uint32_t flags, int32_t maxSize, int32_t rowBytes, int swap);

// The frame encoder for 4-byte sources: 32-bit output, and 24-bit output
// from a 32-bit source.  Same arguments and result as MVDK_Encode.
int32_t Encode32(const MVDKFrameInfo* info, const uint8_t* prev, const uint8_t* src, uint8_t* dst,
                 uint32_t flags, int32_t maxSize, int32_t rowBytes, int swap);

// Code count consecutive pixels as runs and literals, advancing *src past the
// pixels and *dst past the bytes written.  EncodeFragment16 honours the
// quantisation flags; EncodeFragment32 writes 4 bytes per pixel (reversed
// with swap) when fourByteOut is non-zero, else the first 3.
void EncodeFragment16(int32_t count, uint32_t flags, const uint8_t** src, uint8_t** dst);
void EncodeFragment24(int32_t count, uint32_t flags, const uint8_t** src, uint8_t** dst);
void EncodeFragment32(int32_t count, uint32_t flags, const uint8_t** src, uint8_t** dst,
                      int fourByteOut, int swap);

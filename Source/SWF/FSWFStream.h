// The output buffer of the SWF object model.
//
// Bit fields are packed most-significant bit first and multi-byte integers
// are little-endian, as the SWF file format requires.  Large payloads
// (bitmap pixels, sound blocks, pre-encoded fragments) are not copied: the
// stream records where they belong and emits them when it is written out.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

class FSWFStream {
  public:
    FSWFStream();

    // Appends the low `bitCount` bits (0..32) of `value`, most significant
    // first.  A negative value written with n bits yields its n-bit two's
    // complement.  Throws std::invalid_argument for more than 32 bits.
    void WriteBits(uint32_t value, uint32_t bitCount);
    // Pads a pending partial byte with zero bits; nothing on a byte boundary.
    void FlushBits();
    // These continue at the current bit position; callers write them only
    // when the stream is byte aligned.
    void WriteByte(uint32_t value);
    void WriteWord(uint32_t value);
    void WriteDWord(uint32_t value);

    // Records a reference to caller-owned bytes at the current position.
    // The bytes must stay valid until the stream has been written out.
    void WriteLargeData(const uint8_t* data, uint32_t length);

    // Complete bytes plus the lengths of all references; pending bits are not
    // counted.  Throws std::length_error when the total exceeds 32 bits.
    uint32_t Size() const;

    // Copies the other stream's content here; its references move to this
    // stream.  Its pending partial byte is not copied.
    void Append(FSWFStream* other);
    // A tag header for `tagCode` and `length` followed by `body` (may be
    // null).  `length` must be the body's Size(); throws std::logic_error
    // when the bytes appended disagree with it.
    void AppendTag(uint16_t tagCode, uint32_t length, FSWFStream* body);

    // Writes the content in order.  Returns false when the file refused a
    // byte.  Writing does not consume the stream.
    bool WriteToFile(FILE* file) const;
    // Copies Size() bytes to `destination`, which must hold them.
    void WriteToMemory(uint8_t* destination) const;
    // The same, checked: false (and nothing written) when it does not fit.
    bool WriteToMemory(std::span<uint8_t> destination) const;

    // Overwrites already written buffer bytes (not referenced data) at
    // `offset`, e.g. a header placeholder.  Throws std::out_of_range when the
    // range is not inside the complete bytes.
    void OverwriteBytes(uint32_t offset, std::span<const uint8_t> bytes);

    // True when no partial byte is pending.
    bool IsByteAligned() const { return m_freeBits == 8; }

    // Bits needed for `value`, plus `signBit` (0 or 1).  0 needs only the
    // sign bit; values of 2^31 and above need 32.
    static uint32_t MinBits(uint32_t value, uint16_t signBit);
    // The largest absolute value of the four.
    static uint32_t MaxNum(int32_t a, int32_t b, int32_t c, int32_t d);

    // Size of the tag header AppendTag writes for this code and length.
    static uint32_t TagHeaderSize(uint16_t tagCode, uint32_t length);

  private:
    struct LargeData {
        uint32_t offset;  // buffer position the data is emitted at
        const uint8_t* data;
        uint32_t length;
    };

    void StoreByte();
    void WriteBytes(std::span<const uint8_t> bytes);
    // Calls emit(pointer, length) for each piece of the content in order.
    template <typename Emit>
    bool ForEachPiece(Emit emit) const;

    std::vector<uint8_t> m_buffer;  // complete bytes
    uint32_t m_freeBits = 8;
    uint8_t m_currentByte = 0;
    std::vector<LargeData> m_largeData;
    uint64_t m_largeBytes = 0;  // sum of the references' lengths
};

// Builds a tag body in a temporary stream with `fill`, then appends the tag
// (header and body) to `out`.  The common shape of every tag writer.
template <typename Fill>
void AppendTagBody(FSWFStream* out, uint16_t tagCode, Fill&& fill) {
    FSWFStream body;
    fill(body);
    body.FlushBits();
    out->AppendTag(tagCode, body.Size(), &body);
}

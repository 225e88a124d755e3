// Big-endian byte writing and bounded byte reading for movie atoms.
//
// ByteWriter appends to a growing buffer.  ByteReader walks a span and never
// reads past it: a read beyond the end returns zero and marks the reader
// failed, and the failure stays, so a parser may read a whole record and test
// ok() once at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Base/MacTypes.h"

namespace qtfile {

class ByteWriter {
  public:
    void u8(uint8_t v) { m_bytes.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void s16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void s32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void s64(int64_t v) { u64(static_cast<uint64_t>(v)); }
    void fourcc(OSType v) { u32(v); }
    void bytes(std::span<const uint8_t> data);
    void zeros(size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    // A counted (Pascal) string of at most 255 bytes.
    void pascalString(const std::string& text);

    size_t size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& data() const { return m_bytes; }
    std::vector<uint8_t>& data() { return m_bytes; }

  private:
    std::vector<uint8_t> m_bytes;
};

class ByteReader {
  public:
    ByteReader() = default;
    explicit ByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    uint64_t u64();
    int16_t s16() { return static_cast<int16_t>(u16()); }
    int32_t s32() { return static_cast<int32_t>(u32()); }
    int64_t s64() { return static_cast<int64_t>(u64()); }
    OSType fourcc() { return u32(); }
    // The next count bytes, or an empty span (and failure) when fewer remain.
    std::span<const uint8_t> bytes(size_t count);
    void skip(size_t count) { (void)bytes(count); }
    std::string pascalString();
    // A reader over the next count bytes, which this reader skips.
    ByteReader sub(size_t count);

    size_t remaining() const { return m_bytes.size() - m_pos; }
    size_t position() const { return m_pos; }
    bool ok() const { return !m_failed; }
    void fail() { m_failed = true; }

  private:
    bool take(size_t count);

    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
    bool m_failed = false;
};

// The header of one atom: its type, its whole size and the size of the
// header itself (8, or 16 with a 64-bit size).
struct AtomHeader {
    OSType type = 0;
    uint64_t size = 0;
    uint32_t headerSize = 8;
    uint64_t payloadSize() const { return size - headerSize; }
};

// Reads the next atom of a container: its header and a reader bounded to its
// payload.  A size of 0 means "to the end of the container".  Fails when the
// header is cut short or the atom claims more bytes than the container has.
[[nodiscard]] bool NextAtom(ByteReader& container, AtomHeader& header, ByteReader& payload);

// Bytes an atom takes with the given payload: 8 bytes of header, 16 when the
// total does not fit 32 bits.
uint64_t AtomSizeFor(uint64_t payloadSize);
// Writes an atom header for a payload of the given size.
void WriteAtomHeader(ByteWriter& out, OSType type, uint64_t payloadSize);

std::string FourCCText(OSType type);

}  // namespace qtfile

#include "MovieToolbox/AtomIO.h"

#include <limits>

namespace qtfile {

void ByteWriter::u16(uint16_t v) {
    u8(static_cast<uint8_t>(v >> 8));
    u8(static_cast<uint8_t>(v));
}

void ByteWriter::u32(uint32_t v) {
    u16(static_cast<uint16_t>(v >> 16));
    u16(static_cast<uint16_t>(v));
}

void ByteWriter::u64(uint64_t v) {
    u32(static_cast<uint32_t>(v >> 32));
    u32(static_cast<uint32_t>(v));
}

void ByteWriter::bytes(std::span<const uint8_t> data) {
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
}

void ByteWriter::pascalString(const std::string& text) {
    size_t length = text.size() > 255 ? 255 : text.size();
    u8(static_cast<uint8_t>(length));
    bytes(std::span(reinterpret_cast<const uint8_t*>(text.data()), length));
}

bool ByteReader::take(size_t count) {
    if (m_failed || count > remaining()) {
        m_failed = true;
        return false;
    }
    return true;
}

uint8_t ByteReader::u8() {
    if (!take(1)) {
        return 0;
    }
    return m_bytes[m_pos++];
}

uint16_t ByteReader::u16() {
    if (!take(2)) {
        return 0;
    }
    uint16_t v = static_cast<uint16_t>((m_bytes[m_pos] << 8) | m_bytes[m_pos + 1]);
    m_pos += 2;
    return v;
}

uint32_t ByteReader::u32() {
    if (!take(4)) {
        return 0;
    }
    uint32_t hi = u16();
    return (hi << 16) | u16();
}

uint64_t ByteReader::u64() {
    if (!take(8)) {
        return 0;
    }
    uint64_t hi = u32();
    return (hi << 32) | u32();
}

std::span<const uint8_t> ByteReader::bytes(size_t count) {
    if (!take(count)) {
        return {};
    }
    auto result = m_bytes.subspan(m_pos, count);
    m_pos += count;
    return result;
}

std::string ByteReader::pascalString() {
    size_t length = u8();
    auto text = bytes(length);
    return std::string(text.begin(), text.end());
}

ByteReader ByteReader::sub(size_t count) {
    auto span = bytes(count);
    ByteReader child(span);
    if (!ok()) {
        child.fail();
    }
    return child;
}

bool NextAtom(ByteReader& container, AtomHeader& header, ByteReader& payload) {
    if (container.remaining() < 8) {
        container.fail();
        return false;
    }
    size_t available = container.remaining();
    uint64_t size = container.u32();
    header.type = container.fourcc();
    header.headerSize = 8;
    if (size == 1) {
        size = container.u64();
        header.headerSize = 16;
    } else if (size == 0) {
        size = available;
    }
    if (!container.ok() || size < header.headerSize || size > available) {
        container.fail();
        return false;
    }
    header.size = size;
    payload = container.sub(static_cast<size_t>(size - header.headerSize));
    return container.ok();
}

uint64_t AtomSizeFor(uint64_t payloadSize) {
    return payloadSize + 8 <= std::numeric_limits<uint32_t>::max() ? payloadSize + 8
                                                                   : payloadSize + 16;
}

void WriteAtomHeader(ByteWriter& out, OSType type, uint64_t payloadSize) {
    uint64_t size = AtomSizeFor(payloadSize);
    if (size == payloadSize + 8) {
        out.u32(static_cast<uint32_t>(size));
        out.fourcc(type);
    } else {
        out.u32(1);
        out.fourcc(type);
        out.u64(size);
    }
}

std::string FourCCText(OSType type) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        char c = static_cast<char>((type >> (24 - 8 * i)) & 0xFF);
        text[i] = (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

}  // namespace qtfile

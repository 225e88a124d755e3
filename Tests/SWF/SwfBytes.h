// Helpers of the SWF tests: bytes of a stream, hex notation, and a small
// independent reader of SWF headers and tag lists.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "SWF/FSWFStream.h"

namespace swftest {

using Bytes = std::vector<uint8_t>;

inline Bytes StreamBytes(const FSWFStream& stream) {
    Bytes out(stream.Size());
    stream.WriteToMemory(out.data());
    return out;
}

// "81 02 00" -> {0x81, 0x02, 0x00}; spaces only between whole bytes.
inline Bytes Hex(const std::string& text) {
    Bytes out;
    for (size_t i = 0; i < text.size(); i += text[i] == ' ' ? 1 : 2) {
        if (text[i] != ' ') {
            out.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
        }
    }
    return out;
}

inline std::string ToHex(const Bytes& bytes) {
    std::string out;
    for (uint8_t b : bytes) {
        out += (out.empty() ? "" : " ") + std::string{"0123456789ABCDEF"[b >> 4]} +
               "0123456789ABCDEF"[b & 15];
    }
    return out;
}

// Writes the object into a fresh stream and returns the bytes.
template <typename T>
Bytes Encode(T& object) {
    FSWFStream stream;
    object.WriteToSWFStream(&stream);
    stream.FlushBits();
    return StreamBytes(stream);
}

// MSB-first bit reader over a byte range, bounded.
class BitReader {
  public:
    explicit BitReader(const Bytes& bytes, size_t pos = 0) : m_bytes(bytes), m_bit(pos * 8) {}
    uint32_t Bits(uint32_t n) {
        uint32_t v = 0;
        for (uint32_t i = 0; i < n; ++i) {
            if (m_bit / 8 >= m_bytes.size()) {
                throw std::out_of_range("bit reader past the end");
            }
            v = (v << 1) | ((m_bytes[m_bit / 8] >> (7 - m_bit % 8)) & 1);
            ++m_bit;
        }
        return v;
    }
    int32_t Signed(uint32_t n) {
        const uint32_t v = Bits(n);
        return n == 0 ? 0 : static_cast<int32_t>(v << (32 - n)) >> (32 - n);
    }
    void Align() { m_bit = (m_bit + 7) / 8 * 8; }
    size_t BytePos() const { return (m_bit + 7) / 8; }
    uint32_t U16() { return ReadLE(2); }
    uint32_t U32() { return ReadLE(4); }
    uint32_t U8() { return ReadLE(1); }

  private:
    uint32_t ReadLE(int n) {
        Align();
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            v |= Bits(8) << (8 * i);
        }
        return v;
    }
    const Bytes& m_bytes;
    size_t m_bit;
};

struct Tag {
    uint16_t code;
    Bytes body;
    size_t headerSize;
};

struct Movie {
    uint8_t version = 0;
    uint32_t fileLength = 0;
    int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    uint32_t frameRate = 0;  // 8.8 fixed point
    uint32_t frameCount = 0;
    std::vector<Tag> tags;  // up to and including the End tag
};

// Reads a tag sequence from `pos` until the End tag; throws on overrun.
inline std::vector<Tag> ParseTags(const Bytes& bytes, size_t pos) {
    std::vector<Tag> tags;
    for (;;) {
        BitReader r(bytes, pos);
        const uint32_t codeAndLength = r.U16();
        uint32_t length = codeAndLength & 0x3F;
        size_t header = 2;
        if (length == 0x3F) {
            length = r.U32();
            header = 6;
        }
        if (pos + header + length > bytes.size()) {
            throw std::out_of_range("tag runs past the end");
        }
        Tag tag{static_cast<uint16_t>(codeAndLength >> 6),
                Bytes(bytes.begin() + pos + header, bytes.begin() + pos + header + length), header};
        pos += header + length;
        tags.push_back(tag);
        if (tag.code == 0) {
            if (pos != bytes.size()) {
                throw std::runtime_error("bytes after the End tag");
            }
            return tags;
        }
    }
}

inline Movie ParseMovie(const Bytes& bytes) {
    Movie m;
    BitReader r(bytes);
    if (r.U8() != 'F' || r.U8() != 'W' || r.U8() != 'S') {
        throw std::runtime_error("not an uncompressed SWF");
    }
    m.version = static_cast<uint8_t>(r.U8());
    m.fileLength = r.U32();
    const uint32_t n = r.Bits(5);
    m.xmin = r.Signed(n);
    m.xmax = r.Signed(n);
    m.ymin = r.Signed(n);
    m.ymax = r.Signed(n);
    m.frameRate = r.U16();
    m.frameCount = r.U16();
    m.tags = ParseTags(bytes, r.BytePos());
    return m;
}

}  // namespace swftest

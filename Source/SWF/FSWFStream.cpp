#include "SWF/FSWFStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

constexpr uint32_t kLongLengthMarker = 0x3F;
constexpr uint32_t kFirstLongLength = 63;

// Tags that players expect with the long header whatever their length.
bool AlwaysLongHeader(uint16_t tagCode) {
    return tagCode == 19 || tagCode == 20 || tagCode == 36;
}

}  // namespace

FSWFStream::FSWFStream() {
    m_buffer.reserve(1024);
}

void FSWFStream::StoreByte() {
    m_buffer.push_back(m_currentByte);
    m_currentByte = 0;
    m_freeBits = 8;
}

void FSWFStream::WriteBits(uint32_t value, uint32_t bitCount) {
    if (bitCount > 32) {
        throw std::invalid_argument("SWF bit field wider than 32 bits");
    }
    if (bitCount == 0) {
        return;
    }
    if (bitCount == 8 && m_freeBits == 8) {
        m_buffer.push_back(static_cast<uint8_t>(value));  // whole bytes, aligned
        return;
    }
    if (bitCount < 32) {
        value &= (uint32_t{1} << bitCount) - 1;
    }
    while (bitCount > m_freeBits) {
        // The top m_freeBits bits of the remaining field fill this byte.
        const uint32_t rest = bitCount - m_freeBits;
        m_currentByte |= static_cast<uint8_t>(value >> rest);
        value &= (uint32_t{1} << rest) - 1;
        bitCount = rest;
        StoreByte();
    }
    m_freeBits -= bitCount;
    m_currentByte |= static_cast<uint8_t>(value << m_freeBits);
    if (m_freeBits == 0) {
        StoreByte();
    }
}

void FSWFStream::FlushBits() {
    if (m_freeBits != 8) {
        StoreByte();
    }
}

void FSWFStream::WriteByte(uint32_t value) {
    WriteBits(value & 0xFF, 8);
}

void FSWFStream::WriteWord(uint32_t value) {
    WriteByte(value);
    WriteByte(value >> 8);
}

void FSWFStream::WriteDWord(uint32_t value) {
    WriteWord(value);
    WriteWord(value >> 16);
}

void FSWFStream::WriteBytes(std::span<const uint8_t> bytes) {
    if (IsByteAligned()) {
        m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
        return;
    }
    for (uint8_t b : bytes) {
        WriteBits(b, 8);
    }
}

void FSWFStream::WriteLargeData(const uint8_t* data, uint32_t length) {
    if (data == nullptr && length != 0) {
        throw std::invalid_argument("SWF large data without bytes");
    }
    m_largeData.push_back({static_cast<uint32_t>(m_buffer.size()), data, length});
    m_largeBytes += length;
    (void)Size();  // refuses a stream that no longer fits 32 bits
}

uint32_t FSWFStream::Size() const {
    const uint64_t total = m_buffer.size() + m_largeBytes;
    if (total > std::numeric_limits<uint32_t>::max()) {
        throw std::length_error("SWF stream larger than 4 GiB");
    }
    return static_cast<uint32_t>(total);
}

void FSWFStream::Append(FSWFStream* other) {
    if (other == nullptr || other == this) {
        throw std::invalid_argument("SWF stream appended to itself or null");
    }
    size_t from = 0;
    for (const LargeData& ref : other->m_largeData) {
        WriteBytes(std::span(other->m_buffer).subspan(from, ref.offset - from));
        from = ref.offset;
        m_largeData.push_back({static_cast<uint32_t>(m_buffer.size()), ref.data, ref.length});
        m_largeBytes += ref.length;
    }
    WriteBytes(std::span(other->m_buffer).subspan(from));
    other->m_largeData.clear();
    other->m_largeBytes = 0;
    (void)Size();
}

uint32_t FSWFStream::TagHeaderSize(uint16_t tagCode, uint32_t length) {
    return (length < kFirstLongLength && !AlwaysLongHeader(tagCode)) ? 2 : 6;
}

void FSWFStream::AppendTag(uint16_t tagCode, uint32_t length, FSWFStream* body) {
    if (tagCode > 0x3FF) {
        throw std::invalid_argument("SWF tag code above 1023");
    }
    const uint64_t expected = uint64_t{Size()} + TagHeaderSize(tagCode, length) + length;
    const uint32_t code = uint32_t{tagCode} << 6;
    if (TagHeaderSize(tagCode, length) == 2) {
        WriteWord(code | length);
    } else {
        WriteWord(code | kLongLengthMarker);
        WriteDWord(length);
    }
    if (body != nullptr) {
        Append(body);
    }
    if (Size() != expected) {
        throw std::logic_error("SWF tag length disagrees with its body");
    }
}

template <typename Emit>
bool FSWFStream::ForEachPiece(Emit emit) const {
    const uint64_t expected = Size();
    uint64_t emitted = 0;
    auto piece = [&](const uint8_t* data, size_t length) {
        emitted += length;
        return emit(data, length);
    };
    size_t from = 0;
    for (const LargeData& ref : m_largeData) {
        if (!piece(m_buffer.data() + from, ref.offset - from) || !piece(ref.data, ref.length)) {
            return false;
        }
        from = ref.offset;
    }
    if (!piece(m_buffer.data() + from, m_buffer.size() - from)) {
        return false;
    }
    if (emitted != expected) {
        throw std::logic_error("SWF stream wrote a size other than it reported");
    }
    return true;
}

bool FSWFStream::WriteToFile(FILE* file) const {
    if (file == nullptr) {
        return false;
    }
    return ForEachPiece([file](const uint8_t* data, size_t length) {
        return length == 0 || std::fwrite(data, 1, length, file) == length;
    });
}

void FSWFStream::WriteToMemory(uint8_t* destination) const {
    ForEachPiece([&destination](const uint8_t* data, size_t length) {
        if (length != 0) {
            std::memcpy(destination, data, length);
            destination += length;
        }
        return true;
    });
}

bool FSWFStream::WriteToMemory(std::span<uint8_t> destination) const {
    if (destination.size() < Size()) {
        return false;
    }
    WriteToMemory(destination.data());
    return true;
}

void FSWFStream::OverwriteBytes(uint32_t offset, std::span<const uint8_t> bytes) {
    if (offset > m_buffer.size() || bytes.size() > m_buffer.size() - offset) {
        throw std::out_of_range("SWF stream overwrite outside its bytes");
    }
    std::copy(bytes.begin(), bytes.end(), m_buffer.begin() + offset);
}

uint32_t FSWFStream::MinBits(uint32_t value, uint16_t signBit) {
    uint32_t bits = 0;
    while (bits < 32 && (value >> bits) != 0) {
        ++bits;
    }
    return bits + (signBit != 0 ? 1 : 0);
}

uint32_t FSWFStream::MaxNum(int32_t a, int32_t b, int32_t c, int32_t d) {
    auto magnitude = [](int32_t v) {
        return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    };
    return std::max({magnitude(a), magnitude(b), magnitude(c), magnitude(d)});
}

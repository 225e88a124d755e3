// Little-endian byte strings, to spell out the records expected in a
// recovery file.
#pragma once

#include <cstdint>
#include <vector>

namespace mvdtest {

// Little-endian fields appended one after another.
class Bytes {
  public:
    Bytes& label(const char* text) {
        m_bytes.insert(m_bytes.end(), text, text + 4);
        return *this;
    }
    Bytes& u32(uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            m_bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
        }
        return *this;
    }
    Bytes& s16(int16_t value) {
        auto bits = static_cast<uint16_t>(value);
        m_bytes.push_back(static_cast<unsigned char>(bits));
        m_bytes.push_back(static_cast<unsigned char>(bits >> 8));
        return *this;
    }
    Bytes& s64(int64_t value) {
        auto bits = static_cast<uint64_t>(value);
        return u32(static_cast<uint32_t>(bits)).u32(static_cast<uint32_t>(bits >> 32));
    }
    Bytes& raw(const void* data, size_t size) {
        auto bytes = static_cast<const unsigned char*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
        return *this;
    }
    Bytes& append(const std::vector<unsigned char>& more) {
        m_bytes.insert(m_bytes.end(), more.begin(), more.end());
        return *this;
    }
    const std::vector<unsigned char>& data() const { return m_bytes; }

  private:
    std::vector<unsigned char> m_bytes;
};

}  // namespace mvdtest

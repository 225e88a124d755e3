// An owned byte string, written with or without a terminating zero.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class FSWFStream;

class FString {
  public:
    // Copies a zero-terminated string (null gives an empty one).
    explicit FString(const unsigned char* text);
    explicit FString(const char* text);
    // Copies exactly these bytes, which may hold zeros.
    explicit FString(std::string_view bytes);

    void WriteToSWFStream(FSWFStream* stream, bool terminate) const;

    uint32_t Length() const { return static_cast<uint32_t>(m_bytes.size()); }
    const std::string& Bytes() const { return m_bytes; }

  private:
    std::string m_bytes;
};

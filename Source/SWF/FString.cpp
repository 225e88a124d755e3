#include "SWF/FString.h"

#include <stdexcept>

#include "SWF/FSWFStream.h"

FString::FString(const unsigned char* text) : FString(reinterpret_cast<const char*>(text)) {}

FString::FString(const char* text) : m_bytes(text != nullptr ? text : "") {}

FString::FString(std::string_view bytes) : m_bytes(bytes) {
    if (m_bytes.size() > UINT32_MAX - 1) {
        throw std::length_error("SWF string too long");
    }
}

void FString::WriteToSWFStream(FSWFStream* stream, bool terminate) const {
    for (char c : m_bytes) {
        stream->WriteByte(static_cast<unsigned char>(c));
    }
    if (terminate) {
        stream->WriteByte(0);
    }
}

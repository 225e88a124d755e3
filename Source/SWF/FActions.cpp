#include "SWF/FActions.h"

#include <bit>
#include <stdexcept>

#include "SWF/FSWFStream.h"

namespace {

enum : uint8_t {
    kActionGetURL = 0x83,
    kActionWaitForFrame = 0x8A,
    kActionPush = 0x96,
};

enum : uint8_t { kPushString = 0, kPushFloat = 1, kPushInteger = 7 };

// Builds the data with `fill` and writes the action around it.
template <typename Fill>
void WriteAction(FSWFStream* stream, uint8_t code, Fill&& fill) {
    FSWFStream data;
    fill(data);
    WriteActionWithData(stream, code, data);
}

FString* RequiredString(FString* text, const char* what) {
    if (text == nullptr) {
        throw std::invalid_argument(what);
    }
    return text;
}

void WriteBytes(FSWFStream& data, const std::string& bytes) {
    for (char c : bytes) {
        data.WriteByte(static_cast<unsigned char>(c));
    }
}

}  // namespace

FString* RequiredName(FString* name) {
    return RequiredString(name, "action needs a name");
}

void WriteActionWithData(FSWFStream* stream, uint8_t code, FSWFStream& data) {
    data.FlushBits();
    const uint32_t length = data.Size();
    if (length > 0xFFFF) {
        throw std::length_error("action data longer than 65535 bytes");
    }
    stream->WriteByte(code);
    stream->WriteWord(length);
    stream->Append(&data);
}

FActionGetURL::FActionGetURL(FString* url, FString* target)
    : m_url(RequiredString(url, "GetURL needs a URL")),
      m_target(target != nullptr ? target : new FString("")) {}

void FActionGetURL::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionGetURL, [this](FSWFStream& d) {
        m_url->WriteToSWFStream(&d, true);
        m_target->WriteToSWFStream(&d, true);
    });
}

void FActionWaitForFrame::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionWaitForFrame, [this](FSWFStream& d) {
        d.WriteWord(m_frame);
        d.WriteByte(m_skipCount);
    });
}

FActionPush::FActionPush(FString* text)
    : m_kind(Kind::kString), m_text(RequiredString(text, "Push needs a string")) {}

FActionPush::FActionPush(float value)
    : m_kind(Kind::kFloat), m_bits(std::bit_cast<uint32_t>(value)) {}

FActionPush::FActionPush(long value)
    : m_kind(Kind::kInteger), m_bits(static_cast<uint32_t>(value)) {}

void FActionPush::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionPush, [this](FSWFStream& d) {
        switch (m_kind) {
            case Kind::kString:
                d.WriteByte(kPushString);
                m_text->WriteToSWFStream(&d, true);
                break;
            case Kind::kFloat:
                d.WriteByte(kPushFloat);
                d.WriteDWord(m_bits);
                break;
            case Kind::kInteger:
                d.WriteByte(kPushInteger);
                d.WriteDWord(m_bits);
                break;
        }
    });
}

MyFActionPushVariable::MyFActionPushVariable(const char* name, uint32_t value)
    : m_name(name != nullptr ? name : ""), m_value(value) {}

void MyFActionPushVariable::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionPush, [this](FSWFStream& d) {
        d.WriteByte(kPushString);
        WriteBytes(d, m_name);
        d.WriteByte(0);
        d.WriteByte(kPushInteger);
        d.WriteDWord(m_value);
    });
}

MyFActionPushMemory::MyFActionPushMemory(const void* bytes, uint32_t length)
    : m_bytes(bytes != nullptr ? static_cast<const char*>(bytes) : "",
              bytes != nullptr ? length : 0) {}

void MyFActionPushMemory::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionPush, [this](FSWFStream& d) {
        d.WriteByte(kPushString);
        WriteBytes(d, m_bytes);
        d.WriteByte(0);
    });
}

#include "SWF/FActions.h"

#include <bit>
#include <stdexcept>

#include "SWF/FSWFStream.h"

namespace {

enum : uint8_t {
    kActionGotoFrame = 0x81,
    kActionGetURL = 0x83,
    kActionWaitForFrame = 0x8A,
    kActionSetTarget = 0x8B,
    kActionGotoLabel = 0x8C,
    kActionWaitForFrame2 = 0x8D,
    kActionPush = 0x96,
    kActionJump = 0x99,
    kActionGetURL2 = 0x9A,
    kActionIf = 0x9D,
    kActionGotoFrame2 = 0x9F,
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

void FActionGotoFrame::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionGotoFrame, [this](FSWFStream& d) { d.WriteWord(m_frame); });
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

FActionSetTarget::FActionSetTarget(FString* target)
    : m_target(RequiredString(target, "SetTarget needs a name")) {}

void FActionSetTarget::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionSetTarget,
                [this](FSWFStream& d) { m_target->WriteToSWFStream(&d, true); });
}

FActionGotoLabel::FActionGotoLabel(FString* label)
    : m_label(RequiredString(label, "GotoLabel needs a label")) {}

void FActionGotoLabel::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionGotoLabel,
                [this](FSWFStream& d) { m_label->WriteToSWFStream(&d, true); });
}

void FActionWaitForFrame2::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionWaitForFrame2, [this](FSWFStream& d) { d.WriteByte(m_skipCount); });
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

void FActionJump::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionJump,
                [this](FSWFStream& d) { d.WriteWord(static_cast<uint16_t>(m_offset)); });
}

void FActionIf::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionIf,
                [this](FSWFStream& d) { d.WriteWord(static_cast<uint16_t>(m_offset)); });
}

void FActionGetURL2::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionGetURL2, [this](FSWFStream& d) { d.WriteByte(m_method); });
}

void FActionGotoFrame2::WriteToSWFStream(FSWFStream* stream) {
    WriteAction(stream, kActionGotoFrame2, [this](FSWFStream& d) { d.WriteByte(m_play); });
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

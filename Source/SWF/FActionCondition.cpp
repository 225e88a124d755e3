#include "SWF/FActionCondition.h"

#include <stdexcept>

#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

FActionCondition::FActionCondition() = default;
FActionCondition::~FActionCondition() = default;

void FActionCondition::AddCondition(int n) {
    if (n < kOverDownToIdle || n > kIdleToOverUp) {
        throw std::invalid_argument("button condition must be 1 to 9");
    }
    m_mask |= static_cast<uint16_t>(0x0100 >> (n - 1));
}

void FActionCondition::AddKeyCode(uint32_t keyCode) {
    if (keyCode > 127) {
        throw std::invalid_argument("button key code above 127");
    }
    m_mask |= static_cast<uint16_t>(keyCode << 9);
}

void FActionCondition::AddActionRecord(FActionRecord* action) {
    m_actions.push_back(Adopt(action, "null button action"));
}

void FActionCondition::Clear() {
    m_actions.clear();
}

void FActionCondition::WriteBody(FSWFStream& body) {
    body.WriteWord(m_mask);
    for (const std::unique_ptr<FActionRecord>& action : m_actions) {
        action->WriteToSWFStream(&body);
    }
    body.FlushBits();
    body.WriteByte(0);
}

void FActionCondition::WriteToSWFStream(FSWFStream* stream) {
    FSWFStream body;
    WriteBody(body);
    const uint32_t size = body.Size() + 2;
    if (size > 0xFFFF) {
        throw std::length_error("button condition actions longer than 65533 bytes");
    }
    stream->WriteWord(size);
    stream->Append(&body);
}

void FActionCondition::WriteToSWFStream(FSWFStream* stream, int) {
    stream->WriteWord(0);
    FSWFStream body;
    WriteBody(body);
    stream->Append(&body);
}

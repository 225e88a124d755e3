#include "SWF/FCompositeActions.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>

#include "SWF/FOwnership.h"
#include "SWF/FSWFStream.h"

namespace {

constexpr uint8_t kActionDefineFunction = 0x9B;
constexpr uint32_t kJumpSize = 5;  // code, length, 16-bit offset
constexpr uint32_t kIfSize = 5;
constexpr uint32_t kNotSize = 1;

// A branch offset: refuses code too long for the signed 16-bit field.
int16_t BranchOffset(int64_t offset) {
    if (offset < std::numeric_limits<int16_t>::min() ||
        offset > std::numeric_limits<int16_t>::max()) {
        throw std::length_error("action branch longer than a 16-bit jump");
    }
    return static_cast<int16_t>(offset);
}

// Operators and the single-byte actions that compute them.
const std::pair<const char*, std::vector<uint8_t>> kOperators[] = {
    {"+", {0x47}},        {"-", {0x0B}},        {"*", {0x0C}},
    {"/", {0x0D}},        {"%", {0x3F}},        {"==", {0x49}},
    {"<", {0x48}},        {">", {0x4D, 0x48}},  {"<=", {0x4D, 0x48, 0x12}},
    {">=", {0x48, 0x12}}, {"!=", {0x49, 0x12}}, {"&", {0x60}},
    {"|", {0x61}},        {"^", {0x62}},        {"<<", {0x63}},
    {">>", {0x64}},       {"&&", {0x10}},       {"||", {0x11}},
};

}  // namespace

FMyActionList::FMyActionList() = default;
FMyActionList::~FMyActionList() = default;

void FMyActionList::AddAction(FActionRecord* record) {
    m_records.push_back(Adopt(record, "null action"));
}

void FMyActionList::WriteToSWFStream(FSWFStream* stream) {
    for (const std::unique_ptr<FActionRecord>& record : m_records) {
        record->WriteToSWFStream(stream);
    }
}

uint32_t FMyActionList::CodeSize() {
    FSWFStream code;
    WriteToSWFStream(&code);
    return code.Size();
}

FMyActionIf::FMyActionIf(FActionRecord* thenRecord, FActionRecord* elseRecord)
    : m_then(thenRecord), m_else(elseRecord) {}

void FMyActionIf::WriteToSWFStream(FSWFStream* stream) {
    const uint32_t elseSize = m_else.CodeSize();
    const uint32_t jumpSize = elseSize != 0 ? kJumpSize : 0;
    const int16_t skipThen = BranchOffset(int64_t{m_then.CodeSize()} + jumpSize);
    const int16_t skipElse = BranchOffset(elseSize);
    FActionNot().WriteToSWFStream(stream);
    FActionIf(skipThen).WriteToSWFStream(stream);
    m_then.WriteToSWFStream(stream);
    if (elseSize != 0) {
        FActionJump(skipElse).WriteToSWFStream(stream);
        m_else.WriteToSWFStream(stream);
    }
}

FMyActionForLoop::FMyActionForLoop(FActionRecord* init, FActionRecord* condition,
                                   FActionRecord* step, FActionRecord* body)
    : m_init(init), m_condition(condition), m_step(step), m_body(body) {}

void FMyActionForLoop::WriteToSWFStream(FSWFStream* stream) {
    const int64_t conditionSize = m_condition.CodeSize();
    const int64_t loopSize = int64_t{m_body.CodeSize()} + m_step.CodeSize();
    const int16_t exit = BranchOffset(loopSize + kJumpSize);
    const int16_t back = BranchOffset(-(conditionSize + loopSize) - kNotSize - kIfSize - kJumpSize);
    m_init.WriteToSWFStream(stream);
    m_condition.WriteToSWFStream(stream);
    FActionNot().WriteToSWFStream(stream);
    FActionIf(exit).WriteToSWFStream(stream);
    m_body.WriteToSWFStream(stream);
    m_step.WriteToSWFStream(stream);
    FActionJump(back).WriteToSWFStream(stream);
}

FMyActionDefineFunction::FMyActionDefineFunction(FString* name, FActionRecord* body)
    : m_name(name != nullptr ? name : new FString("")), m_body(body) {}

FMyActionDefineFunction::~FMyActionDefineFunction() = default;

void FMyActionDefineFunction::AddParam(FString* name) {
    auto owned = Adopt(name, "null parameter name");
    if (m_params.size() >= 0xFFFF) {
        throw std::length_error("a function takes at most 65535 parameters");
    }
    m_params.push_back(std::move(owned));
}

void FMyActionDefineFunction::WriteToSWFStream(FSWFStream* stream) {
    const uint32_t codeSize = m_body.CodeSize();
    if (codeSize > 0xFFFF) {
        throw std::length_error("function body longer than 65535 bytes");
    }
    FSWFStream header;
    m_name->WriteToSWFStream(&header, true);
    header.WriteWord(static_cast<uint32_t>(m_params.size()));
    for (const std::unique_ptr<FString>& param : m_params) {
        param->WriteToSWFStream(&header, true);
    }
    header.WriteWord(codeSize);
    WriteActionWithData(stream, kActionDefineFunction, header);
    m_body.WriteToSWFStream(stream);
}

FMyActionDoOp::FMyActionDoOp(const char* op) : m_op(op != nullptr ? op : "") {}

void FMyActionDoOp::WriteToSWFStream(FSWFStream* stream) {
    for (const auto& [name, codes] : kOperators) {
        if (m_op == name) {
            for (uint8_t code : codes) {
                stream->WriteByte(code);
            }
            return;
        }
    }
}

FCTMyDoAction::FCTMyDoAction(FActionRecord* first) {
    AddAction(first);
}

FCTMyDoAction::FCTMyDoAction(const char*) {}

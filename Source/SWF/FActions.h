// Action records: the byte code of frame scripts and button actions.
// Codes below 0x80 are one byte; codes from 0x80 carry a 16-bit length and
// their data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "SWF/FActionRecord.h"
#include "SWF/FSWFStream.h"
#include "SWF/FString.h"

// Writes the action code, the 16-bit length of `data` and the data.  Throws
// std::length_error for data longer than 65535 bytes.
void WriteActionWithData(FSWFStream* stream, uint8_t code, FSWFStream& data);
// `name` itself; throws std::invalid_argument for null.
FString* RequiredName(FString* name);

// Any one-byte action (codes below 0x80).
template <uint8_t Code>
class FMyActionJustWriteASingleByte : public FActionRecord {
    static_assert(Code < 0x80, "actions from 0x80 carry a length");

  public:
    void WriteToSWFStream(FSWFStream* stream) override { stream->WriteByte(Code); }
};

class FActionPlay : public FMyActionJustWriteASingleByte<0x06> {};
class FActionStop : public FMyActionJustWriteASingleByte<0x07> {};
class FActionNot : public FMyActionJustWriteASingleByte<0x12> {};
class FActionPop : public FMyActionJustWriteASingleByte<0x17> {};
class FActionGetVariable : public FMyActionJustWriteASingleByte<0x1C> {};
class FActionSetVariable : public FMyActionJustWriteASingleByte<0x1D> {};
class FActionStackSwap : public FMyActionJustWriteASingleByte<77> {};
class FActionSetMember : public FMyActionJustWriteASingleByte<0x4F> {};
class FActionCallMethod : public FMyActionJustWriteASingleByte<82> {};
// Pops a value and shows it in the player's trace output.
class FActionTrace : public FMyActionJustWriteASingleByte<0x26> {};

// An action from 0x80 whose data is one 16-bit value.
template <uint8_t Code, typename Value>
class FActionWithWord : public FActionRecord {
  public:
    explicit FActionWithWord(Value value) : m_value(value) {}
    void WriteToSWFStream(FSWFStream* stream) override {
        FSWFStream data;
        data.WriteWord(static_cast<uint16_t>(m_value));
        WriteActionWithData(stream, Code, data);
    }

  private:
    Value m_value;
};

// An action from 0x80 whose data is one byte.
template <uint8_t Code>
class FActionWithByte : public FActionRecord {
  public:
    explicit FActionWithByte(uint8_t value) : m_value(value) {}
    void WriteToSWFStream(FSWFStream* stream) override {
        FSWFStream data;
        data.WriteByte(m_value);
        WriteActionWithData(stream, Code, data);
    }

  private:
    uint8_t m_value;
};

// An action from 0x80 whose data is one zero-terminated name, owned.
template <uint8_t Code>
class FActionWithName : public FActionRecord {
  public:
    explicit FActionWithName(FString* name) : m_name(RequiredName(name)) {}
    void WriteToSWFStream(FSWFStream* stream) override {
        FSWFStream data;
        m_name->WriteToSWFStream(&data, true);
        WriteActionWithData(stream, Code, data);
    }

  private:
    std::unique_ptr<FString> m_name;
};

class FActionGotoFrame : public FActionWithWord<0x81, uint16_t> {
  public:
    using FActionWithWord::FActionWithWord;
};

// URL and target window, each zero-terminated.  Owns both (target may be
// null: empty).
class FActionGetURL : public FActionRecord {
  public:
    FActionGetURL(FString* url, FString* target);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::unique_ptr<FString> m_url;
    std::unique_ptr<FString> m_target;
};

class FActionWaitForFrame : public FActionRecord {
  public:
    FActionWaitForFrame(uint16_t frame, uint16_t skipCount)
        : m_frame(frame), m_skipCount(skipCount) {}
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_frame;
    uint16_t m_skipCount;
};

class FActionSetTarget : public FActionWithName<0x8B> {
  public:
    using FActionWithName::FActionWithName;
};

class FActionGotoLabel : public FActionWithName<0x8C> {
  public:
    using FActionWithName::FActionWithName;
};

class FActionWaitForFrame2 : public FActionWithByte<0x8D> {
  public:
    using FActionWithByte::FActionWithByte;
};

// Pushes one string (type 0), float (type 1) or 32-bit integer (type 7).
class FActionPush : public FActionRecord {
  public:
    explicit FActionPush(FString* text);
    explicit FActionPush(float value);
    explicit FActionPush(long value);
    explicit FActionPush(int value) : FActionPush(static_cast<long>(value)) {}
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    enum class Kind { kString, kFloat, kInteger };
    Kind m_kind;
    std::unique_ptr<FString> m_text;
    uint32_t m_bits = 0;  // the float's or the integer's 32 bits
};

// Jump (0x99) and If (0x9D): a signed byte offset from the end of the action.
class FActionJump : public FActionWithWord<0x99, int16_t> {
  public:
    using FActionWithWord::FActionWithWord;
};

class FActionIf : public FActionWithWord<0x9D, int16_t> {
  public:
    using FActionWithWord::FActionWithWord;
};

class FActionGetURL2 : public FActionWithByte<0x9A> {
  public:
    using FActionWithByte::FActionWithByte;
};

class FActionGotoFrame2 : public FActionWithByte<0x9F> {
  public:
    using FActionWithByte::FActionWithByte;
};

// Pushes a name and an unsigned integer, ready for SetVariable.
class MyFActionPushVariable : public FActionRecord {
  public:
    MyFActionPushVariable(const char* name, uint32_t value);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::string m_name;
    uint32_t m_value;
};

// Pushes raw bytes after a string type byte, with a terminating zero.  A
// zero inside the bytes ends one value and the byte after it is read as the
// next value's type, so one record can push several values.
class MyFActionPushMemory : public FActionRecord {
  public:
    MyFActionPushMemory(const void* bytes, uint32_t length);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::string m_bytes;
};

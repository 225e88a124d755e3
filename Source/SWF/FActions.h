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

class FActionGotoFrame : public FActionRecord {
  public:
    explicit FActionGotoFrame(uint16_t frame) : m_frame(frame) {}
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint16_t m_frame;
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

// SetTarget (0x8B) and GotoLabel (0x8C): one zero-terminated name.
class FActionSetTarget : public FActionRecord {
  public:
    explicit FActionSetTarget(FString* target);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::unique_ptr<FString> m_target;
};

class FActionGotoLabel : public FActionRecord {
  public:
    explicit FActionGotoLabel(FString* label);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::unique_ptr<FString> m_label;
};

class FActionWaitForFrame2 : public FActionRecord {
  public:
    explicit FActionWaitForFrame2(uint8_t skipCount) : m_skipCount(skipCount) {}
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint8_t m_skipCount;
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
class FActionJump : public FActionRecord {
  public:
    explicit FActionJump(int16_t offset) : m_offset(offset) {}
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    int16_t m_offset;
};

class FActionIf : public FActionRecord {
  public:
    explicit FActionIf(int16_t offset) : m_offset(offset) {}
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    int16_t m_offset;
};

class FActionGetURL2 : public FActionRecord {
  public:
    explicit FActionGetURL2(uint8_t method) : m_method(method) {}
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint8_t m_method;
};

class FActionGotoFrame2 : public FActionRecord {
  public:
    explicit FActionGotoFrame2(uint8_t play) : m_play(play) {}
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    uint8_t m_play;
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

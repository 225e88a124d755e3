// Structured code built from action records: lists, if/else, for loops,
// function definitions and binary operators, and a DoAction made from one
// of them.  Each owns the records it holds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SWF/FActions.h"
#include "SWF/FCTDoAction.h"

// Records written one after another.
class FMyActionList : public FActionRecord {
  public:
    FMyActionList();
    // Takes the given records in order; null arguments are skipped, so a
    // list may be written as (a, b, nullptr).
    template <typename... More>
    explicit FMyActionList(FActionRecord* first, More... more) {
        for (FActionRecord* record : {first, static_cast<FActionRecord*>(more)...}) {
            if (record != nullptr) {
                m_records.emplace_back(record);
            }
        }
    }
    ~FMyActionList() override;

    void AddAction(FActionRecord* record);
    bool HasActions() const { return !m_records.empty(); }
    void WriteToSWFStream(FSWFStream* stream) override;
    // The code's size in bytes.
    uint32_t CodeSize();

  private:
    std::vector<std::unique_ptr<FActionRecord>> m_records;
};

// if (top of stack) then ... else ...: Not, If over the then-code, the
// then-code (ending with a Jump over the else-code when there is one), the
// else-code.  Either part may start null.
class FMyActionIf : public FActionRecord {
  public:
    FMyActionIf(FActionRecord* thenRecord, FActionRecord* elseRecord);
    void AddAction(FActionRecord* record) { m_then.AddAction(record); }
    void AddElseAction(FActionRecord* record) { m_else.AddAction(record); }
    // Throws std::length_error when a branch is too long for a 16-bit jump.
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    FMyActionList m_then;
    FMyActionList m_else;
};

// for (init; condition; step) body.  Any part may be null.
class FMyActionForLoop : public FActionRecord {
  public:
    FMyActionForLoop(FActionRecord* init, FActionRecord* condition, FActionRecord* step,
                     FActionRecord* body);
    void AddAction(FActionRecord* record) { m_body.AddAction(record); }
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    FMyActionList m_init;
    FMyActionList m_condition;
    FMyActionList m_step;
    FMyActionList m_body;
};

// DefineFunction (0x9B): name, parameter names, the body's size, then the
// body.  Owns the name and parameters.
class FMyActionDefineFunction : public FActionRecord {
  public:
    FMyActionDefineFunction(FString* name, FActionRecord* body);
    ~FMyActionDefineFunction() override;
    void AddParam(FString* name);
    void AddAction(FActionRecord* record) { m_body.AddAction(record); }
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::unique_ptr<FString> m_name;
    std::vector<std::unique_ptr<FString>> m_params;
    FMyActionList m_body;
};

// The action(s) of a binary operator over the two top stack values:
// + - * / % == < > <= >= != & | ^ << >> && ||.  Others write nothing.
class FMyActionDoOp : public FActionRecord {
  public:
    explicit FMyActionDoOp(const char* op);
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::string m_op;
};

// A DoAction started from one record, or empty.
class FCTMyDoAction : public FCTDoAction {
  public:
    explicit FCTMyDoAction(FActionRecord* first);
    explicit FCTMyDoAction(const char* unused);
};

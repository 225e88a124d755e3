// Frame scripts that set one variable: push the name, push the value,
// SetVariable.
#pragma once

#include <memory>

#include "SWF/FActions.h"
#include "SWF/FCTDoAction.h"
#include "SWF/FObj.h"
#include "SWF/FString.h"

// The three actions that set variable `name` to `value` (any type that
// FActionPush takes).
template <typename T>
class FMyActionSetVariable : public FActionRecord {
  public:
    FMyActionSetVariable(const char* name, T value) : m_name(new FString(name)), m_value(value) {}

    void WriteToSWFStream(FSWFStream* stream) override {
        m_name.WriteToSWFStream(stream);
        m_value.WriteToSWFStream(stream);
        m_set.WriteToSWFStream(stream);
    }

  private:
    FActionPush m_name;
    FActionPush m_value;
    FActionSetVariable m_set;
};

// A DoAction tag holding one FMyActionSetVariable.
template <typename T>
class FMySetVariable : public FCT {
  public:
    FMySetVariable(const char* name, T value) : m_doAction(std::make_unique<FCTDoAction>()) {
        m_doAction->AddAction(new FMyActionSetVariable<T>(name, value));
    }

    void WriteToSWFStream(FSWFStream* stream) override { m_doAction->WriteToSWFStream(stream); }

  private:
    std::unique_ptr<FCTDoAction> m_doAction;
};

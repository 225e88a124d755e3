// A button condition record (BUTTONCONDACTION): the state transitions or key
// that trigger it and the actions it runs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWF/FActionRecord.h"

class FSWFStream;

class FActionCondition {
  public:
    // Transitions for AddCondition.
    enum : int {
        kOverDownToIdle = 1,
        kIdleToOverDown = 2,
        kOutDownToIdle = 3,
        kOutDownToOverDown = 4,
        kOverDownToOutDown = 5,
        kOverDownToOverUp = 6,  // a click released over the button
        kOverUpToOverDown = 7,
        kOverUpToIdle = 8,
        kIdleToOverUp = 9,
    };

    FActionCondition();
    ~FActionCondition();

    // Sets the mask bit of transition n (1..9); others are refused with
    // std::invalid_argument.
    void AddCondition(int n);
    // A key code (1..127) that triggers the actions.
    void AddKeyCode(uint32_t keyCode);
    void AddActionRecord(FActionRecord* action);
    void Clear();
    uint16_t Mask() const { return m_mask; }

    // Every record but the last: its size (16 bits), mask, actions, ActionEnd.
    void WriteToSWFStream(FSWFStream* stream);
    // The last record: size 0, mask, actions, ActionEnd.
    void WriteToSWFStream(FSWFStream* stream, int last);

  private:
    void WriteBody(FSWFStream& body);

    uint16_t m_mask = 0;
    std::vector<std::unique_ptr<FActionRecord>> m_actions;
};

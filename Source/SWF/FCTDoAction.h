// DoAction (12): a frame script.
#pragma once

#include <memory>
#include <vector>

#include "SWF/FActionRecord.h"
#include "SWF/FObj.h"

class FCTDoAction : public FCT {
  public:
    FCTDoAction();
    ~FCTDoAction() override;

    // Takes ownership and appends.
    void AddAction(FActionRecord* action);
    bool HasActions() const { return !m_actions.empty(); }
    // Each action in order, then the ActionEnd byte 0.
    void WriteToSWFStream(FSWFStream* stream) override;

  private:
    std::vector<std::unique_ptr<FActionRecord>> m_actions;
};

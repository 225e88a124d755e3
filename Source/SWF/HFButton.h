// A push button of the high-level scene: shapes for its up, over, down and
// hit states and actions run on its transitions (DefineButton2).
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "SWF/FActionCondition.h"
#include "SWF/HFShape.h"

class HFButton : public HFObject {
  public:
    // A null state shows the up shape; the up shape is required.  The
    // shapes must stay alive until the button is added to a frame.
    HFButton(HFShape* up, HFShape* over, HFShape* down, HFShape* hit);
    ~HFButton() override;

    // Reacts to a transition (FActionCondition::kOverDownToOverUp, a click,
    // and the others, 1 to 9) even without actions.
    void AddEvent(int condition);
    // Appends the action's record to the actions of a transition.  The
    // actions go to the first movie the button is added to.
    void QueueEvent(HFAction* action, int condition);

    void AddToObjectList(std::list<FObj*>* objects, HFMovie* movie) override;

  private:
    FActionCondition* Condition(int condition);

    HFShape* m_states[4];  // up, over, down, hit
    std::map<int, std::unique_ptr<FActionCondition>> m_conditions;
};

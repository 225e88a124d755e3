#include "SWF/HFButton.h"

#include <stdexcept>

#include "SWF/FDTButtons.h"

HFButton::HFButton(HFShape* up, HFShape* over, HFShape* down, HFShape* hit)
    : m_states{up, over != nullptr ? over : up, down != nullptr ? down : up,
               hit != nullptr ? hit : up} {
    if (up == nullptr) {
        throw std::invalid_argument("button without an up state");
    }
}

HFButton::~HFButton() = default;

FActionCondition* HFButton::Condition(int condition) {
    std::unique_ptr<FActionCondition>& entry = m_conditions[condition];
    if (!entry) {
        auto created = std::make_unique<FActionCondition>();
        created->AddCondition(condition);  // refuses numbers outside 1..9
        entry = std::move(created);
    }
    return entry.get();
}

void HFButton::AddEvent(int condition) {
    try {
        Condition(condition);
    } catch (...) {
        m_conditions.erase(condition);
        throw;
    }
}

void HFButton::QueueEvent(HFAction* action, int condition) {
    if (action == nullptr) {
        throw std::invalid_argument("null button action");
    }
    AddEvent(condition);
    action->AddToActionCondition(Condition(condition));
}

void HFButton::AddToObjectList(std::list<FObj*>* objects, HFMovie* movie) {
    for (HFShape* shape : m_states) {
        shape->AddDefinitions(objects, movie);
    }
    if (NeedsDefinition(movie)) {
        auto button = std::make_unique<FDTDefineButton2>(0);
        // One record per distinct shape, showing it in each of its states.
        for (int i = 0; i < 4; ++i) {
            HFShape* shape = m_states[i];
            bool seen = false;
            for (int j = 0; j < i; ++j) {
                seen = seen || m_states[j] == shape;
            }
            if (seen) {
                continue;
            }
            auto in = [&](int state) -> uint8_t { return m_states[state] == shape ? 1 : 0; };
            FMatrix* matrix = shape->HasMatrix() ? shape->CreateMatrix() : nullptr;
            button->AddButtonRecord(
                new FButtonRecord2(in(3), in(2), in(1), in(0), shape->CharacterID(),
                                   static_cast<uint16_t>(i + 1), matrix, nullptr));
        }
        for (auto& [condition, record] : m_conditions) {
            button->AddActionCondition(record.release());
        }
        m_conditions.clear();
        SetCharacterID(button->ID());
        objects->push_back(button.release());
    }
    AddPlaceObject2(objects, movie);
}

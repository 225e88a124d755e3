// A dialog driver for tests: plays a list of steps, one per request of
// ModalDialog, and remembers what the dialog showed when it was drawn.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Dialogs/DialogDriver.h"

namespace mvdtest {

class ScriptedDialogDriver : public DialogDriver {
  public:
    using Step = std::function<DialogDriverAction(DialogRef)>;

    // Sets a control's value, then hits its item.
    static Step SetAndHit(DialogItemIndex item, SInt16 value) {
        return [item, value](DialogRef dialog) {
            ControlRef control = nullptr;
            GetDialogItemAsControl(dialog, item, &control);
            SetControlValue(control, value);
            return DialogDriverAction::Hit(item);
        };
    }
    // Sets a control's value, then hits another item (OK, say).
    static Step SetThenHit(DialogItemIndex item, SInt16 value, DialogItemIndex hit) {
        return [=](DialogRef dialog) {
            ControlRef control = nullptr;
            GetDialogItemAsControl(dialog, item, &control);
            SetControlValue(control, value);
            return DialogDriverAction::Hit(hit);
        };
    }
    // Hits the first item whose text holds `text`.
    static Step HitItemWithText(const std::string& text) {
        return [text](DialogRef dialog) {
            for (const DialogItemView& item : DialogItems(dialog)) {
                if (item.text.find(text) != std::string::npos) {
                    return DialogDriverAction::Hit(item.index);
                }
            }
            return DialogDriverAction::Nothing();
        };
    }
    static Step Hit(DialogItemIndex item) {
        return [item](DialogRef) { return DialogDriverAction::Hit(item); };
    }
    static Step Key(EventKind what, UInt8 character, EventModifiers modifiers = 0) {
        return [=](DialogRef) {
            EventRecord event{};
            event.what = what;
            event.message = character;
            event.modifiers = modifiers;
            return DialogDriverAction::Event(event);
        };
    }

    void dialogDrawn(DialogRef dialog) override {
        ++drawn;
        shown = DialogItems(dialog);
    }
    DialogDriverAction nextAction(DialogRef dialog) override {
        if (next >= steps.size()) {
            return DialogDriverAction::Nothing();
        }
        return steps[next++](dialog);
    }

    std::vector<Step> steps;
    size_t next = 0;
    int drawn = 0;
    std::vector<DialogItemView> shown;
};

}  // namespace mvdtest

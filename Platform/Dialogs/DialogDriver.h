// The dialog driver stands in for the user of a headless dialog: a test, or
// a terminal front end, installs one; DrawDialog shows it the dialog and
// ModalDialog asks it what the user does next.  A driver may read and set
// control values (Controls.h) before it reports an item hit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Dialogs/Dialogs.h"

struct DialogDriverAction {
    enum Kind { kNothing, kItemHit, kEvent };
    Kind kind = kNothing;
    DialogItemIndex item = 0;
    EventRecord event{};

    static DialogDriverAction Nothing() { return {}; }
    static DialogDriverAction Hit(DialogItemIndex item) { return {kItemHit, item, {}}; }
    static DialogDriverAction Event(const EventRecord& event) { return {kEvent, 0, event}; }
};

class DialogDriver {
  public:
    virtual ~DialogDriver() = default;
    // The dialog was drawn (DrawDialog).
    virtual void dialogDrawn(DialogRef /*dialog*/) {}
    // What the user does next in the modal dialog; kNothing ends it as a cancel.
    virtual DialogDriverAction nextAction(DialogRef dialog) = 0;
};

// The driver of every thread's dialogs (null: none).
void SetDialogDriver(std::shared_ptr<DialogDriver> driver);
std::shared_ptr<DialogDriver> GetDialogDriver();

// Installs a driver for the life of the object, then restores the previous one.
class ScopedDialogDriver {
  public:
    explicit ScopedDialogDriver(std::shared_ptr<DialogDriver> driver);
    ~ScopedDialogDriver();
    ScopedDialogDriver(const ScopedDialogDriver&) = delete;
    ScopedDialogDriver& operator=(const ScopedDialogDriver&) = delete;

  private:
    std::shared_ptr<DialogDriver> m_previous;
};

// One item as the user would see it.
struct DialogItemView {
    DialogItemIndex index;
    DialogItemType type;  // without kItemDisableMask
    bool enabled;
    Rect box;
    std::string text;    // text of a text item, title of a control
    ControlRef control;  // null for other items; valid while the dialog lives
    // Of a control, as it was when the view was made (else 0).
    SInt16 procID;
    SInt16 value;
    SInt16 minimum;
    SInt16 maximum;
};
std::vector<DialogItemView> DialogItems(DialogRef dialog);

// The modal settings dialog of a standard compression component: a dialog
// from the component's resources, with one radio button per choice appended
// below its items.  Hitting a radio button selects it, hitting a check box
// toggles it; OK ends the dialog when the component accepts what it shows,
// Cancel (or a driver with nothing more to do) ends it with
// userCanceledErr.  Used by the StandardCompression sources only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Components/Components.h"
#include "Dialogs/Dialogs.h"

namespace sc {

struct SettingsDialogLayout {
    SInt16 dialogID = 0;
    std::vector<std::string> choices;  // radio button titles
    size_t selected = 0;               // the choice shown selected
    // Sets the dialog's controls before it is shown.
    std::function<void(DialogRef)> setUp;
    // On OK: reads the controls and the chosen index; false refuses the OK
    // (the dialog stays open).
    std::function<bool(DialogRef, size_t choice)> accept;
};

// noErr after an accepted OK, userCanceledErr on cancel, or the error that
// kept the dialog from being made.
OSErr RunSettingsDialog(ComponentInstance self, const SettingsDialogLayout& layout);

// Control values of dialog items (0 for an item that is not a control).
SInt16 ItemValue(DialogRef dialog, DialogItemIndex item);
void SetItemValue(DialogRef dialog, DialogItemIndex item, SInt16 value);

}  // namespace sc

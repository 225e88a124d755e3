#include <algorithm>

#include "Base/TextUtils.h"
#include "Dialogs/Controls.h"
#include "Dialogs/DialogRecords.h"

namespace {

void PinValue(ControlRef control) {
    control->value = std::clamp(control->value, control->min, control->max);
}

}  // namespace

SInt16 GetControlValue(ControlRef control) {
    return control != nullptr ? control->value : 0;
}

void SetControlValue(ControlRef control, SInt16 value) {
    if (control != nullptr) {
        control->value = value;
        PinValue(control);
    }
}

SInt16 GetControlMinimum(ControlRef control) {
    return control != nullptr ? control->min : 0;
}
SInt16 GetControlMaximum(ControlRef control) {
    return control != nullptr ? control->max : 0;
}

void SetControlMinimum(ControlRef control, SInt16 minimum) {
    if (control != nullptr) {
        control->min = minimum;
        control->max = std::max(control->max, minimum);
        PinValue(control);
    }
}

void SetControlMaximum(ControlRef control, SInt16 maximum) {
    if (control != nullptr) {
        control->max = maximum;
        control->min = std::min(control->min, maximum);
        PinValue(control);
    }
}

SInt16 GetControlProcID(ControlRef control) {
    return control != nullptr ? control->procID : 0;
}

void GetControlTitle(ControlRef control, Str255 title) {
    c2pstrcpy(title, control != nullptr ? control->title.c_str() : "");
}

void ShowWindow(WindowRef window) {
    if (window != nullptr) {
        window->visible = true;
    }
}

void HideWindow(WindowRef window) {
    if (window != nullptr) {
        window->visible = false;
    }
}

Boolean IsWindowVisible(WindowRef window) {
    return window != nullptr && window->visible;
}

CGrafPtr GetWindowPort(WindowRef window) {
    return window != nullptr ? &window->port : nullptr;
}

void GetWTitle(WindowRef window, Str255 title) {
    c2pstrcpy(title, window != nullptr ? window->title.c_str() : "");
}

// Controls of dialogs (buttons, check boxes, sliders, pop-up menus), headless:
// each keeps its value within its minimum and maximum.
#pragma once

#include "Base/MacTypes.h"

struct OpaqueControlRef;
typedef OpaqueControlRef* ControlRef;
typedef ControlRef ControlHandle;

// Control definition ids ('CNTL' procID).
enum : SInt16 {
    pushButProc = 0,
    checkBoxProc = 1,
    radioButProc = 2,
    scrollBarProc = 16,
    kControlSliderProc = 48,
    popupMenuProc = 1008,
};

enum : OSErr { errItemNotControl = -30599 };

SInt16 GetControlValue(ControlRef control);
// Values outside the control's range are pinned to it.
void SetControlValue(ControlRef control, SInt16 value);
SInt16 GetControlMinimum(ControlRef control);
SInt16 GetControlMaximum(ControlRef control);
// Changing a limit pins the value to the new range; a minimum above the
// maximum (or the reverse) moves the other limit with it.
void SetControlMinimum(ControlRef control, SInt16 minimum);
void SetControlMaximum(ControlRef control, SInt16 maximum);
SInt16 GetControlProcID(ControlRef control);
// Copies the title as a length-prefixed string.
void GetControlTitle(ControlRef control, Str255 title);

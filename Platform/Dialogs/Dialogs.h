// The Dialog Manager, headless.  A dialog is made from a 'DLOG' resource and
// its 'DITL' item list ('CNTL' resources for resource controls) in the
// current resource file; see DialogResources.h for building them.  Nothing
// is drawn: the installed dialog driver (DialogDriver.h) is shown the dialog
// when it is drawn and plays the user in ModalDialog.
//
// A dialog belongs to the thread that made it; ModalDialog runs that
// thread's front dialog (the visible one made last).
#pragma once

#include "Base/MacMemory.h"
#include "Base/MacTypes.h"
#include "Dialogs/Controls.h"
#include "Dialogs/Events.h"
#include "Dialogs/MacWindows.h"
#include "QuickDraw/Ports.h"

struct OpaqueDialogPtr;
typedef OpaqueDialogPtr* DialogRef;
typedef DialogRef DialogPtr;
typedef SInt16 DialogItemIndex;
typedef SInt16 DialogItemType;

// Item types of an item list; kItemDisableMask marks an item that cannot be hit.
enum : DialogItemType {
    kUserDialogItem = 0,
    kHelpDialogItem = 1,
    kButtonDialogItem = 4,
    kCheckBoxDialogItem = 5,
    kRadioButtonDialogItem = 6,
    kResourceControlDialogItem = 7,
    kStaticTextDialogItem = 8,
    kEditTextDialogItem = 16,
    kIconDialogItem = 32,
    kPictureDialogItem = 64,
    kItemDisableMask = 128,
};

enum : DialogItemIndex {
    kStdOkItemIndex = 1,
    kStdCancelItemIndex = 2,
};

// How AppendDITL places new items.
typedef SInt16 DITLMethod;
enum : DITLMethod {
    overlayDITL = 0,       // where their rectangles say
    appendDITLRight = 1,   // to the right of the dialog
    appendDITLBottom = 2,  // below the dialog
};

typedef Boolean (*ModalFilterProcPtr)(DialogRef theDialog, EventRecord* theEvent,
                                      DialogItemIndex* itemHit);
typedef ModalFilterProcPtr ModalFilterUPP;

// Null when a resource is missing or malformed (ResError or paramErr).
// dStorage must be null and behind is ignored.
DialogRef GetNewDialog(SInt16 dialogID, void* dStorage, WindowRef behind);
void DisposeDialog(DialogRef theDialog);

// Item numbers count from 1.
DialogItemIndex CountDITL(DialogRef theDialog);
// Appends the items of an item list (resource controls from the current
// resource file).  Does nothing when the list is malformed.
void AppendDITL(DialogRef theDialog, Handle theHandle, DITLMethod method);
// The control of a control item; errItemNotControl for other items and
// unknown numbers.
OSErr GetDialogItemAsControl(DialogRef inDialog, SInt16 inItemNo, ControlRef* outControl);
// Type (with kItemDisableMask when disabled), the control as a handle for
// control items (else null), and the item's rectangle.  Unknown items give
// type 0, null and an empty rectangle.
void GetDialogItem(DialogRef theDialog, DialogItemIndex itemNo, DialogItemType* itemType,
                   Handle* item, Rect* box);
// The text of a text item, or the title of a control item.
void GetDialogItemTitle(DialogRef theDialog, DialogItemIndex itemNo, Str255 text);

// 0 clears.  Return and Enter hit the default item, Escape and
// Command-period the cancel item (StdFilterProc).
OSErr SetDialogDefaultItem(DialogRef theDialog, DialogItemIndex newItem);
OSErr SetDialogCancelItem(DialogRef theDialog, DialogItemIndex newItem);
DialogItemIndex GetDialogDefaultItem(DialogRef theDialog);
DialogItemIndex GetDialogCancelItem(DialogRef theDialog);

WindowRef GetDialogWindow(DialogRef dialog);
DialogRef GetDialogFromWindow(WindowRef window);
CGrafPtr GetDialogPort(DialogRef dialog);
void SetPortDialogPort(DialogRef dialog);

// Shows the dialog to the driver.
void DrawDialog(DialogRef theDialog);

// Runs the front dialog until an item is hit.  The driver gives either an
// item hit (a disabled or unknown item is ignored) or an event, which goes
// through the filter (StdFilterProc when null): when the filter handles it,
// its item is the result (0 when it set none).  When there is no driver or
// it has nothing more to do, the result is the cancel item (item 2 when none
// is set).  With no dialog the result is 0.
void ModalDialog(ModalFilterUPP modalFilter, DialogItemIndex* itemHit);

// The standard filtering of key events (see SetDialogDefaultItem); other
// events are not handled.
Boolean StdFilterProc(DialogRef theDialog, EventRecord* theEvent, DialogItemIndex* itemHit);
OSErr GetStdFilterProc(ModalFilterUPP* theProc);

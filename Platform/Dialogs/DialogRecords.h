// What the headless windows, dialogs and controls hold.  Used by the
// Dialogs sources only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Dialogs/Dialogs.h"

struct OpaqueControlRef {
    Rect bounds{};
    SInt16 value = 0;
    SInt16 min = 0;
    SInt16 max = 0;
    SInt16 procID = 0;
    SInt32 refCon = 0;
    bool visible = true;
    std::string title;
};

struct OpaqueWindowPtr {
    OpaqueGrafPtr port{};
    bool visible = false;
    std::string title;
    OpaqueDialogPtr* dialog = nullptr;
};

namespace dialogimpl {

struct Item {
    DialogItemType type = 0;  // as in the item list, kItemDisableMask included
    Rect box{};
    std::string text;
    std::unique_ptr<OpaqueControlRef> control;
};

}  // namespace dialogimpl

struct OpaqueDialogPtr {
    OpaqueWindowPtr window;
    std::vector<dialogimpl::Item> items;
    DialogItemIndex defaultItem = 0;
    DialogItemIndex cancelItem = 0;
};

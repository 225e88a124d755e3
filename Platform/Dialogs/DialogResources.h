// The resources a dialog is made from, in their classic layouts (numbers
// big-endian, strings length-prefixed):
//
// 'DLOG'  bounds (4 x 2), window definition id (2), visible (1) + fill (1),
//         close box (1) + fill (1), reference (4), item list id (2), title
// 'DITL'  item count - 1 (2), then per item: 4 reserved bytes, rectangle
//         (4 x 2), type (1), data length (1), data, a fill byte when the
//         length is odd.  Buttons, check boxes, radio buttons and text items
//         carry their text; resource controls, icons and pictures a 2-byte
//         resource id; user items nothing.
// 'CNTL'  bounds (4 x 2), value (2), visible (1) + fill (1), maximum (2),
//         minimum (2), control definition id (2), reference (4), title
//
// Components describe their dialogs in code with the builders below; the
// Dialog Manager reads the resources back with the parsers, which check
// every length against the bytes given.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Base/MacTypes.h"
#include "Dialogs/Dialogs.h"

struct DialogTemplate {
    Rect bounds;
    SInt16 procID = 1;  // movable modal window
    bool visible = true;
    bool goAway = false;
    SInt32 refCon = 0;
    SInt16 itemsID = 0;
    std::string title;
};

struct DialogItemTemplate {
    DialogItemType type;  // may include kItemDisableMask
    Rect box;
    std::string text;  // text items, buttons, check boxes, radio buttons
    SInt16 resID = 0;  // resource controls, icons, pictures
};

struct ControlTemplate {
    Rect bounds;
    SInt16 value = 0;
    bool visible = true;
    SInt16 max = 0;
    SInt16 min = 0;
    SInt16 procID = pushButProc;
    SInt32 refCon = 0;
    std::string title;
};

// Titles and texts longer than 255 bytes are cut to 255.  An item list
// holds 1 to 65536 items; for any other count nothing is built.
std::vector<UInt8> BuildDialogTemplate(const DialogTemplate& dialog);
std::vector<UInt8> BuildDialogItemList(std::span<const DialogItemTemplate> items);
std::vector<UInt8> BuildControlTemplate(const ControlTemplate& control);

// Empty when the bytes are malformed or cut short.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const UInt8> bytes);
std::optional<std::vector<DialogItemTemplate>> ParseDialogItemList(std::span<const UInt8> bytes);
std::optional<ControlTemplate> ParseControlTemplate(std::span<const UInt8> bytes);

// Items of each kind, for item lists written in code.
DialogItemTemplate ButtonItem(const Rect& box, std::string title);
DialogItemTemplate StaticTextItem(const Rect& box, std::string text);
DialogItemTemplate ResourceControlItem(const Rect& box, SInt16 controlID);

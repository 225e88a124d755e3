#include "Dialogs/Dialogs.h"

#include <algorithm>
#include <mutex>

#include "Base/TextUtils.h"
#include "Components/Resources.h"
#include "Dialogs/DialogDriver.h"
#include "Dialogs/DialogRecords.h"
#include "Dialogs/DialogResources.h"

using dialogimpl::Item;

namespace {

// The dialogs of this thread, oldest first.
thread_local std::vector<DialogRef> t_dialogs;

std::mutex g_driverMutex;
std::shared_ptr<DialogDriver> g_driver;

bool IsControlType(DialogItemType type) {
    const DialogItemType kind = type & ~kItemDisableMask;
    return kind >= kButtonDialogItem && kind <= kResourceControlDialogItem;
}

// A resource of the current file, parsed; empty when missing or malformed.
template <typename Parse>
auto ReadResource(ResType type, SInt16 id, Parse parse) -> decltype(parse({})) {
    Handle h = GetResource(type, id);
    if (h == nullptr) {
        return {};
    }
    auto parsed = parse(std::span<const UInt8>(reinterpret_cast<const UInt8*>(*h),
                                               static_cast<size_t>(GetHandleSize(h))));
    ReleaseResource(h);
    return parsed;
}

std::unique_ptr<OpaqueControlRef> MakeControl(const DialogItemTemplate& entry) {
    auto control = std::make_unique<OpaqueControlRef>();
    control->bounds = entry.box;
    switch (entry.type & ~kItemDisableMask) {
        case kButtonDialogItem:
            control->procID = pushButProc;
            break;
        case kCheckBoxDialogItem:
            control->procID = checkBoxProc;
            control->max = 1;
            break;
        case kRadioButtonDialogItem:
            control->procID = radioButProc;
            control->max = 1;
            break;
        default: {
            auto cntl = ReadResource('CNTL', entry.resID, ParseControlTemplate);
            if (!cntl) {
                return nullptr;
            }
            control->procID = cntl->procID;
            control->refCon = cntl->refCon;
            control->visible = cntl->visible;
            control->min = cntl->min;
            control->max = std::max(cntl->max, cntl->min);
            control->value = std::clamp(cntl->value, control->min, control->max);
            control->title = cntl->title;
            return control;
        }
    }
    control->title = entry.text;
    return control;
}

// Items made from an item list; false when a control's resource is missing.
bool MakeItems(const std::vector<DialogItemTemplate>& entries, const Point& offset,
               std::vector<Item>& out) {
    for (const DialogItemTemplate& entry : entries) {
        Item item;
        item.type = entry.type;
        item.box = entry.box;
        item.box.top = static_cast<SInt16>(item.box.top + offset.v);
        item.box.bottom = static_cast<SInt16>(item.box.bottom + offset.v);
        item.box.left = static_cast<SInt16>(item.box.left + offset.h);
        item.box.right = static_cast<SInt16>(item.box.right + offset.h);
        item.text = entry.text;
        if (IsControlType(entry.type)) {
            item.control = MakeControl(entry);
            if (!item.control) {
                return false;
            }
            item.control->bounds = item.box;
        }
        out.push_back(std::move(item));
    }
    return true;
}

Item* FindItem(DialogRef dialog, DialogItemIndex itemNo) {
    if (dialog == nullptr || itemNo < 1 || static_cast<size_t>(itemNo) > dialog->items.size()) {
        return nullptr;
    }
    return &dialog->items[static_cast<size_t>(itemNo - 1)];
}

bool IsEnabled(const Item& item) {
    return (item.type & kItemDisableMask) == 0;
}

DialogRef FrontDialog() {
    for (auto it = t_dialogs.rbegin(); it != t_dialogs.rend(); ++it) {
        if ((*it)->window.visible) {
            return *it;
        }
    }
    return nullptr;
}

DialogItemIndex CancelResult(DialogRef dialog) {
    return dialog->cancelItem != 0 ? dialog->cancelItem : DialogItemIndex{kStdCancelItemIndex};
}

}  // namespace

DialogRef GetNewDialog(SInt16 dialogID, void* dStorage, WindowRef /*behind*/) {
    if (dStorage != nullptr) {
        return nullptr;
    }
    auto dlog = ReadResource('DLOG', dialogID, ParseDialogTemplate);
    if (!dlog) {
        return nullptr;
    }
    auto ditl = ReadResource('DITL', dlog->itemsID, ParseDialogItemList);
    if (!ditl) {
        return nullptr;
    }
    auto dialog = std::make_unique<OpaqueDialogPtr>();
    // The port's coordinates are local to the window: its top left is 0, 0.
    dialog->window.port.portBounds =
        Rect{0, 0, static_cast<SInt16>(dlog->bounds.bottom - dlog->bounds.top),
             static_cast<SInt16>(dlog->bounds.right - dlog->bounds.left)};
    dialog->window.visible = dlog->visible;
    dialog->window.title = dlog->title;
    dialog->window.dialog = dialog.get();
    if (!MakeItems(*ditl, Point{0, 0}, dialog->items)) {
        return nullptr;
    }
    t_dialogs.push_back(dialog.get());
    return dialog.release();
}

void DisposeDialog(DialogRef theDialog) {
    if (theDialog == nullptr) {
        return;
    }
    std::erase(t_dialogs, theDialog);
    GrafPtr current = nullptr;
    GetPort(&current);
    if (current == GetDialogPort(theDialog)) {
        SetPort(nullptr);
    }
    delete theDialog;
}

DialogItemIndex CountDITL(DialogRef theDialog) {
    return theDialog != nullptr ? static_cast<DialogItemIndex>(theDialog->items.size()) : 0;
}

void AppendDITL(DialogRef theDialog, Handle theHandle, DITLMethod method) {
    if (theDialog == nullptr || theHandle == nullptr || *theHandle == nullptr) {
        return;
    }
    auto entries = ParseDialogItemList(std::span<const UInt8>(
        reinterpret_cast<const UInt8*>(*theHandle), static_cast<size_t>(GetHandleSize(theHandle))));
    if (!entries || theDialog->items.size() + entries->size() > 0x7FFF) {
        return;
    }
    Rect& bounds = theDialog->window.port.portBounds;
    Point offset{0, 0};
    if (method == appendDITLRight) {
        offset.h = static_cast<SInt16>(bounds.right - bounds.left);
    } else if (method == appendDITLBottom) {
        offset.v = static_cast<SInt16>(bounds.bottom - bounds.top);
    }
    std::vector<Item> added;
    if (!MakeItems(*entries, offset, added)) {
        return;
    }
    for (Item& item : added) {
        bounds.right = std::max(bounds.right, item.box.right);
        bounds.bottom = std::max(bounds.bottom, item.box.bottom);
        theDialog->items.push_back(std::move(item));
    }
}

OSErr GetDialogItemAsControl(DialogRef inDialog, SInt16 inItemNo, ControlRef* outControl) {
    if (outControl == nullptr) {
        return paramErr;
    }
    Item* item = FindItem(inDialog, inItemNo);
    *outControl = item != nullptr ? item->control.get() : nullptr;
    return *outControl != nullptr ? OSErr{noErr} : OSErr{errItemNotControl};
}

void GetDialogItem(DialogRef theDialog, DialogItemIndex itemNo, DialogItemType* itemType,
                   Handle* item, Rect* box) {
    const Item* found = FindItem(theDialog, itemNo);
    if (itemType != nullptr) {
        *itemType = found != nullptr ? found->type : 0;
    }
    if (item != nullptr) {
        *item = found != nullptr ? reinterpret_cast<Handle>(found->control.get()) : nullptr;
    }
    if (box != nullptr) {
        *box = found != nullptr ? found->box : Rect{0, 0, 0, 0};
    }
}

void GetDialogItemTitle(DialogRef theDialog, DialogItemIndex itemNo, Str255 text) {
    const Item* found = FindItem(theDialog, itemNo);
    if (found != nullptr && found->control) {
        c2pstrcpy(text, found->control->title.c_str());
    } else {
        c2pstrcpy(text, found != nullptr ? found->text.c_str() : "");
    }
}

OSErr SetDialogDefaultItem(DialogRef theDialog, DialogItemIndex newItem) {
    if (theDialog == nullptr) {
        return paramErr;
    }
    theDialog->defaultItem = newItem;
    return noErr;
}

OSErr SetDialogCancelItem(DialogRef theDialog, DialogItemIndex newItem) {
    if (theDialog == nullptr) {
        return paramErr;
    }
    theDialog->cancelItem = newItem;
    return noErr;
}

DialogItemIndex GetDialogDefaultItem(DialogRef theDialog) {
    return theDialog != nullptr ? theDialog->defaultItem : 0;
}

DialogItemIndex GetDialogCancelItem(DialogRef theDialog) {
    return theDialog != nullptr ? theDialog->cancelItem : 0;
}

WindowRef GetDialogWindow(DialogRef dialog) {
    return dialog != nullptr ? &dialog->window : nullptr;
}

DialogRef GetDialogFromWindow(WindowRef window) {
    return window != nullptr ? window->dialog : nullptr;
}

CGrafPtr GetDialogPort(DialogRef dialog) {
    return dialog != nullptr ? &dialog->window.port : nullptr;
}

void SetPortDialogPort(DialogRef dialog) {
    if (dialog != nullptr) {
        SetPort(GetDialogPort(dialog));
    }
}

void DrawDialog(DialogRef theDialog) {
    if (theDialog == nullptr) {
        return;
    }
    if (auto driver = GetDialogDriver()) {
        driver->dialogDrawn(theDialog);
    }
}

void ModalDialog(ModalFilterUPP modalFilter, DialogItemIndex* itemHit) {
    if (itemHit == nullptr) {
        return;
    }
    *itemHit = 0;
    DialogRef dialog = FrontDialog();
    if (dialog == nullptr) {
        return;
    }
    const ModalFilterUPP filter = modalFilter != nullptr ? modalFilter : StdFilterProc;
    const std::shared_ptr<DialogDriver> driver = GetDialogDriver();
    for (;;) {
        const DialogDriverAction action =
            driver ? driver->nextAction(dialog) : DialogDriverAction::Nothing();
        if (action.kind == DialogDriverAction::kNothing) {
            *itemHit = CancelResult(dialog);
            return;
        }
        if (action.kind == DialogDriverAction::kEvent) {
            EventRecord event = action.event;
            DialogItemIndex hit = 0;
            if (filter(dialog, &event, &hit)) {
                *itemHit = hit;
                return;
            }
            continue;
        }
        const Item* item = FindItem(dialog, action.item);
        if (item != nullptr && IsEnabled(*item)) {
            *itemHit = action.item;
            return;
        }
    }
}

Boolean StdFilterProc(DialogRef theDialog, EventRecord* theEvent, DialogItemIndex* itemHit) {
    if (theDialog == nullptr || theEvent == nullptr || itemHit == nullptr ||
        (theEvent->what != keyDown && theEvent->what != autoKey)) {
        return false;
    }
    const auto key = static_cast<UInt8>(theEvent->message & charCodeMask);
    DialogItemIndex target = 0;
    if (key == kReturnCharCode || key == kEnterCharCode) {
        target = theDialog->defaultItem;
    } else if (key == kEscapeCharCode || (key == '.' && (theEvent->modifiers & cmdKey) != 0)) {
        target = theDialog->cancelItem;
    }
    const Item* item = FindItem(theDialog, target);
    if (item == nullptr || !IsEnabled(*item)) {
        return false;
    }
    *itemHit = target;
    return true;
}

OSErr GetStdFilterProc(ModalFilterUPP* theProc) {
    if (theProc == nullptr) {
        return paramErr;
    }
    *theProc = StdFilterProc;
    return noErr;
}

void SetDialogDriver(std::shared_ptr<DialogDriver> driver) {
    std::lock_guard lock(g_driverMutex);
    g_driver = std::move(driver);
}

std::shared_ptr<DialogDriver> GetDialogDriver() {
    std::lock_guard lock(g_driverMutex);
    return g_driver;
}

ScopedDialogDriver::ScopedDialogDriver(std::shared_ptr<DialogDriver> driver)
    : m_previous(GetDialogDriver()) {
    SetDialogDriver(std::move(driver));
}

ScopedDialogDriver::~ScopedDialogDriver() {
    SetDialogDriver(std::move(m_previous));
}

std::vector<DialogItemView> DialogItems(DialogRef dialog) {
    std::vector<DialogItemView> views;
    if (dialog == nullptr) {
        return views;
    }
    DialogItemIndex index = 0;
    for (const Item& item : dialog->items) {
        ++index;
        const OpaqueControlRef* c = item.control.get();
        views.push_back({index, static_cast<DialogItemType>(item.type & ~kItemDisableMask),
                         IsEnabled(item), item.box, c != nullptr ? c->title : item.text,
                         item.control.get(), c != nullptr ? c->procID : SInt16{0},
                         c != nullptr ? c->value : SInt16{0}, c != nullptr ? c->min : SInt16{0},
                         c != nullptr ? c->max : SInt16{0}});
    }
    return views;
}

#include "StandardCompression/SettingsDialog.h"

#include "Components/Resources.h"
#include "Dialogs/DialogResources.h"

namespace sc {
namespace {

constexpr SInt16 kRadioHeight = 18;
constexpr SInt16 kRadioWidth = 280;

// Makes the component's resources current for the life of the object.
class ComponentResources {
  public:
    explicit ComponentResources(ComponentInstance self)
        : m_saved(CurResFile()), m_file(OpenComponentResFile(reinterpret_cast<Component>(self))) {
        if (m_file > 0) {
            UseResFile(m_file);
        }
    }
    ~ComponentResources() {
        UseResFile(m_saved);
        if (m_file > 0) {
            CloseComponentResFile(m_file);
        }
    }
    ComponentResources(const ComponentResources&) = delete;
    ComponentResources& operator=(const ComponentResources&) = delete;
    OSErr error() const { return m_file > 0 ? OSErr{noErr} : static_cast<OSErr>(m_file); }

  private:
    ResFileRefNum m_saved;
    ResFileRefNum m_file;
};

void AppendChoices(DialogRef dialog, const std::vector<std::string>& choices) {
    std::vector<DialogItemTemplate> items;
    for (size_t i = 0; i < choices.size(); ++i) {
        const auto top = static_cast<SInt16>(i * kRadioHeight);
        items.push_back({kRadioButtonDialogItem,
                         Rect{top, 0, static_cast<SInt16>(top + kRadioHeight), kRadioWidth},
                         choices[i], 0});
    }
    const std::vector<UInt8> list = BuildDialogItemList(items);
    Handle h = nullptr;
    if (!list.empty() && PtrToHand(list.data(), &h, static_cast<long>(list.size())) == noErr) {
        AppendDITL(dialog, h, appendDITLBottom);
        DisposeHandle(h);
    }
}

void Select(DialogRef dialog, DialogItemIndex first, size_t count, size_t chosen) {
    for (size_t i = 0; i < count; ++i) {
        SetItemValue(dialog, static_cast<DialogItemIndex>(first + i), i == chosen ? 1 : 0);
    }
}

// The modal loop; the dialog is shown and its choices appended.
OSErr Run(DialogRef dialog, const SettingsDialogLayout& layout, DialogItemIndex firstChoice) {
    size_t chosen = layout.selected;
    for (;;) {
        DialogItemIndex hit = 0;
        ModalDialog(nullptr, &hit);
        if (hit == kStdCancelItemIndex || hit == 0) {
            return userCanceledErr;
        }
        if (hit == kStdOkItemIndex) {
            if (!layout.accept || layout.accept(dialog, chosen)) {
                return noErr;
            }
            continue;
        }
        DialogItemType type = 0;
        Handle item = nullptr;
        Rect box{};
        GetDialogItem(dialog, hit, &type, &item, &box);
        type &= ~kItemDisableMask;
        if (type == kRadioButtonDialogItem && hit >= firstChoice) {
            chosen = static_cast<size_t>(hit - firstChoice);
            Select(dialog, firstChoice, layout.choices.size(), chosen);
        } else if (type == kCheckBoxDialogItem) {
            SetItemValue(dialog, hit, ItemValue(dialog, hit) != 0 ? 0 : 1);
        }
    }
}

}  // namespace

SInt16 ItemValue(DialogRef dialog, DialogItemIndex item) {
    ControlRef control = nullptr;
    return GetDialogItemAsControl(dialog, item, &control) == noErr ? GetControlValue(control) : 0;
}

void SetItemValue(DialogRef dialog, DialogItemIndex item, SInt16 value) {
    ControlRef control = nullptr;
    if (GetDialogItemAsControl(dialog, item, &control) == noErr) {
        SetControlValue(control, value);
    }
}

OSErr RunSettingsDialog(ComponentInstance self, const SettingsDialogLayout& layout) {
    ComponentResources resources(self);
    if (OSErr err = resources.error(); err != noErr) {
        return err;
    }
    DialogRef dialog = GetNewDialog(layout.dialogID, nullptr, nullptr);
    if (dialog == nullptr) {
        const OSErr err = ResError();
        return err != noErr ? err : OSErr{memFullErr};
    }
    const auto firstChoice = static_cast<DialogItemIndex>(CountDITL(dialog) + 1);
    AppendChoices(dialog, layout.choices);
    SetDialogDefaultItem(dialog, kStdOkItemIndex);
    SetDialogCancelItem(dialog, kStdCancelItemIndex);
    if (layout.setUp) {
        layout.setUp(dialog);
    }
    Select(dialog, firstChoice, layout.choices.size(), layout.selected);
    DrawDialog(dialog);
    const OSErr result = Run(dialog, layout, firstChoice);
    DisposeDialog(dialog);
    return result;
}

}  // namespace sc

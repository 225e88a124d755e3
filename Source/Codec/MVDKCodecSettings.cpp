// The compression level as a setting of the MVDK codec component: settings
// handles, the settings dialog and the settings panel a host embeds.

#include <cstring>

#include "Codec/MVDKCodecComponent.h"
#include "Components/Resources.h"
#include "Dialogs/Dialogs.h"

namespace {

constexpr Size kSettingsSize = sizeof(SInt32);

// The level a settings handle holds; false when it holds none (no handle,
// another size, or a value above 9).
bool LevelInSettings(Handle settings, SInt32* level) {
    if (settings == nullptr || *settings == nullptr || GetHandleSize(settings) != kSettingsSize) {
        return false;
    }
    UInt32 value = 0;
    std::memcpy(&value, *settings, sizeof(value));
    if (value > static_cast<UInt32>(kMVDKMaxLevel)) {
        return false;
    }
    *level = static_cast<SInt32>(value);
    return true;
}

OSErr StoreLevel(Handle settings, SInt32 level) {
    SetHandleSize(settings, kSettingsSize);
    if (OSErr err = MemError(); err != noErr) {
        return err;
    }
    std::memcpy(*settings, &level, sizeof(level));
    return noErr;
}

// The settings dialog's filter: update events of other windows are left to
// the dialog, held Command keys repeating are swallowed, and the rest gets
// the standard filtering with the dialog's port current.
Boolean eventFilter(DialogRef dialog, EventRecord* event, DialogItemIndex* itemHit) {
    if (event->what == updateEvt &&
        reinterpret_cast<WindowRef>(event->message) != GetDialogWindow(dialog)) {
        return false;
    }
    if (event->what == autoKey && (event->modifiers & cmdKey) != 0) {
        return true;
    }
    GrafPtr saved = nullptr;
    GetPort(&saved);
    SetPortDialogPort(dialog);
    const Boolean handled = StdFilterProc(dialog, event, itemHit);
    SetPort(saved);
    return handled;
}

ComponentResult RunSettingsDialog(MVDKCodecStorage* storage, DialogRef dialog, Handle settings) {
    SetDialogDefaultItem(dialog, kMVDKSettingsOKItem);
    SetDialogCancelItem(dialog, kMVDKSettingsCancelItem);
    ControlRef control = nullptr;
    if (GetDialogItemAsControl(dialog, kMVDKSettingsLevelItem, &control) != noErr) {
        return codecErr;
    }
    SInt32 value = storage->level;
    LevelInSettings(settings, &value);
    SetControlValue(control, static_cast<SInt16>(value));

    ShowWindow(GetDialogWindow(dialog));
    SetPortDialogPort(dialog);
    DrawDialog(dialog);
    DialogItemIndex hit = 0;
    do {
        ModalDialog(eventFilter, &hit);
        if (hit == kMVDKSettingsLevelItem || hit == kMVDKSettingsOKItem) {
            value = GetControlValue(control);
        }
    } while (hit != kMVDKSettingsOKItem && hit != kMVDKSettingsCancelItem);

    if (hit == kMVDKSettingsOKItem) {
        storage->level = value;
        if (settings != nullptr) {
            return StoreLevel(settings, value);
        }
    }
    return noErr;
}

// The level control of the panel the host appended after its own items.
OSErr PanelControl(DialogRef d, SInt16 itemOffset, ControlRef* control) {
    return GetDialogItemAsControl(d, static_cast<SInt16>(itemOffset + kMVDKPanelLevelItem),
                                  control);
}

}  // namespace

ComponentResult MVDKCodec_GetSettings(MVDKCodecStorage* storage, Handle settings) {
    if (settings == nullptr) {
        return paramErr;
    }
    return StoreLevel(settings, storage->level);
}

ComponentResult MVDKCodec_SetSettings(MVDKCodecStorage* storage, Handle settings) {
    SInt32 level = kMVDKDefaultLevel;
    LevelInSettings(settings, &level);
    storage->level = level;
    // The level is in use whether or not it could be saved.
    MVDK_WriteUserDefaults(storage);
    return noErr;
}

ComponentResult MVDKCodec_RequestSettings(MVDKCodecStorage* storage, Handle settings, Rect* /*rp*/,
                                          ModalFilterUPP /*filterProc*/) {
    GrafPtr savedPort = nullptr;
    GetPort(&savedPort);
    const ResFileRefNum savedFile = CurResFile();
    const ResFileRefNum file = OpenComponentResFile(reinterpret_cast<Component>(storage->self));
    if (file > 0) {
        UseResFile(file);
    }
    ComponentResult result = codecErr;
    if (DialogRef dialog = GetNewDialog(kMVDKSettingsDialogID, nullptr, nullptr)) {
        result = RunSettingsDialog(storage, dialog, settings);
        DisposeDialog(dialog);
    }
    SetPort(savedPort);
    UseResFile(savedFile);
    if (file > 0) {
        CloseComponentResFile(file);
    }
    return result;
}

ComponentResult MVDKCodec_GetDITLForSize(MVDKCodecStorage* storage, Handle* ditl,
                                         Point* requestedSize) {
    if (ditl == nullptr || requestedSize == nullptr) {
        return paramErr;
    }
    if (requestedSize->h != kSGSmallestDITLSize) {
        return badComponentSelector;
    }
    return GetComponentResource(reinterpret_cast<Component>(storage->self), 'DITL',
                                kMVDKSettingsPanelID, ditl);
}

ComponentResult MVDKCodec_DITLInstall(MVDKCodecStorage* storage, DialogRef d, SInt16 itemOffset) {
    ControlRef control = nullptr;
    if (OSErr err = PanelControl(d, itemOffset, &control); err != noErr) {
        return err;
    }
    SetControlValue(control, static_cast<SInt16>(storage->level));
    return noErr;
}

ComponentResult MVDKCodec_DITLEvent(MVDKCodecStorage* /*storage*/, DialogRef /*d*/,
                                    SInt16 /*itemOffset*/, const EventRecord* /*theEvent*/,
                                    SInt16* /*itemHit*/, Boolean* handled) {
    if (handled != nullptr) {
        *handled = false;
    }
    return noErr;
}

ComponentResult MVDKCodec_DITLItem(MVDKCodecStorage* /*storage*/, DialogRef /*d*/,
                                   SInt16 /*itemOffset*/, SInt16 /*itemNum*/) {
    return noErr;
}

ComponentResult MVDKCodec_DITLRemove(MVDKCodecStorage* storage, DialogRef d, SInt16 itemOffset) {
    ControlRef control = nullptr;
    if (OSErr err = PanelControl(d, itemOffset, &control); err != noErr) {
        return err;
    }
    storage->level = GetControlValue(control);
    return noErr;
}

ComponentResult MVDKCodec_DITLValidateInput(MVDKCodecStorage* /*storage*/, Boolean* ok) {
    if (ok != nullptr) {
        *ok = true;
    }
    return noErr;
}

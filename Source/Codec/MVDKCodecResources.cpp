#include "Codec/MVDKCodecResources.h"

#include <vector>

#include "Codec/MVDKCodecComponent.h"
#include "Dialogs/DialogResources.h"

namespace {

constexpr Rect kDialogBounds{100, 100, 230, 420};
constexpr Rect kDialogSlider{56, 20, 76, 300};
constexpr Rect kPanelSlider{26, 10, 46, 290};

ControlTemplate LevelSlider(const Rect& bounds) {
    ControlTemplate slider;
    slider.bounds = bounds;
    slider.value = kMVDKDefaultLevel;
    slider.min = 0;
    slider.max = kMVDKMaxLevel;
    slider.procID = kControlSliderProc;
    return slider;
}

struct Resources {
    std::vector<UInt8> dialog;
    std::vector<UInt8> dialogItems;
    std::vector<UInt8> dialogSlider;
    std::vector<UInt8> panelItems;
    std::vector<UInt8> panelSlider;
    std::vector<ComponentResourceEntry> entries;

    Resources() {
        DialogTemplate dlog;
        dlog.bounds = kDialogBounds;
        dlog.visible = false;
        dlog.itemsID = kMVDKSettingsDialogID;
        dlog.title = "Morvandel Lucidrome Options";
        dialog = BuildDialogTemplate(dlog);

        const DialogItemTemplate items[] = {
            ButtonItem({96, 230, 116, 300}, "OK"),
            ButtonItem({96, 140, 116, 210}, "Cancel"),
            ResourceControlItem(kDialogSlider, kMVDKSettingsDialogID),
            StaticTextItem({12, 20, 30, 300}, "Compression level"),
            StaticTextItem({34, 20, 52, 300}, "0 is fastest, 9 makes the smallest movies"),
        };
        dialogItems = BuildDialogItemList(items);
        dialogSlider = BuildControlTemplate(LevelSlider(kDialogSlider));

        const DialogItemTemplate panel[] = {
            ResourceControlItem(kPanelSlider, kMVDKSettingsPanelID),
            StaticTextItem({4, 10, 22, 290}, "Compression level (0 fastest, 9 smallest)"),
        };
        panelItems = BuildDialogItemList(panel);
        panelSlider = BuildControlTemplate(LevelSlider(kPanelSlider));

        entries = {
            Entry('DLOG', kMVDKSettingsDialogID, dialog),
            Entry('DITL', kMVDKSettingsDialogID, dialogItems),
            Entry('CNTL', kMVDKSettingsDialogID, dialogSlider),
            Entry('DITL', kMVDKSettingsPanelID, panelItems),
            Entry('CNTL', kMVDKSettingsPanelID, panelSlider),
        };
    }

    static ComponentResourceEntry Entry(ResType type, SInt16 id, const std::vector<UInt8>& bytes) {
        return {type, id, bytes.data(), static_cast<Size>(bytes.size())};
    }
};

}  // namespace

std::span<const ComponentResourceEntry> MVDKCodecResources() {
    static const Resources resources;
    return resources.entries;
}

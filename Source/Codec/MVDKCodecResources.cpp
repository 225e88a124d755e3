#include "Codec/MVDKCodecResources.h"

#include <vector>

#include "Codec/MVDKCodecComponent.h"
#include "Dialogs/DialogResources.h"

namespace {

constexpr Rect kDialogBounds{100, 100, 230, 420};
constexpr Rect kDialogSlider{56, 20, 76, 300};
constexpr Rect kPanelSlider{26, 10, 46, 290};

ControlTemplateSpec LevelSlider(const Rect& bounds) {
    ControlTemplateSpec slider;
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
    std::vector<ComponentResourceSpec> specs;

    Resources() {
        DialogTemplateSpec dlog;
        dlog.bounds = kDialogBounds;
        dlog.visible = false;
        dlog.itemsID = kMVDKSettingsDialogID;
        dlog.title = "Morvandel Lucidrome Options";
        dialog = BuildDialogTemplate(dlog);

        const DialogItemSpec items[] = {
            ButtonItem({96, 230, 116, 300}, "OK"),
            ButtonItem({96, 140, 116, 210}, "Cancel"),
            ResourceControlItem(kDialogSlider, kMVDKSettingsDialogID),
            StaticTextItem({12, 20, 30, 300}, "Compression level"),
            StaticTextItem({34, 20, 52, 300}, "0 is fastest, 9 makes the smallest movies"),
        };
        dialogItems = BuildDialogItemList(items);
        dialogSlider = BuildControlTemplate(LevelSlider(kDialogSlider));

        const DialogItemSpec panel[] = {
            ResourceControlItem(kPanelSlider, kMVDKSettingsPanelID),
            StaticTextItem({4, 10, 22, 290}, "Compression level (0 fastest, 9 smallest)"),
        };
        panelItems = BuildDialogItemList(panel);
        panelSlider = BuildControlTemplate(LevelSlider(kPanelSlider));

        specs = {
            Spec('DLOG', kMVDKSettingsDialogID, dialog),
            Spec('DITL', kMVDKSettingsDialogID, dialogItems),
            Spec('CNTL', kMVDKSettingsDialogID, dialogSlider),
            Spec('DITL', kMVDKSettingsPanelID, panelItems),
            Spec('CNTL', kMVDKSettingsPanelID, panelSlider),
        };
    }

    static ComponentResourceSpec Spec(ResType type, SInt16 id, const std::vector<UInt8>& bytes) {
        return {type, id, bytes.data(), static_cast<Size>(bytes.size())};
    }
};

}  // namespace

std::span<const ComponentResourceSpec> MVDKCodecResources() {
    static const Resources resources;
    return resources.specs;
}

#include "StandardCompression/StandardCompressionResources.h"

#include "Dialogs/DialogResources.h"

namespace sc {
namespace {

using componentimpl::ResourceItem;

Rect Box(SInt16 top, SInt16 left, SInt16 bottom, SInt16 right) {
    return Rect{top, left, bottom, right};
}

DialogItemTemplate CheckBox(const Rect& box, std::string title) {
    return {kCheckBoxDialogItem, box, std::move(title), 0};
}

void AddDialog(componentimpl::ResourceTable& table, SInt16 id, const std::string& title,
               const std::vector<DialogItemTemplate>& items) {
    DialogTemplate dialog;
    dialog.bounds = Box(0, 0, 200, 320);
    dialog.itemsID = id;
    dialog.title = title;
    table.push_back(ResourceItem{'DLOG', id, BuildDialogTemplate(dialog)});
    table.push_back(ResourceItem{'DITL', id, BuildDialogItemList(items)});
}

void AddSlider(componentimpl::ResourceTable& table, SInt16 id, SInt16 min, SInt16 max,
               const std::string& title) {
    ControlTemplate control;
    control.bounds = Box(0, 0, 16, 200);
    control.min = min;
    control.max = max;
    control.value = min;
    control.procID = kControlSliderProc;
    control.title = title;
    table.push_back(ResourceItem{'CNTL', id, BuildControlTemplate(control)});
}

// Items 1 and 2 of every dialog.
std::vector<DialogItemTemplate> Buttons() {
    return {ButtonItem(Box(170, 240, 190, 310), "OK"),
            ButtonItem(Box(170, 160, 190, 230), "Cancel")};
}

// A line of the dialog: a label and, at its right, a control.
void AddLabelled(std::vector<DialogItemTemplate>& items, SInt16 top, const std::string& label,
                 SInt16 controlID) {
    items.push_back(StaticTextItem(Box(top, 10, static_cast<SInt16>(top + 16), 100), label));
    items.push_back(
        ResourceControlItem(Box(top, 110, static_cast<SInt16>(top + 16), 310), controlID));
}

void AddHeading(std::vector<DialogItemTemplate>& items, SInt16 top, const std::string& text) {
    items.push_back(StaticTextItem(Box(top, 10, static_cast<SInt16>(top + 16), 310), text));
}

}  // namespace

componentimpl::ResourceTable StandardCompressionResources() {
    componentimpl::ResourceTable table;
    AddSlider(table, kQualityControlID, 0, 1024, "Quality");
    AddSlider(table, kKeyFrameRateControlID, 0, 32767, "Key frame every");
    AddSlider(table, kChannelsControlID, 1, 16, "Channels");
    AddSlider(table, kSampleSizeControlID, 8, 64, "Sample size");

    std::vector<DialogItemTemplate> image = Buttons();
    AddLabelled(image, 10, "Quality:", kQualityControlID);
    AddHeading(image, 40, "Compression type:");
    AddDialog(table, kImageSettingsDialogID, "Compression Settings", image);

    std::vector<DialogItemTemplate> sequence = Buttons();
    AddLabelled(sequence, 10, "Quality:", kQualityControlID);
    AddLabelled(sequence, 40, "Key frame every:", kKeyFrameRateControlID);
    AddHeading(sequence, 70, "Compression type:");
    AddDialog(table, kSequenceSettingsDialogID, "Compression Settings", sequence);

    std::vector<DialogItemTemplate> audio = Buttons();
    AddLabelled(audio, 10, "Channels:", kChannelsControlID);
    AddLabelled(audio, 40, "Sample size:", kSampleSizeControlID);
    audio.push_back(CheckBox(Box(70, 10, 86, 150), "Big endian"));
    audio.push_back(CheckBox(Box(70, 160, 86, 310), "Floating point"));
    AddHeading(audio, 100, "Format:");
    AddDialog(table, kAudioSettingsDialogID, "Sound Settings", audio);
    return table;
}

}  // namespace sc

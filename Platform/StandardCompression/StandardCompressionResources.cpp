#include "StandardCompression/StandardCompressionResources.h"

#include "Dialogs/DialogResources.h"

namespace sc {
namespace {

using componentimpl::ResourceItem;

Rect Box(SInt16 top, SInt16 left, SInt16 bottom, SInt16 right) {
    return Rect{top, left, bottom, right};
}

DialogItemSpec CheckBox(const Rect& box, std::string title) {
    return {kCheckBoxDialogItem, box, std::move(title), 0};
}

void AddDialog(componentimpl::ResourceTable& table, SInt16 id, const std::string& title,
               const std::vector<DialogItemSpec>& items) {
    DialogTemplateSpec dialog;
    dialog.bounds = Box(0, 0, 200, 320);
    dialog.itemsID = id;
    dialog.title = title;
    table.push_back(ResourceItem{'DLOG', id, BuildDialogTemplate(dialog)});
    table.push_back(ResourceItem{'DITL', id, BuildDialogItemList(items)});
}

void AddSlider(componentimpl::ResourceTable& table, SInt16 id, SInt16 min, SInt16 max,
               const std::string& title) {
    ControlTemplateSpec control;
    control.bounds = Box(0, 0, 16, 200);
    control.min = min;
    control.max = max;
    control.value = min;
    control.procID = kControlSliderProc;
    control.title = title;
    table.push_back(ResourceItem{'CNTL', id, BuildControlTemplate(control)});
}

// Items 1 and 2 of every dialog.
std::vector<DialogItemSpec> Buttons() {
    return {ButtonItem(Box(170, 240, 190, 310), "OK"),
            ButtonItem(Box(170, 160, 190, 230), "Cancel")};
}

}  // namespace

componentimpl::ResourceTable StandardCompressionResources() {
    componentimpl::ResourceTable table;
    AddSlider(table, kQualityControlID, 0, 1024, "Quality");
    AddSlider(table, kKeyFrameRateControlID, 0, 32767, "Key frame every");
    AddSlider(table, kChannelsControlID, 1, 16, "Channels");
    AddSlider(table, kSampleSizeControlID, 8, 64, "Sample size");

    std::vector<DialogItemSpec> image = Buttons();
    image.push_back(StaticTextItem(Box(10, 10, 26, 100), "Quality:"));
    image.push_back(ResourceControlItem(Box(10, 110, 26, 310), kQualityControlID));
    image.push_back(StaticTextItem(Box(40, 10, 56, 310), "Compression type:"));
    AddDialog(table, kImageSettingsDialogID, "Compression Settings", image);

    std::vector<DialogItemSpec> sequence = Buttons();
    sequence.push_back(StaticTextItem(Box(10, 10, 26, 100), "Quality:"));
    sequence.push_back(ResourceControlItem(Box(10, 110, 26, 310), kQualityControlID));
    sequence.push_back(StaticTextItem(Box(40, 10, 56, 100), "Key frame every:"));
    sequence.push_back(ResourceControlItem(Box(40, 110, 56, 310), kKeyFrameRateControlID));
    sequence.push_back(StaticTextItem(Box(70, 10, 86, 310), "Compression type:"));
    AddDialog(table, kSequenceSettingsDialogID, "Compression Settings", sequence);

    std::vector<DialogItemSpec> audio = Buttons();
    audio.push_back(StaticTextItem(Box(10, 10, 26, 100), "Channels:"));
    audio.push_back(ResourceControlItem(Box(10, 110, 26, 310), kChannelsControlID));
    audio.push_back(StaticTextItem(Box(40, 10, 56, 100), "Sample size:"));
    audio.push_back(ResourceControlItem(Box(40, 110, 56, 310), kSampleSizeControlID));
    audio.push_back(CheckBox(Box(70, 10, 86, 150), "Big endian"));
    audio.push_back(CheckBox(Box(70, 160, 86, 310), "Floating point"));
    audio.push_back(StaticTextItem(Box(100, 10, 116, 310), "Format:"));
    AddDialog(table, kAudioSettingsDialogID, "Sound Settings", audio);
    return table;
}

}  // namespace sc

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Components/Resources.h"
#include "Dialogs/DialogResources.h"
#include "Support/ScriptedDialogDriver.h"

namespace mvdtest {
namespace {

using Driver = ScriptedDialogDriver;

ComponentResult NoRequests(ComponentParameters* /*params*/, Handle /*storage*/) {
    return noErr;
}

// Dialogs made from resources of a component of their own, whose resource
// file is current during each test.
class DialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DialogTemplate dlog;
        dlog.bounds = Rect{40, 40, 200, 340};
        dlog.itemsID = 128;
        dlog.title = "Options";
        m_dlog = BuildDialogTemplate(dlog);
        const DialogItemTemplate items[] = {
            ButtonItem({120, 200, 140, 280}, "OK"),
            ButtonItem({120, 100, 140, 180}, "Cancel"),
            ResourceControlItem({60, 20, 80, 280}, 128),
            StaticTextItem({10, 20, 30, 280}, "Odd"),
            {kCheckBoxDialogItem, {90, 20, 110, 280}, "Fast", 0},
        };
        m_ditl = BuildDialogItemList(items);
        ControlTemplate cntl;
        cntl.bounds = Rect{60, 20, 80, 280};
        cntl.value = 30;  // beyond the maximum: pinned
        cntl.min = -5;
        cntl.max = 20;
        cntl.procID = kControlSliderProc;
        cntl.title = "Level";
        m_cntl = BuildControlTemplate(cntl);
        const DialogItemTemplate missingControl[] = {ResourceControlItem({0, 0, 10, 10}, 999)};
        m_broken = BuildDialogItemList(missingControl);
        dlog.itemsID = 129;
        m_brokenDlog = BuildDialogTemplate(dlog);

        const ComponentResourceEntry resources[] = {
            {'DLOG', 128, m_dlog.data(), Size(m_dlog.size())},
            {'DITL', 128, m_ditl.data(), Size(m_ditl.size())},
            {'CNTL', 128, m_cntl.data(), Size(m_cntl.size())},
            {'DLOG', 129, m_brokenDlog.data(), Size(m_brokenDlog.size())},
            {'DITL', 129, m_broken.data(), Size(m_broken.size())},
        };
        const ComponentDescription cd{'dlgt', 'test', 'test', 0, 0};
        m_component = RegisterComponentWithResources(&cd, NoRequests, 0, nullptr, nullptr, nullptr,
                                                     resources, 5);
        ASSERT_NE(m_component, nullptr);
        m_savedFile = CurResFile();
        m_file = OpenComponentResFile(m_component);
        UseResFile(m_file);
    }
    void TearDown() override {
        UseResFile(m_savedFile);
        CloseComponentResFile(m_file);
        EXPECT_EQ(UnregisterComponent(m_component), noErr);
        SetPort(nullptr);
    }

    std::vector<UInt8> m_dlog, m_ditl, m_cntl, m_broken, m_brokenDlog;
    Component m_component = nullptr;
    ResFileRefNum m_savedFile = 0;
    ResFileRefNum m_file = 0;
};

TEST(DialogResources, BuildAndParseBackEveryField) {
    const DialogItemTemplate items[] = {
        ButtonItem({1, 2, 3, 4}, "OK"),
        StaticTextItem({5, 6, 7, 8}, "odd"),  // odd length: a fill byte follows
        ResourceControlItem({-1, -2, 30, 40}, 300),
        {kUserDialogItem, {0, 0, 0, 0}, "", 0},
    };
    const std::vector<UInt8> bytes = BuildDialogItemList(items);
    // Count - 1, then 14 bytes a item plus data: "OK", "odd" + fill, id.
    EXPECT_EQ(bytes.size(), 2u + 14 * 4 + 2 + 4 + 2);
    EXPECT_EQ(bytes[1], 3);
    auto parsed = ParseDialogItemList(bytes);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 4u);
    EXPECT_EQ((*parsed)[1].text, "odd");
    EXPECT_EQ((*parsed)[1].type, kStaticTextDialogItem | kItemDisableMask);
    EXPECT_EQ((*parsed)[2].resID, 300);
    EXPECT_EQ((*parsed)[2].box.top, -1);
    EXPECT_EQ((*parsed)[3].type, kUserDialogItem);
    // Cut short anywhere before the last fill byte: refused.
    for (size_t n = 0; n + 1 < bytes.size(); ++n) {
        EXPECT_FALSE(ParseDialogItemList(std::span(bytes.data(), n))) << n;
    }
    // A count far beyond the bytes is refused before anything is made.
    std::vector<UInt8> lying = bytes;
    lying[0] = 0xFF;
    EXPECT_FALSE(ParseDialogItemList(lying));

    ControlTemplate control;
    control.bounds = Rect{1, 2, 3, 4};
    control.value = -3;
    control.min = -7;
    control.max = 7;
    control.procID = popupMenuProc;
    control.refCon = -9;
    control.title = std::string(300, 'x');  // cut to 255
    const std::vector<UInt8> cntl = BuildControlTemplate(control);
    auto back = ParseControlTemplate(cntl);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->value, -3);
    EXPECT_EQ(back->min, -7);
    EXPECT_EQ(back->max, 7);
    EXPECT_EQ(back->procID, popupMenuProc);
    EXPECT_EQ(back->refCon, -9);
    EXPECT_EQ(back->title.size(), 255u);
    EXPECT_FALSE(ParseControlTemplate(std::span(cntl.data(), cntl.size() - 1)));
    EXPECT_TRUE(BuildDialogItemList({}).empty());
}

TEST_F(DialogsTest, MadeFromResources) {
    DialogRef dialog = GetNewDialog(128, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(CountDITL(dialog), 5);
    EXPECT_TRUE(IsWindowVisible(GetDialogWindow(dialog)));
    Rect bounds{};
    GetPortBounds(GetDialogPort(dialog), &bounds);
    EXPECT_EQ(bounds.right, 300);
    EXPECT_EQ(bounds.bottom, 160);

    ControlRef slider = nullptr;
    ASSERT_EQ(GetDialogItemAsControl(dialog, 3, &slider), noErr);
    EXPECT_EQ(GetControlValue(slider), 20);
    EXPECT_EQ(GetControlMinimum(slider), -5);
    SetControlValue(slider, -100);
    EXPECT_EQ(GetControlValue(slider), -5);
    SetControlMaximum(slider, -10);  // the minimum follows, the value is pinned
    EXPECT_EQ(GetControlMinimum(slider), -10);
    EXPECT_EQ(GetControlValue(slider), -10);
    ControlRef box = nullptr;
    ASSERT_EQ(GetDialogItemAsControl(dialog, 5, &box), noErr);
    EXPECT_EQ(GetControlMaximum(box), 1);
    Str255 text;
    GetDialogItemTitle(dialog, 5, text);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), "Fast");
    ControlRef none = nullptr;
    EXPECT_EQ(GetDialogItemAsControl(dialog, 4, &none), errItemNotControl);
    EXPECT_EQ(GetDialogItemAsControl(dialog, 6, &none), errItemNotControl);
    DisposeDialog(dialog);

    // A missing control resource or dialog makes no dialog.
    EXPECT_EQ(GetNewDialog(129, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetNewDialog(130, nullptr, nullptr), nullptr);
    UseResFile(0);
    EXPECT_EQ(GetNewDialog(128, nullptr, nullptr), nullptr);
}

TEST_F(DialogsTest, ModalDialogWithAndWithoutDriver) {
    DialogRef dialog = GetNewDialog(128, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
    DialogItemIndex hit = -1;
    ModalDialog(nullptr, &hit);
    EXPECT_EQ(hit, kStdCancelItemIndex);
    SetDialogCancelItem(dialog, 5);
    ModalDialog(nullptr, &hit);
    EXPECT_EQ(hit, 5);

    // A disabled item or one past the list cannot be hit; the next step counts.
    auto driver = std::make_shared<Driver>();
    driver->steps = {Driver::Hit(4), Driver::Hit(9), Driver::SetAndHit(3, 7)};
    ScopedDialogDriver installed(driver);
    DrawDialog(dialog);
    EXPECT_EQ(driver->drawn, 1);
    ASSERT_EQ(driver->shown.size(), 5u);
    EXPECT_FALSE(driver->shown[3].enabled);
    ModalDialog(nullptr, &hit);
    EXPECT_EQ(hit, 3);
    DisposeDialog(dialog);
    ModalDialog(nullptr, &hit);
    EXPECT_EQ(hit, 0);  // no dialog
}

TEST_F(DialogsTest, PortsFollowTheDialog) {
    OpaqueGrafPtr other{};
    SetPort(&other);
    DialogRef dialog = GetNewDialog(128, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
    GrafPtr port = nullptr;
    GetPort(&port);
    EXPECT_EQ(port, &other);
    SetPortDialogPort(dialog);
    GetPort(&port);
    EXPECT_EQ(port, GetDialogPort(dialog));
    EXPECT_EQ(GetWindowPort(GetDialogWindow(dialog)), GetDialogPort(dialog));
    // Disposing of the dialog leaves no current port pointing into it.
    DisposeDialog(dialog);
    GetPort(&port);
    EXPECT_EQ(port, nullptr);
}

}  // namespace
}  // namespace mvdtest

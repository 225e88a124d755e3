#include <filesystem>
#include <memory>

#include "CodecComponentFixture.h"
#include "Components/Resources.h"
#include "Dialogs/DialogResources.h"
#include "Support/ScriptedDialogDriver.h"

namespace mvdtest {
namespace {

using Driver = ScriptedDialogDriver;

class CodecSettingsDialogTest : public CodecComponentTest {
  protected:
    void SetUp() override {
        CodecComponentTest::SetUp();
        m_ci = OpenCompressor();
        m_settings = NewHandle(0);
    }
    void TearDown() override {
        DisposeHandle(m_settings);
        CodecComponentTest::TearDown();
    }

    // Runs the settings dialog with a driver playing `steps`.
    ComponentResult Run(std::vector<Driver::Step> steps) {
        auto driver = std::make_shared<Driver>();
        driver->steps = std::move(steps);
        ScopedDialogDriver installed(driver);
        const ComponentResult result =
            ImageCodecRequestSettings(m_ci, m_settings, nullptr, nullptr);
        EXPECT_EQ(driver->drawn, 1);
        return result;
    }

    SInt32 SettingsValue() const {
        EXPECT_EQ(GetHandleSize(m_settings), 4);
        SInt32 value = -1;
        std::memcpy(&value, *m_settings, 4);
        return value;
    }

    ComponentInstance m_ci = nullptr;
    Handle m_settings = nullptr;
};

TEST_F(CodecSettingsDialogTest, OkStoresTheNewLevelWithoutSavingIt) {
    ASSERT_EQ(Run({Driver::SetAndHit(3, 2), Driver::Hit(1)}), noErr);
    EXPECT_EQ(Storage(m_ci)->level, 2);
    EXPECT_EQ(SettingsValue(), 2);
    EXPECT_FALSE(std::filesystem::exists(PrefsFile()));
}

// The dialog starts from the settings handle; Cancel, Escape or no driver
// leave the codec as it was.
TEST_F(CodecSettingsDialogTest, CancelChangesNothing) {
    const SInt32 five = 5;
    SetHandleSize(m_settings, 4);
    std::memcpy(*m_settings, &five, 4);
    ASSERT_EQ(Run({Driver::SetAndHit(3, 8), Driver::Hit(2)}), noErr);
    EXPECT_EQ(Storage(m_ci)->level, 6);
    EXPECT_EQ(SettingsValue(), 5);

    // Escape is Cancel; with no driver at all the dialog is cancelled.
    ASSERT_EQ(Run({Driver::SetAndHit(3, 8), Driver::Key(keyDown, kEscapeCharCode)}), noErr);
    EXPECT_EQ(Storage(m_ci)->level, 6);
    SetDialogDriver(nullptr);
    EXPECT_EQ(ImageCodecRequestSettings(m_ci, m_settings, nullptr, nullptr), noErr);
    EXPECT_EQ(Storage(m_ci)->level, 6);
    EXPECT_EQ(SettingsValue(), 5);
    ASSERT_EQ(Run({Driver::Hit(1)}), noErr);
    EXPECT_EQ(Storage(m_ci)->level, 5);
}

TEST_F(CodecSettingsDialogTest, KeysGoThroughTheFilter) {
    // Return is OK; a repeating Return with Command held is swallowed, so
    // the dialog goes on until the driver gives up (Cancel).
    ASSERT_EQ(Run({Driver::SetAndHit(3, 1), Driver::Key(keyDown, kReturnCharCode)}), noErr);
    EXPECT_EQ(Storage(m_ci)->level, 1);
    ASSERT_EQ(Run({Driver::SetAndHit(3, 7), Driver::Key(autoKey, kReturnCharCode, cmdKey)}), noErr);
    EXPECT_EQ(Storage(m_ci)->level, 1);
    // Update events of other windows are left alone.
    ASSERT_EQ(Run({[](DialogRef) {
                       EventRecord update{};
                       update.what = updateEvt;
                       update.message = 0x1234;
                       return DialogDriverAction::Event(update);
                   },
                   Driver::SetAndHit(3, 9), Driver::Hit(1)}),
              noErr);
    EXPECT_EQ(Storage(m_ci)->level, 9);
}

TEST_F(CodecSettingsDialogTest, PortAndResourceFileAreRestored) {
    OpaqueGrafPtr callerPort{};
    SetPort(&callerPort);
    const ResFileRefNum callerFile = CurResFile();
    ASSERT_EQ(Run({Driver::Hit(1)}), noErr);
    GrafPtr port = nullptr;
    GetPort(&port);
    EXPECT_EQ(port, &callerPort);
    EXPECT_EQ(CurResFile(), callerFile);
    SetPort(nullptr);
}

TEST_F(CodecSettingsDialogTest, MissingDialogIsACodecError) {
    const ComponentDescription cd{compressorComponentType, 'mvdx', 'Mvdn', 0, 0};
    Component bare =
        RegisterComponent(&cd, MVDKCodec_ComponentDispatch, 0, nullptr, nullptr, nullptr);
    ComponentInstance ci = OpenComponent(bare);
    ASSERT_NE(ci, nullptr);
    EXPECT_EQ(ImageCodecRequestSettings(ci, m_settings, nullptr, nullptr), codecErr);
    Handle ditl = nullptr;
    Point smallest{0, kSGSmallestDITLSize};
    EXPECT_EQ(ImageCodecGetDITLForSize(ci, &ditl, &smallest), resNotFound);
    EXPECT_EQ(CloseComponent(ci), noErr);
    EXPECT_EQ(UnregisterComponent(bare), noErr);
}

// The settings panel embedded in a host's dialog: its item list, installed
// after the host's two items, read back when removed.
TEST_F(CodecSettingsDialogTest, PanelInTheHostsDialog) {
    Handle ditl = nullptr;
    Point other{0, 300};
    EXPECT_EQ(ImageCodecGetDITLForSize(m_ci, &ditl, &other), badComponentSelector);
    Point smallest{0, kSGSmallestDITLSize};
    ASSERT_EQ(ImageCodecGetDITLForSize(m_ci, &ditl, &smallest), noErr);
    ASSERT_NE(ditl, nullptr);

    DialogTemplate hostDialog;
    hostDialog.bounds = Rect{0, 0, 100, 300};
    hostDialog.itemsID = 128;
    const std::vector<UInt8> dlog = BuildDialogTemplate(hostDialog);
    const DialogItemTemplate hostItems[] = {ButtonItem({70, 200, 90, 280}, "OK"),
                                            ButtonItem({70, 100, 90, 180}, "Cancel")};
    const std::vector<UInt8> items = BuildDialogItemList(hostItems);
    const ComponentResourceEntry resources[] = {{'DLOG', 128, dlog.data(), Size(dlog.size())},
                                                {'DITL', 128, items.data(), Size(items.size())}};
    const ComponentDescription cd{'host', 'test', 'test', 0, 0};
    Component host = RegisterComponentWithResources(&cd, MVDKCodec_ComponentDispatch, 0, nullptr,
                                                    nullptr, nullptr, resources, 2);
    ASSERT_NE(host, nullptr);

    const ResFileRefNum saved = CurResFile();
    const ResFileRefNum hostFile = OpenComponentResFile(host);
    UseResFile(hostFile);
    DialogRef dialog = GetNewDialog(128, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
    // The panel's controls are resources of the codec.
    const ResFileRefNum codecFile = OpenComponentResFile(m_encoder);
    UseResFile(codecFile);
    const DialogItemIndex itemOffset = CountDITL(dialog);
    AppendDITL(dialog, ditl, appendDITLBottom);
    EXPECT_EQ(CountDITL(dialog), itemOffset + 2);

    ASSERT_EQ(MVDK_SetCompressorLevel(m_ci, 5), noErr);
    EXPECT_FALSE(std::filesystem::exists(PrefsFile()));  // a private level is not saved
    ASSERT_EQ(ImageCodecDITLInstall(m_ci, dialog, itemOffset), noErr);
    ControlRef level = nullptr;
    ASSERT_EQ(GetDialogItemAsControl(dialog, itemOffset + 1, &level), noErr);
    EXPECT_EQ(GetControlValue(level), 5);
    SetControlValue(level, 8);

    EXPECT_EQ(ImageCodecDITLRemove(m_ci, dialog, itemOffset), noErr);
    EXPECT_EQ(Storage(m_ci)->level, 8);
    // An offset past the items names no control.
    EXPECT_EQ(ImageCodecDITLRemove(m_ci, dialog, itemOffset + 2), errItemNotControl);
    EXPECT_EQ(Storage(m_ci)->level, 8);

    DisposeDialog(dialog);
    UseResFile(saved);
    CloseComponentResFile(codecFile);
    CloseComponentResFile(hostFile);
    DisposeHandle(ditl);
    EXPECT_EQ(UnregisterComponent(host), noErr);
}

}  // namespace
}  // namespace mvdtest

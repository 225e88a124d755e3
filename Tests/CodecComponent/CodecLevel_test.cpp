#include <filesystem>

#include "CodecComponentFixture.h"

namespace mvdtest {
namespace {

using CodecLevelTest = CodecComponentTest;

std::vector<unsigned char> LevelBytes(SInt32 level) {
    std::vector<unsigned char> bytes(4);
    std::memcpy(bytes.data(), &level, 4);
    return bytes;
}

void WritePrefs(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFileBytes(path, bytes);
}

ComponentResult SetSettingsTo(ComponentInstance ci, const void* bytes, Size size) {
    Handle settings = NewHandle(size);
    if (size > 0) {
        std::memcpy(*settings, bytes, static_cast<size_t>(size));
    }
    const ComponentResult result = ImageCodecSetSettings(ci, settings);
    DisposeHandle(settings);
    return result;
}

// Settings are saved over whatever file was there, leaving four bytes.
TEST_F(CodecLevelTest, SetSettingsStoresAndSaves) {
    WritePrefs(PrefsFile(), {9, 0, 0, 0, 0xAA, 0xBB});
    ComponentInstance ci = OpenCompressor();
    EXPECT_EQ(Storage(ci)->level, 9);
    const SInt32 four = 4;
    EXPECT_EQ(SetSettingsTo(ci, &four, 4), noErr);
    EXPECT_EQ(Storage(ci)->level, 4);
    EXPECT_EQ(ReadFileBytes(PrefsFile()), LevelBytes(4));
    // A new instance starts from the saved level.
    EXPECT_EQ(Storage(OpenDecompressor())->level, 4);

    // Anything but 4 bytes holding 0..9 means the default, saved as well.
    const SInt32 twelve = 12;
    const SInt32 negative = -1;
    const UInt8 twoBytes[2] = {3, 0};
    for (auto [bytes, size] :
         {std::pair<const void*, Size>{&twelve, 4}, {&negative, 4}, {twoBytes, 2}, {nullptr, 0}}) {
        EXPECT_EQ(SetSettingsTo(ci, &four, 4), noErr);
        EXPECT_EQ(SetSettingsTo(ci, bytes, size), noErr);
        EXPECT_EQ(Storage(ci)->level, 6);
        EXPECT_EQ(ReadFileBytes(PrefsFile()), LevelBytes(6));
    }
    EXPECT_EQ(ImageCodecSetSettings(ci, nullptr), noErr);
    EXPECT_EQ(Storage(ci)->level, 6);
    EXPECT_EQ(ImageCodecGetSettings(ci, nullptr), paramErr);
}

// Preferences files that hold no valid level load the default.
TEST_F(CodecLevelTest, BadPreferencesLoadTheDefault) {
    const std::vector<std::vector<unsigned char>> files = {
        LevelBytes(10), LevelBytes(-1), LevelBytes(0x7FFFFFFF), {5, 0}, {}};
    for (const auto& bytes : files) {
        WritePrefs(PrefsFile(), bytes);
        ComponentInstance ci = OpenCompressor();
        EXPECT_EQ(Storage(ci)->level, 6);
        Close(ci);
    }
    WritePrefs(PrefsFile(), LevelBytes(0));
    MVDKCodecStorage* storage = Storage(OpenCompressor());
    EXPECT_EQ(storage->level, 0);
    // A folder where the file should be cannot be read.
    std::filesystem::remove(PrefsFile());
    std::filesystem::create_directory(PrefsFile());
    EXPECT_NE(MVDK_ReadUserDefaults(storage), noErr);
    EXPECT_EQ(storage->level, 6);
    EXPECT_NE(MVDK_WriteUserDefaults(storage), noErr);
}

TEST_F(CodecLevelTest, PreferencesFolderIsMadeWhenMissing) {
    const std::string missing = m_home.file("not/yet");
    ScopedConfigHome config(missing);
    ComponentInstance ci = OpenCompressor();
    const SInt32 seven = 7;
    EXPECT_EQ(SetSettingsTo(ci, &seven, 4), noErr);
    EXPECT_EQ(ReadFileBytes(missing + "/Morvandel/level"), LevelBytes(7));

    FSSpec location{};
    const unsigned char name[] = "\x05level";
    EXPECT_EQ(GetPrefsFileSpec(name, &location), noErr);
    EXPECT_EQ(std::filesystem::canonical(location.path),
              std::filesystem::canonical(missing + "/Morvandel/level"));
    const unsigned char other[] = "\x05other";
    EXPECT_EQ(GetPrefsFileSpec(other, &location), fnfErr);
}

}  // namespace
}  // namespace mvdtest

// Feeds untrusted preferences to the screen codec: the level file (and the
// folders around it) are set up from the input in a preferences folder of
// our own, then read through MVDK_ReadUserDefaults and by opening the codec
// component, which reads them too.  The level read must be the file's
// first four bytes when they hold 0..9, else the default; a level written
// where the folder is sound must read back.
//
// Input: a layout byte, then the file's bytes.  Layout (mod 4): 0 the level
// file holds the bytes; 1 the level file's name is a folder; 2 the
// "Morvandel" folder's name is a file holding the bytes; 3 nothing exists.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "Codec/MVDKCodecComponent.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxInput = 4096;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const fs::path& Home() {
    static const fs::path home = [] {
        char folder[] = "/tmp/prefs_fuzzer.XXXXXX";
        Check(mkdtemp(folder) != nullptr);
        return fs::path(folder);
    }();
    return home;
}

void RemoveHome() {
    std::error_code ignored;
    fs::remove_all(Home(), ignored);
}

void WriteBytes(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Check(static_cast<bool>(out.flush()));
}

// Builds the layout; returns the level a reader must find.
SInt32 Prepare(uint8_t layout, const uint8_t* data, size_t size) {
    const fs::path folder = Home() / "Morvandel";
    fs::remove_all(folder);
    switch (layout % 4) {
        case 0: {
            fs::create_directories(folder);
            WriteBytes(folder / "level", data, size);
            UInt32 value = 0;
            if (size >= sizeof value) {
                std::memcpy(&value, data, sizeof value);
                if (value <= static_cast<UInt32>(kMVDKMaxLevel)) {
                    return static_cast<SInt32>(value);
                }
            }
            return kMVDKDefaultLevel;
        }
        case 1:
            fs::create_directories(folder / "level");
            return kMVDKDefaultLevel;
        case 2:
            WriteBytes(folder, data, size);
            return kMVDKDefaultLevel;
        default:
            return kMVDKDefaultLevel;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("XDG_CONFIG_HOME", Home().c_str(), 1);
    std::atexit(RemoveHome);
    Check(MVDKRegisterEncoderComponent() != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > kMaxInput) {
        return 0;
    }
    const uint8_t layout = data[0];
    const SInt32 expected = Prepare(layout, data + 1, size - 1);

    MVDKCodecStorage storage{};
    storage.level = -7;
    (void)MVDK_ReadUserDefaults(&storage);
    Check(storage.level == expected);

    // The component reads the same file when it is opened.
    ComponentDescription looking{compressorComponentType, kMVDKCodecType, 0, 0, 0};
    Component codec = FindNextComponent(nullptr, &looking);
    ComponentInstance instance = nullptr;
    Check(codec != nullptr && OpenAComponent(codec, &instance) == noErr);
    CloseComponent(instance);

    // Writing: where the folder is sound the level reads back; elsewhere it
    // fails without a crash.
    storage.level = static_cast<SInt32>(size % (kMVDKMaxLevel + 1));
    const OSErr written = MVDK_WriteUserDefaults(&storage);
    if (layout % 4 == 0 || layout % 4 == 3) {
        Check(written == noErr);
        MVDKCodecStorage again{};
        Check(MVDK_ReadUserDefaults(&again) == noErr &&
              again.level == static_cast<SInt32>(size % (kMVDKMaxLevel + 1)));
    } else {
        Check(written != noErr);
    }
    return 0;
}

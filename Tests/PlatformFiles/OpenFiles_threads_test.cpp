#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Files/Files.h"
#include "Support/TempDir.h"

namespace {

// Threads open, write, read back and close their own files at once, and
// create folders in one shared folder: reference numbers and folder ids
// must never be mixed up.
TEST(FileManagerThreads, ReferenceNumbersAndFolderIdsStayDistinct) {
    mvdtest::TempDir dir;
    FSRef folder{};
    ASSERT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>(dir.path().c_str()), &folder, nullptr),
              noErr);
    constexpr int kThreads = 4, kRounds = 50;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string name =
                    dir.file("t" + std::to_string(t) + "_" + std::to_string(round));
                FSSpec location{};
                std::string pascal(1, static_cast<char>(name.size()));
                pascal += name;
                FSMakeFSSpec(0, 0, reinterpret_cast<const unsigned char*>(pascal.data()),
                             &location);
                SInt32 id = 0;
                SInt16 ref = 0;
                const std::string payload = name;
                long count = static_cast<long>(payload.size());
                std::string back(payload.size(), '\0');
                long backCount = count;
                bool ok = FSpDirCreate(&location, 0, &id) == noErr && id >= 100 &&
                          FSpDelete(&location) == noErr && FSpCreate(&location, 0, 0, 0) == noErr &&
                          FSpOpenDF(&location, fsRdWrPerm, &ref) == noErr &&
                          FSWrite(ref, &count, payload.data()) == noErr &&
                          SetFPos(ref, fsFromStart, 0) == noErr &&
                          FSRead(ref, &backCount, back.data()) == noErr && back == payload &&
                          FSClose(ref) == noErr && FSpDelete(&location) == noErr;
                if (!ok) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace

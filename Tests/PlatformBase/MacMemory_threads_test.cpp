#include <gtest/gtest.h>

#include <thread>

#include "Base/MacMemory.h"

namespace {

TEST(MacMemory, ErrorsAreReportedPerThread) {
    EXPECT_EQ(NewHandle(-1), nullptr);
    EXPECT_EQ(MemError(), paramErr);
    OSErr other = paramErr;
    std::thread([&] {
        Ptr p = NewPtrClear(8);
        other = MemError();
        EXPECT_EQ(p[7], 0);
        DisposePtr(p);
    }).join();
    EXPECT_EQ(other, noErr);
    EXPECT_EQ(MemError(), paramErr);  // this thread's last result
    DisposeHandle(nullptr);
    EXPECT_EQ(MemError(), nilHandleErr);
    EXPECT_EQ(GetHandleSize(nullptr), 0);
}

}  // namespace

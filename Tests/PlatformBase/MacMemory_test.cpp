#include "Base/MacMemory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MacMemory, HandleResizeKeepsContentAndZeroFillsGrowth) {
    Handle h = NewHandle(4);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(MemError(), noErr);
    std::memcpy(*h, "abcd", 4);
    SetHandleSize(h, 4096);  // the block may move; the handle stays
    ASSERT_EQ(MemError(), noErr);
    EXPECT_EQ(GetHandleSize(h), 4096);
    EXPECT_EQ(std::memcmp(*h, "abcd", 4), 0);
    for (int i = 4; i < 4096; ++i)
        ASSERT_EQ((*h)[i], 0) << i;
    SetHandleSize(h, 2);
    EXPECT_EQ(GetHandleSize(h), 2);
    EXPECT_EQ((*h)[1], 'b');
    SetHandleSize(h, -1);
    EXPECT_EQ(MemError(), paramErr);
    EXPECT_EQ(GetHandleSize(h), 2);  // unchanged
    DisposeHandle(h);
    EXPECT_EQ(MemError(), noErr);
}

TEST(MacMemory, AnEmptyHandleStillHasABlock) {
    Handle empty = NewHandleClear(0);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(*empty, nullptr);
    EXPECT_EQ(GetHandleSize(empty), 0);
    DisposeHandle(empty);
}

}  // namespace

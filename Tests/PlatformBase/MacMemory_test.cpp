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

TEST(MacMemory, CopiesAndAppends) {
    Handle h = nullptr;
    ASSERT_EQ(PtrToHand("xyz", &h, 3), noErr);
    Handle copy = h;
    ASSERT_EQ(HandToHand(&copy), noErr);
    EXPECT_NE(copy, h);
    (*copy)[0] = 'Q';
    EXPECT_EQ((*h)[0], 'x');  // independent blocks
    ASSERT_EQ(PtrAndHand("12", h, 2), noErr);
    EXPECT_EQ(GetHandleSize(h), 5);
    EXPECT_EQ(std::memcmp(*h, "xyz12", 5), 0);
    EXPECT_EQ(PtrAndHand(nullptr, h, 1), paramErr);
    EXPECT_EQ(PtrAndHand("a", nullptr, 1), nilHandleErr);
    DisposeHandle(h);
    DisposeHandle(copy);

    Handle empty = NewHandleClear(0);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(*empty, nullptr);
    EXPECT_EQ(GetHandleSize(empty), 0);
    DisposeHandle(empty);
}

}  // namespace

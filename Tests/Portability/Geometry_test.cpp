#include "Portability/Geometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(Geometry, RectangleEmptiness) {
    EXPECT_TRUE(CRect().IsRectEmpty());
    EXPECT_FALSE(CRect(0, 0, 2, 3).IsRectEmpty());
    EXPECT_TRUE(CRect(0, 0, 2, 0).IsRectEmpty());
    EXPECT_TRUE(CRect(5, 0, 2, 3).IsRectEmpty());
    EXPECT_FALSE(CRect(5, 5, 2, 2).IsRectEmpty());  // both negative: positive product
    // Extremes whose product overflows 32 and 64 bits alike.
    EXPECT_FALSE(CRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX).IsRectEmpty());
    EXPECT_TRUE(CRect(INT_MIN, INT_MAX, INT_MAX, INT_MIN).IsRectEmpty());
    EXPECT_TRUE(IsRectEmpty(nullptr));
}

TEST(Geometry, MulDivTruncatesAndNeverFaults) {
    EXPECT_EQ(MulDiv(7, 3, 2), 10);
    EXPECT_EQ(MulDiv(-7, 3, 2), -10);
    EXPECT_EQ(MulDiv(7, -3, -2), 10);
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);  // 64-bit product
    EXPECT_EQ(MulDiv(INT_MIN, INT_MIN, INT_MIN), INT_MIN);
    EXPECT_EQ(MulDiv(1, 2, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);  // quotient beyond int
    EXPECT_EQ(MulDiv(INT_MIN, 1, -1), -1);
}

}  // namespace

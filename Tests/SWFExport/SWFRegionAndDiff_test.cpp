// The region arithmetic and the change search, against brute force over
// pixel masks.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "SWFExport/SWFFrameDiff.h"
#include "SWFExport/SWFRegion.h"

namespace {

constexpr int kSide = 40;

using Mask = std::vector<bool>;

void Paint(Mask& mask, const RECT& r, bool value) {
    for (int y = std::max(0, r.top); y < std::min(kSide, r.bottom); ++y) {
        for (int x = std::max(0, r.left); x < std::min(kSide, r.right); ++x) {
            mask[size_t(y * kSide + x)] = value;
        }
    }
}

Mask MaskOf(const SWFRegion& region) {
    Mask mask(kSide * kSide, false);
    for (const RECT& r : region.Rects()) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                EXPECT_FALSE(mask[size_t(y * kSide + x)]) << "rectangles overlap";
                mask[size_t(y * kSide + x)] = true;
            }
        }
    }
    return mask;
}

RECT RandomRect(std::mt19937& random) {
    std::uniform_int_distribution<int> coord(0, kSide);
    const int x0 = coord(random), x1 = coord(random), y0 = coord(random), y1 = coord(random);
    return RECT{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

TEST(SWFRegion, UnionsAndDifferencesAreExact) {
    std::mt19937 random(9);
    for (int round = 0; round < 300; ++round) {
        SWFRegion region, cut;
        Mask expected(kSide * kSide, false), removed(kSide * kSide, false);
        for (int i = 0; i < 4; ++i) {
            const RECT r = RandomRect(random);
            region.Unite(r);
            Paint(expected, r, true);
            const RECT c = RandomRect(random);
            cut.Unite(c);
            Paint(removed, c, true);
        }
        ASSERT_EQ(MaskOf(region), expected) << "round " << round;
        region.Subtract(cut);
        for (size_t i = 0; i < expected.size(); ++i) {
            expected[i] = expected[i] && !removed[i];
        }
        ASSERT_EQ(MaskOf(region), expected) << "round " << round;
        const int64_t area = std::count(expected.begin(), expected.end(), true);
        EXPECT_EQ(region.Area(), area);
        EXPECT_EQ(region.IsEmpty(), area == 0);
    }
}

// Frames of `bpp` bytes per pixel with random pixels changed inside
// `area`; the search must give the bounding box of exactly those pixels.
TEST(SWFFrameDiff, FindsTheBoundingBoxOfChangedBytes) {
    std::mt19937 random(4);
    for (int bpp : {2, 3, 4}) {
        for (int round = 0; round < 200; ++round) {
            const int width = 1 + int(random() % 70), height = 1 + int(random() % 20);
            const size_t stride = size_t(width) * bpp + random() % 5;
            std::vector<uint8_t> a(stride * height);
            for (uint8_t& b : a) {
                b = uint8_t(random());
            }
            std::vector<uint8_t> b = a;
            RECT box{INT32_MAX, INT32_MAX, 0, 0};
            const int changes = int(random() % 4);
            for (int i = 0; i < changes; ++i) {
                const int x = int(random() % width), y = int(random() % height);
                const int byte = int(random() % bpp);  // any one byte of the pixel
                const size_t at = size_t(height - 1 - y) * stride + size_t(x) * bpp + byte;
                b[at] = a[at] ^ 0x10;
                box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
            }
            const SWFFrameView va{a.data(), stride, width, height, bpp};
            const SWFFrameView vb{b.data(), stride, width, height, bpp};
            RECT found{-1, -1, -1, -1};
            const bool changed = FindChangedPixels(vb, va, RECT{0, 0, width, height}, &found);
            ASSERT_EQ(changed, changes > 0);
            if (changed) {
                ASSERT_EQ(found.left, box.left) << bpp << " bytes, round " << round;
                ASSERT_EQ(found.top, box.top);
                ASSERT_EQ(found.right, box.right);
                ASSERT_EQ(found.bottom, box.bottom);
                // Searching only part of the frame finds only what lies in it.
                RECT inner;
                const RECT part{box.left + 1, box.top, width, height};
                if (FindChangedPixels(vb, va, part, &inner)) {
                    EXPECT_GE(inner.left, part.left);
                }
            }
        }
    }
}

TEST(SWFFrameDiff, FirstAndLastDifferenceAcrossWordBoundaries) {
    std::vector<uint8_t> a(100, 1), b(100, 1);
    EXPECT_EQ(FirstDifference(a.data(), b.data(), 100), 100u);
    EXPECT_EQ(LastDifference(a.data(), b.data(), 100), 0u);
    for (size_t i : {0, 7, 8, 31, 32, 33, 63, 99}) {
        b = a;
        b[i] = 2;
        EXPECT_EQ(FirstDifference(a.data(), b.data(), 100), i);
        EXPECT_EQ(LastDifference(a.data(), b.data(), 100), i + 1);
    }
}

}  // namespace

// The screen-content generator that the codec tests and benchmarks use.
#include "Support/ScreenContent.h"

#include <gtest/gtest.h>

namespace {

using namespace mvdtest;

TEST(ScreenContent, EditsRedrawWhatAFullRenderShows) {
    for (auto [width, height] : {std::pair{640, 400}, std::pair{37, 23}, std::pair{5, 3}}) {
        ScreenImage frame(width, height), full(width, height);
        ScreenContent screen(width, height, 42);
        screen.render(frame);
        int64_t changed = 0;
        for (int i = 0; i < 40; ++i) {
            const ScreenImage before = frame;
            const ScreenRect dirty = screen.nextFrame(frame);
            screen.render(full);
            ASSERT_EQ(frame.countDifferences(full), 0) << width << " frame " << i;
            // Nothing changed outside the rectangle the edit reported.
            ScreenImage outside = frame;
            for (int32_t y = dirty.y; y < dirty.y + dirty.height; ++y) {
                for (int32_t x = dirty.x; x < dirty.x + dirty.width; ++x) {
                    outside.setPixel(x, y, before.pixel(x, y));
                }
            }
            ASSERT_EQ(outside.countDifferences(before), 0);
            changed += frame.countDifferences(before);
        }
        if (width == 640) {
            EXPECT_GT(changed, 0);
        }
    }
}

TEST(ScreenContent, SameSeedSamePicturesInEitherByteOrder) {
    ScreenImage bgra(200, 120, PixelOrder::BGRA), argb(200, 120, PixelOrder::ARGB, 1000);
    ScreenContent a(200, 120, 9), b(200, 120, 9), other(200, 120, 10);
    a.render(bgra);
    b.render(argb);
    for (int i = 0; i < 10; ++i)
        a.nextFrame(bgra), b.nextFrame(argb);
    EXPECT_EQ(bgra.countDifferences(argb), 0);
    EXPECT_EQ(argb.rowBytes(), 1000u);
    argb.setPixel(3, 4, 0x11223344);
    EXPECT_EQ(argb.line(4)[12], 0x11);
    bgra.setPixel(3, 4, 0x11223344);
    EXPECT_EQ(bgra.line(4)[12], 0x44);
    ScreenImage third(200, 120);
    other.render(third);
    EXPECT_GT(third.countDifferences(bgra), 1000);
}

}  // namespace

// The demo scene: the rectangles it reports must cover every pixel that
// changed, since every recorder trusts them; its audio and captions must be
// what the recorders expect.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "DemoScene.h"

namespace {

using mvddemo::Canvas;
using mvddemo::DemoScene;
using mvddemo::DemoSettings;
using mvddemo::Rect;

DemoSettings Small(uint32_t frames) {
    DemoSettings settings;
    settings.width = 400;
    settings.height = 240;
    settings.frameCount = frames;
    return settings;
}

TEST(DemoSceneTest, EachFrameIsWhatAFullRepaintShows) {
    DemoScene scene(Small(48));
    Canvas whole(400, 240);
    while (scene.next()) {
        const std::vector<Rect>& rects = scene.dirtyRects();
        if (scene.frameNumber() == 0) {
            ASSERT_EQ(rects.size(), 1u);
            EXPECT_EQ(rects[0], scene.frame().bounds());
        }
        for (size_t i = 0; i < rects.size(); ++i) {
            EXPECT_EQ(rects[i].intersect(scene.frame().bounds()), rects[i]) << "inside the frame";
            for (size_t j = i + 1; j < rects.size(); ++j) {
                EXPECT_TRUE(rects[i].intersect(rects[j]).empty()) << "no overlaps";
            }
        }
        scene.paintWhole(whole);
        ASSERT_EQ(whole.bytes(), scene.frame().bytes())
            << "a change outside the dirty rectangles of frame " << scene.frameNumber();
    }
    EXPECT_EQ(scene.frameNumber(), 47u);
}

TEST(DemoSceneTest, AudioAndCaptions) {
    DemoSettings settings = Small(30);
    settings.framesPerSecond = 7;  // 22050 / 7 is not whole
    DemoScene scene(settings);
    DemoScene twin(settings);
    size_t samples = 0;
    int loudest = 0;
    std::vector<std::string> captions;
    while (scene.next()) {
        ASSERT_TRUE(twin.next());
        ASSERT_EQ(twin.frame().bytes(), scene.frame().bytes()) << "the same settings draw alike";
        samples += scene.audio().size();
        for (int16_t s : scene.audio()) {
            loudest = std::max(loudest, std::abs(int(s)));
        }
        if (scene.captionChanged()) {
            captions.push_back(scene.caption());
        }
    }
    EXPECT_EQ(samples, 30u * 22050 / 7) << "no sample lost or repeated between frames";
    EXPECT_GT(loudest, 4000);
    EXPECT_EQ(captions.size(), 4u);
    EXPECT_EQ(std::set<std::string>(captions.begin(), captions.end()).size(), 4u);
}

TEST(DemoSceneTest, RefusesWhatItCannotDraw) {
    DemoSettings tiny = Small(10);
    tiny.width = 32;
    EXPECT_THROW(DemoScene{tiny}, std::invalid_argument);
    EXPECT_THROW(DemoScene{Small(0)}, std::invalid_argument);
}

}  // namespace

// Recordings long enough to use up the picture depths.
#include <gtest/gtest.h>

#include "SwfExportTestSupport.h"

namespace swfexport {
namespace {

// A blinking cursor and nothing else for more frames than there are picture
// depths: once they are used up, every picture is removed and the whole
// screen drawn again from depth 1, and the movie goes on showing the right
// picture.
TEST(VideoExportDepths, UsedUpDepthsStartAgainFromOne) {
    constexpr int kSide = 8;
    constexpr int kFrames = CSWFWriter::kMaxPictureDepth + 3;
    ScreenImage off(kSide, kSide), on(kSide, kSide);
    off.fill(off.bounds(), 0xFF202020);
    on.fill(on.bounds(), 0xFF202020);
    on.fill({2, 2, 1, 4}, 0xFFFFFFFF);
    const std::vector<uint8_t> offBits = Packed(off), onBits = Packed(on);
    ExportRun run(kSide, kSide);
    run.Open();
    for (int i = 0; i < kFrames; ++i) {
        run.Frame(i % 2 == 0 ? offBits : onBits);
    }
    const SwfFileTags file = run.Close();
    ASSERT_EQ(file.showFrames, kFrames);
    // Frame kMaxPictureDepth draws depth kMaxPictureDepth; the next frame
    // removes it and its predecessor and draws everything on depth 1.
    const int restart = CSWFWriter::kMaxPictureDepth;
    EXPECT_EQ(Codes(MovieTags(file, restart)),
              (std::vector<int>{kRemoveObject2, kRemoveObject2, kDefineShape3, kPlaceObject2,
                                kShowFrame}))
        << "the whole screen is the first frame's picture again, drawn by ID";
    EXPECT_EQ(LE16(MovieTags(file, restart)[3]->body, 1), 1u);
    const auto rgbOff = Rgb(off), rgbOn = Rgb(on);
    PlayFrames(file, [&](int frame, const mvdtest::SwfScreenModel& model) {
        if (frame >= restart - 2) {
            EXPECT_EQ(model.Render(kSide, kSide), frame % 2 == 0 ? rgbOff : rgbOn) << frame;
            EXPECT_LE(model.DisplayList().size(), 3u);
        }
    });
}

}  // namespace
}  // namespace swfexport

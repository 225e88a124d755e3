// Merged movies played by the Ruffle player: the movie's pictures at the top
// of the taller stage, the controller's below them, and the injected
// variables readable by the controller's own script.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "SWF/FActions.h"
#include "SWF/FCTDoAction.h"
#include "SWF/FControlTags.h"
#include "SWF/FDTDefineShape.h"
#include "SWF/FObjCollection.h"
#include "SWFPost/ArcMergeSWFs.h"
#include "Support/SwfPlayer.h"
#include "SwfPostFiles.h"

namespace {

using Rgb = std::array<uint8_t, 3>;
constexpr int kTwips = 20;
constexpr int kWidth = 80;
constexpr int kHeight = 60;
constexpr int kControllerHeight = 20;
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

// Defines a filled w x h pixel rectangle at (x, y) and places it at `depth`.
void AddBox(FObjCollection& movie, int x, int y, int w, int h, Rgb rgb, uint16_t depth) {
    auto* shape =
        new FDTDefineShape3(new FRect(x * kTwips, y * kTwips, (x + w) * kTwips, (y + h) * kTwips));
    shape->AddSolidFillStyle(new FColor(rgb[0], rgb[1], rgb[2], 255));
    shape->FinishStyleArrays();
    shape->AddShapeRec(
        new FShapeRecChange(0, 0, 1, 0, 1, x * kTwips, y * kTwips, 0, 1, 0, nullptr, nullptr));
    shape->AddShapeRec(new FShapeRecEdgeStraight(w * kTwips, 0));
    shape->AddShapeRec(new FShapeRecEdgeStraight(0, h * kTwips));
    shape->AddShapeRec(new FShapeRecEdgeStraight(-w * kTwips, 0));
    shape->AddShapeRec(new FShapeRecEdgeStraight(0, -h * kTwips));
    shape->AddShapeRec(new FShapeRecEnd());
    movie.AddFObj(shape);
    movie.AddFObj(
        new FCTPlaceObject2(0, 0, 1, 0, depth, shape->ID(), new FMatrix(), nullptr, 0, nullptr, 0));
}

// trace(name) for each variable.
FCTDoAction* TraceVariables(const std::vector<const char*>& names) {
    auto* script = new FCTDoAction();
    for (const char* name : names) {
        script->AddAction(new FActionPush(new FString(name)));
        script->AddAction(new FActionGetVariable());
        script->AddAction(new FActionTrace());
    }
    return script;
}

class ArcMergeSWFsInterop : public ::testing::Test {
  protected:
    void SetUp() override { MVD_SKIP_WITHOUT_SWF_PLAYER(); }

    // A controller as the export's own would be: file attributes, a bar
    // below the movie, a script reading the variables, one frame.
    void WriteController() {
        FObjCollection::ResetCharacterID();
        FObjCollection controller;
        static const swfpost::Bytes attributes = swfpost::Tag(69, {0, 0, 0, 0});
        controller.AddFObj(
            new FFragment(attributes.data(), static_cast<int32_t>(attributes.size())));
        AddBox(controller, 0, kHeight, kWidth, kControllerHeight, kBlue, 10);
        controller.AddFObj(TraceVariables({"width", "height", "fps", "styleWrapper"}));
        controller.AddFObj(new FCTShowFrame());
        ASSERT_TRUE(controller.CreateMovie(m_controller.c_str(), kWidth * kTwips,
                                           kControllerHeight * kTwips, 12, 8));
    }

    // The movie: red in frame 1, a green corner added in frame 2.  Its
    // characters start above the controller's, as the export's do.
    void WriteMovie() {
        FObjCollection::ResetCharacterID();
        while (FObjCollection::CurrentCharacterID() < 1500) {
            FObjCollection::Increment();
        }
        FObjCollection movie;
        AddBox(movie, 0, 0, kWidth, kHeight, kRed, 1);
        movie.AddFObj(new FCTShowFrame());
        AddBox(movie, 0, 0, 20, 20, kGreen, 2);
        movie.AddFObj(new FCTShowFrame());
        ASSERT_TRUE(movie.CreateMovie(m_movie.c_str(), kWidth * kTwips, kHeight * kTwips, 15, 6));
    }

    void ExpectRegion(const mvdtest::SwfImage& image, int x, int y, int w, int h, Rgb rgb,
                      const char* what) {
        EXPECT_TRUE(mvdtest::RegionIs(image, x, y, w, h, rgb)) << what;
    }

    mvdtest::TempDir m_dir;
    std::string m_controller = m_dir.file("controller.swf");
    std::string m_movie = m_dir.file("movieVidOnly.swf");
    std::string m_out = m_dir.file("movie.swf");
};

TEST_F(ArcMergeSWFsInterop, MovieAboveControllerAndVariablesTraced) {
    WriteController();
    WriteMovie();
    ASSERT_TRUE(ArcMergeSWFs(swfpost::Path(m_controller), swfpost::Path(m_movie),
                             swfpost::Path(m_out), kControllerHeight, false));

    const mvdtest::SwfRun run = mvdtest::SwfPlayer::Play(m_out, mvdtest::SwfPlayRequest({1, 2}));
    EXPECT_TRUE(run.errors.empty()) << run.errors.front();
    for (const std::string& line : run.console) {
        EXPECT_EQ(line.find("[error]"), std::string::npos) << line;
    }
    EXPECT_EQ(run.width, kWidth);
    EXPECT_EQ(run.height, kHeight + kControllerHeight);

    const mvdtest::SwfImage& first = run.Frame(1);
    ExpectRegion(first, 0, 0, kWidth, kHeight, kRed, "movie, frame 1");
    ExpectRegion(first, 0, kHeight, kWidth, kControllerHeight, kBlue, "controller, frame 1");
    const mvdtest::SwfImage& second = run.Frame(2);
    ExpectRegion(second, 0, 0, 20, 20, kGreen, "movie's own frame 2");
    ExpectRegion(second, 20, 20, kWidth - 20, kHeight - 20, kRed, "movie, frame 2");
    ExpectRegion(second, 0, kHeight, kWidth, kControllerHeight, kBlue, "controller, frame 2");

    const std::vector<std::string> traces = run.TraceTexts();
    ASSERT_GE(traces.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(traces.begin(), traces.begin() + 4),
              (std::vector<std::string>{"80", "60", "15", "6"}));
}

}  // namespace

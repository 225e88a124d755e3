// The video path seen in the exported file: which rectangles become
// bitmaps, how they are split, widened, shifted and reused, and which older
// pictures are removed.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "SWF/FObjCollection.h"
#include "SwfExportTestSupport.h"

// Rectangles compared and printed by the assertions (found by argument
// lookup in the global namespace, where RECT lives).
bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void PrintTo(const RECT& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace swfexport {
namespace {

using mvdtest::SwfModelPiece;
using mvdtest::SwfModelShape;

constexpr int kW = 200;
constexpr int kH = 150;
constexpr uint32_t kGrey = 0xFF808080;

// The pieces (rectangles, twips) of the shape drawn in `frame`.
std::vector<SwfModelPiece> PiecesOf(const SwfFileTags& file, int frame) {
    mvdtest::SwfScreenModel model;
    for (const SwfFileTag& tag : file.tags) {
        model.Apply(tag);
    }
    for (const SwfFileTag* tag : MovieTags(file, frame)) {
        if (tag->code == kDefineShape3) {
            return model.Shapes().at(int(LE16(tag->body, 0))).pieces;
        }
    }
    return {};
}

// (width, height) of each bitmap defined in `frame`.
std::vector<std::pair<int, int>> BitmapSizes(const SwfFileTags& file, int frame, int code) {
    std::vector<std::pair<int, int>> sizes;
    for (const SwfFileTag* tag : MovieTags(file, frame)) {
        if (tag->code == code) {
            sizes.emplace_back(int(LE16(tag->body, 3)), int(LE16(tag->body, 5)));
        }
    }
    return sizes;
}

RECT PixelsOf(const SwfModelPiece& piece) {
    return RECT{piece.left / 20, piece.top / 20, piece.right / 20, piece.bottom / 20};
}

// A grey screen, then each edit as one more frame.
class VideoExport : public ::testing::Test {
  protected:
    VideoExport() : m_image(kW, kH) { m_image.fill(m_image.bounds(), kGrey); }

    SwfFileTags Export(const std::vector<std::vector<mvdtest::ScreenRect>>& edits,
                       int bitCount = 32) {
        ExportRun run(kW, kH, bitCount);
        run.writer.m_SWFConfig.m_nSWFVersion = m_version;
        run.Open();
        run.Frame(Packed(m_image, bitCount));
        uint32_t color = 0xFF000000;
        for (const auto& edit : edits) {
            for (const mvdtest::ScreenRect& rect : edit) {
                m_image.fill(rect, color += 0x00100C08);
            }
            run.Frame(Packed(m_image, bitCount));
        }
        return run.Close();
    }

    ScreenImage m_image;
    int m_version = 8;
};

// Frame 0 is one full bitmap (IDs and depths are checked by the file tests),
// frame 1 one tight 1 x 1 bitmap at depth 2, frame 2 (unchanged) only shows.
TEST_F(VideoExport, FirstFrameIsFullThenOnlyTheChangedPixelsAreDrawn) {
    const SwfFileTags file = Export({{{10, 20, 1, 1}}, {}});
    EXPECT_EQ(file.showFrames, 3);
    EXPECT_EQ(Codes(MovieTags(file, 0)),
              (std::vector<int>{kSoundStreamHead2, kDoAction, kDoAction, kDefineBitsLossless2,
                                kDefineShape3, kPlaceObject2, kShowFrame}));
    EXPECT_EQ(BitmapSizes(file, 0, kDefineBitsLossless2),
              (std::vector<std::pair<int, int>>{{kW, kH}}));
    EXPECT_EQ(Codes(MovieTags(file, 1)),
              (std::vector<int>{kDefineBitsLossless2, kDefineShape3, kPlaceObject2, kShowFrame}));
    EXPECT_EQ(BitmapSizes(file, 1, kDefineBitsLossless2),
              (std::vector<std::pair<int, int>>{{1, 1}}));
    const auto pieces = PiecesOf(file, 1);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(PixelsOf(pieces[0]), (RECT{10, 20, 11, 21}));
    EXPECT_EQ(std::tie(pieces[0].translateX, pieces[0].translateY, pieces[0].scaleX),
              std::make_tuple(200, 400, 0x140000));
    EXPECT_EQ(LE16(MovieTags(file, 1)[2]->body, 1), 2u) << "depth";
    EXPECT_EQ(Codes(MovieTags(file, 2)), std::vector<int>{kShowFrame});
}

TEST_F(VideoExport, SpreadChangesSplitIntoQuadrantsOnlyWhenLargeInBothWays) {
    // 96 x 96: one rectangle.  97 x 97 with two distant corners changed:
    // two small ones.  300 x 4 (here 190 x 4): one, too thin to split.
    const SwfFileTags file = Export({{{10, 10, 2, 2}, {104, 104, 2, 2}},
                                     {{10, 10, 2, 2}, {105, 105, 2, 2}},
                                     {{5, 140, 2, 4}, {193, 140, 2, 4}}});
    auto rects = [&](int frame) {
        std::vector<RECT> out;
        for (const SwfModelPiece& piece : PiecesOf(file, frame)) {
            out.push_back(PixelsOf(piece));
        }
        return out;
    };
    EXPECT_EQ(rects(1), (std::vector<RECT>{{10, 10, 106, 106}}));
    EXPECT_EQ(rects(2), (std::vector<RECT>{{10, 10, 12, 12}, {105, 105, 107, 107}}));
    EXPECT_EQ(BitmapSizes(file, 2, kDefineBitsLossless2),
              (std::vector<std::pair<int, int>>{{2, 2}, {2, 2}}));
    EXPECT_EQ(rects(3), (std::vector<RECT>{{5, 140, 195, 144}}));
}

TEST_F(VideoExport, CoveredPicturesAreRemovedInTheFrameThatCoversThem) {
    // Depth 2 (a small change) is covered by depth 3 (a larger one around
    // it); depth 1 (the whole screen) is only ever partly covered.  Depth 4
    // covers depth 3 with two quadrant rectangles that only together hide it.
    const SwfFileTags file =
        Export({{{40, 40, 10, 10}}, {{30, 30, 30, 30}}, {{30, 30, 60, 15}, {30, 45, 60, 15}}});
    auto removed = [&](int frame) {
        std::vector<uint32_t> depths;
        for (const SwfFileTag* tag : MovieTags(file, frame)) {
            if (tag->code == kRemoveObject2) {
                depths.push_back(LE16(tag->body, 0));
            }
        }
        return depths;
    };
    EXPECT_TRUE(removed(1).empty());
    EXPECT_EQ(removed(2), std::vector<uint32_t>{2});
    EXPECT_EQ(removed(3), std::vector<uint32_t>{3});
    EXPECT_EQ(Codes(MovieTags(file, 2)).back(), kShowFrame);
    EXPECT_EQ(Codes(MovieTags(file, 2)).end()[-2], kRemoveObject2) << "after the new placement";
}

TEST_F(VideoExport, SixteenBitChangesAreWidenedToEvenSizes) {
    // 3 x 3 at the right edge: one pixel to the left, one down; at the
    // bottom-right corner: one to the left, one up.
    const SwfFileTags file = Export({{{kW - 3, 50, 3, 3}}, {{kW - 3, kH - 3, 3, 3}}}, 16);
    EXPECT_EQ(BitmapSizes(file, 0, kDefineBitsLossless),
              (std::vector<std::pair<int, int>>{{kW, kH}}));
    EXPECT_EQ(BitmapSizes(file, 1, kDefineBitsLossless),
              (std::vector<std::pair<int, int>>{{4, 4}}));
    EXPECT_EQ(PixelsOf(PiecesOf(file, 1).at(0)), (RECT{kW - 4, 50, kW, 54}));
    EXPECT_EQ(PixelsOf(PiecesOf(file, 2).at(0)), (RECT{kW - 4, kH - 4, kW, kH}));
}

TEST_F(VideoExport, VersionSixShiftsEveryPictureOnePixel) {
    m_version = 6;
    const SwfFileTags file = Export({{{10, 20, 1, 1}}});
    const auto first = PiecesOf(file, 0).at(0), second = PiecesOf(file, 1).at(0);
    EXPECT_EQ(PixelsOf(first), (RECT{1, 1, kW + 1, kH + 1}));
    EXPECT_EQ(std::tie(first.translateX, first.translateY), std::make_tuple(0, 0));
    EXPECT_EQ(PixelsOf(second), (RECT{11, 21, 12, 22}));
    EXPECT_EQ(std::tie(second.translateX, second.translateY), std::make_tuple(200, 400));
    EXPECT_EQ(file.header.xMax, (kW + 1) * 20) << "stage one pixel larger each way";
}

TEST(VideoExportFormats, TwentyFourBitFramesOfAnyWidthConvertExactly) {
    constexpr int kWidth = 37, kHeight = 11;  // rows of 111 bytes, padded to 112
    ScreenImage image(kWidth, kHeight);
    FillNoise(image, image.bounds(), 5);
    ExportRun run(kWidth, kHeight, 24);
    run.Open();
    run.Frame(Packed(image, 24));
    image.fill({3, 4, 5, 1}, 0xFF123456);
    run.Frame(Packed(image, 24));
    const SwfFileTags file = run.Close();
    std::vector<std::vector<uint8_t>> seen;
    PlayFrames(file, [&](int, const mvdtest::SwfScreenModel& model) {
        seen.push_back(model.Render(kWidth, kHeight));
    });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(FirstDifference(seen[1], Rgb(image), kWidth), "");
    EXPECT_EQ(BitmapSizes(file, 1, kDefineBitsLossless2),
              (std::vector<std::pair<int, int>>{{5, 1}}));
}

TEST(VideoExportFormats, UnusableFramesGetOnlyTheirShowFrame) {
    ExportRun run(16, 8);
    run.Open();
    ScreenImage image(16, 8);
    image.fill(image.bounds(), 0xFF204060);
    run.Frame(image);
    // A frame of another size, then one of another depth, then a null one:
    // reported, shown as the last picture, never read.
    const tagBITMAPINFO wider = FrameInfo(32, 8);
    run.writer.SetSourceBitmapInfo(&wider);
    run.writer.ReceiveVideoFrame(Packed(ScreenImage(32, 8)).data());
    run.writer.ReceiveVideoFrame(Packed(image).data(), 16, 8, 3, 0, 0, nullptr, 0);
    run.writer.ReceiveVideoFrame(nullptr);
    // Back to the first format: the change shows.
    image.fill({0, 0, 2, 2}, 0xFFFFFFFF);
    const tagBITMAPINFO same = FrameInfo(16, 8);
    run.writer.SetSourceBitmapInfo(&same);
    run.Frame(image);
    const SwfFileTags file = run.Close();
    EXPECT_EQ(file.showFrames, 4) << "the null frame is ignored";
    EXPECT_EQ(Codes(MovieTags(file, 1)), std::vector<int>{kShowFrame});
    EXPECT_EQ(Codes(MovieTags(file, 2)), std::vector<int>{kShowFrame});
    EXPECT_EQ(BitmapSizes(file, 3, kDefineBitsLossless2),
              (std::vector<std::pair<int, int>>{{2, 2}}));
}

TEST(VideoExportFormats, EightBitFramesAreRefusedWithoutAPicture) {
    ExportRun run(8, 8, 8);
    run.Open();
    run.Frame(std::vector<uint8_t>(64, 7));
    const SwfFileTags file = run.Close();
    EXPECT_EQ(file.showFrames, 1);
    EXPECT_TRUE(file.Find(kDefineBitsLossless).empty());
    EXPECT_TRUE(file.Find(kDefineBitsLossless2).empty());
}

}  // namespace
}  // namespace swfexport

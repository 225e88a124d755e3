// Movies built from the tag classes, played by the Ruffle player: what it
// shows and traces is what the bytes mean to an independent reader.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <tuple>

#include "SWF/FCTDoAction.h"
#include "SWF/FCompositeActions.h"
#include "SWF/FControlTags.h"
#include "SWF/FDTBitmaps.h"
#include "SWF/FDTButtons.h"
#include "SWF/FDTDefineShape.h"
#include "SWF/FDTFonts.h"
#include "SWF/FDTSprite.h"
#include "SWF/FDTText.h"
#include "SWF/FObjCollection.h"
#include "Support/SwfPlayer.h"
#include "Support/TempDir.h"

namespace {

using Rgb = std::array<uint8_t, 3>;
constexpr int kTwips = 20;

// Adds the edges of a w x h rectangle at (x, y) filled with `fill`, in
// pixels (or units of `scale`), to a shape or glyph whose styles are set.
template <typename Shape>
void AddRectangle(Shape& shape, int x, int y, int w, int h, int fill = 1, int scale = kTwips) {
    shape.AddShapeRec(
        new FShapeRecChange(0, 0, 1, 0, 1, x * scale, y * scale, 0, fill, 0, nullptr, nullptr));
    shape.AddShapeRec(new FShapeRecEdgeStraight(w * scale, 0));
    shape.AddShapeRec(new FShapeRecEdgeStraight(0, h * scale));
    shape.AddShapeRec(new FShapeRecEdgeStraight(-w * scale, 0));
    shape.AddShapeRec(new FShapeRecEdgeStraight(0, -h * scale));
}

template <typename Shape>
Shape* SolidRectangle(int x, int y, int w, int h, FColor* color) {
    auto* shape = new Shape(new FRect(x * kTwips, y * kTwips, (x + w) * kTwips, (y + h) * kTwips));
    shape->AddSolidFillStyle(color);
    shape->FinishStyleArrays();
    AddRectangle(*shape, x, y, w, h);
    shape->AddShapeRec(new FShapeRecEnd());
    return shape;
}

FCTPlaceObject2* Place(uint16_t id, uint16_t depth, FACXForm* cxform = nullptr) {
    return new FCTPlaceObject2(0, 0, 1, 0, depth, id, new FMatrix(), cxform, 0, nullptr, 0);
}

// Adds a definition and its placement at the next depth.
void AddPlaced(FObjCollection& movie, FDT* definition, uint16_t& depth,
               FACXForm* cxform = nullptr) {
    movie.AddFObj(definition);
    movie.AddFObj(Place(definition->ID(), depth++, cxform));
}

class FObjectModelInterop : public ::testing::Test {
  protected:
    void SetUp() override {
        MVD_SKIP_WITHOUT_SWF_PLAYER();
        FObjCollection::ResetCharacterID();
    }

    mvdtest::SwfRun Play(FObjCollection& movie, int width, int height,
                         const mvdtest::SwfPlayRequest& request = {}) {
        const std::string path = m_dir.file("movie.swf");
        EXPECT_TRUE(movie.CreateMovie(path.c_str(), width * kTwips, height * kTwips, 12, 6));
        mvdtest::SwfRun run = mvdtest::SwfPlayer::Play(path, request);
        EXPECT_TRUE(run.errors.empty()) << run.errors.front();
        for (const std::string& line : run.console) {
            EXPECT_EQ(line.find("[error]"), std::string::npos) << line;
        }
        return run;
    }

    mvdtest::TempDir m_dir;
};

// A 5 x 3 colour-mapped bitmap (rows padded to 8 bytes) at scale 1; direct
// colour bitmaps are played exactly by the export and movie tests.
TEST_F(FObjectModelInterop, ColourMappedBitmapAtScaleOneMatchesItsPixels) {
    const FRGB table[3] = {FRGB{0x0000FF}, FRGB{0x00FF00}, FRGB{0x123456}};
    const uint8_t mapped[] = {0, 1, 2, 1, 0, 9, 9, 9, 2, 2, 0, 0,
                              1, 9, 9, 9, 1, 0, 2, 0, 1, 9, 9, 9};
    FObjCollection movie;
    movie.AddFObj(new FCTSetBackgroundColor(new FColor(255, 255, 255)));
    auto* bitmap = new FDTDefineBitsLossless(3, 5, 3, 3, table, mapped);
    movie.AddFObj(bitmap);
    auto* shape = new FDTDefineShape3(new FRect(0, 0, 5 * kTwips, 3 * kTwips));
    // Bitmap pixels to twips: scale 20, clipped, not smoothed.
    shape->AddFillStyle(new FFillStyleBitmap(0, 0, bitmap->ID(),
                                             new FMatrix(1, 20 << 16, 20 << 16, 0, 0, 0, 0, 0)));
    shape->FinishStyleArrays();
    AddRectangle(*shape, 0, 0, 5, 3);
    movie.AddFObj(shape);
    movie.AddFObj(new FCTPlaceObject2(0, 0, 1, 0, 1, shape->ID(),
                                      new FMatrix(0, 0, 0, 0, 0, 0, 20 * kTwips, 10 * kTwips),
                                      nullptr, 0, nullptr, 0));
    movie.AddFObj(new FCTShowFrame());

    const mvdtest::SwfRun run = Play(movie, 40, 20);
    const mvdtest::SwfImage& frame = run.Frame(1);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const FRGB c = table[mapped[y * 8 + x]];
            const Rgb expected{static_cast<uint8_t>(c.Red()), static_cast<uint8_t>(c.Green()),
                               static_cast<uint8_t>(c.Blue())};
            ASSERT_EQ(frame.At(20 + x, 10 + y), expected) << x << "," << y;
        }
    }
    EXPECT_TRUE(mvdtest::RegionIs(frame, 0, 0, 40, 10, {255, 255, 255})) << "nothing outside";
}

TEST_F(FObjectModelInterop, ShapeVersionsStylesAndColourTransformsShowTheirColours) {
    FObjCollection movie;
    movie.AddFObj(new FCTSetBackgroundColor(new FColor(0, 0, 0)));
    uint16_t depth = 1;
    AddPlaced(movie, SolidRectangle<FDTDefineShape>(0, 0, 10, 10, new FColor(255, 0, 0, 10)),
              depth);
    AddPlaced(movie, SolidRectangle<FDTDefineShape2>(10, 0, 10, 10, new FColor(0, 255, 0)), depth);
    // Half-transparent blue over black.
    AddPlaced(movie, SolidRectangle<FDTDefineShape3>(20, 0, 10, 10, new FColor(0, 0, 255, 128)),
              depth);
    // White tinted by a transform: red kept, green halved, blue zeroed, +64 red... capped.
    AddPlaced(movie, SolidRectangle<FDTDefineShape3>(30, 0, 10, 10, new FColor(200, 200, 200)),
              depth, new FCXFormWAlpha(1, 1, 256, 128, 0, 256, 40, 0, 10, 0));

    // One shape, two rectangles: the second picks a fill from new style arrays.
    auto* twoPart = new FDTDefineShape3(new FRect(0, 10 * kTwips, 20 * kTwips, 20 * kTwips));
    twoPart->AddSolidFillStyle(new FColor(255, 255, 0));
    twoPart->FinishStyleArrays();
    AddRectangle(*twoPart, 0, 10, 10, 10);
    auto* newFills = new FFillStyleArray();
    newFills->Add(new FFillStyleSolid(new FColor(0, 255, 255, 255)));
    newFills->Add(new FFillStyleSolid(new FColor(255, 0, 255, 255)));
    newFills->Add(new FFillStyleSolid(new FColor(9, 9, 9, 255)));
    twoPart->AddShapeRec(new FShapeRecChange(1, 0, 0, 0, 0, 0, 0, 0, 0, 0, newFills, nullptr));
    AddRectangle(*twoPart, 10, 10, 10, 10, 2);
    twoPart->AddShapeRec(new FShapeRecEnd());
    AddPlaced(movie, twoPart, depth);

    // A curved outline: a quarter disc drawn with two curves.
    auto* curved =
        new FDTDefineShape3(new FRect(20 * kTwips, 10 * kTwips, 40 * kTwips, 30 * kTwips));
    curved->AddSolidFillStyle(new FColor(255, 128, 0));
    curved->FinishStyleArrays();
    curved->AddShapeRec(
        new FShapeRecChange(0, 0, 1, 0, 1, 20 * kTwips, 10 * kTwips, 0, 1, 0, nullptr, nullptr));
    curved->AddShapeRec(new FShapeRecEdgeCurved(20 * kTwips, 0, 0, 20 * kTwips));
    curved->AddShapeRec(new FShapeRecEdgeStraight(-20 * kTwips, 0));
    curved->AddShapeRec(new FShapeRecEdgeStraight(0, -20 * kTwips));
    curved->AddShapeRec(new FShapeRecEnd());
    AddPlaced(movie, curved, depth);
    movie.AddFObj(new FCTShowFrame());

    const mvdtest::SwfRun run = Play(movie, 40, 30);
    const mvdtest::SwfImage& f = run.Frame(1);
    EXPECT_TRUE(mvdtest::RegionIs(f, 1, 1, 8, 8, {255, 0, 0})) << "DefineShape, alpha dropped";
    EXPECT_TRUE(mvdtest::RegionIs(f, 11, 1, 8, 8, {0, 255, 0})) << "DefineShape2";
    EXPECT_TRUE(mvdtest::RegionIs(f, 21, 1, 8, 8, {0, 0, 128}, 1)) << "DefineShape3 with alpha";
    EXPECT_TRUE(mvdtest::RegionIs(f, 31, 1, 8, 8, {240, 100, 10}, 1)) << "colour transform";
    EXPECT_TRUE(mvdtest::RegionIs(f, 1, 11, 8, 8, {255, 255, 0})) << "first fill";
    EXPECT_TRUE(mvdtest::RegionIs(f, 11, 11, 8, 8, {255, 0, 255})) << "fill from new styles";
    EXPECT_TRUE(mvdtest::RegionIs(f, 21, 20, 8, 8, {255, 128, 0})) << "inside the curve";
    EXPECT_TRUE(mvdtest::RegionIs(f, 38, 10, 2, 2, {0, 0, 0})) << "outside the curve";
}

TEST_F(FObjectModelInterop, MorphShapeFollowsItsRatio) {
    FObjCollection movie;
    auto* morph = new FDTDefineMorphShape(new FRect(0, 0, 200, 200), new FRect(0, 0, 400, 200));
    morph->AddFillStyle(new FMorphFillStyleSolid(new FColor(255, 0, 0), new FColor(0, 0, 255)));
    morph->FinishStyleArrays();
    morph->AddShapeRec_1(new FShapeRecChange(0, 0, 1, 0, 1, 0, 0, 0, 1, 0, nullptr, nullptr));
    morph->AddEdgeRec_2(new FShapeRecChange(0, 0, 0, 0, 1, 0, 0, 0, 0, 0, nullptr, nullptr));
    for (int side = 0; side < 4; ++side) {
        const int sign = side < 2 ? 1 : -1, across = side % 2 == 0;
        morph->AddShapeRec_1(new FShapeRecEdgeStraight(across * sign * 200, !across * sign * 200));
        morph->AddEdgeRec_2(new FShapeRecEdgeStraight(across * sign * 400, !across * sign * 200));
    }
    morph->AddShapeRec_1(new FShapeRecEnd());
    morph->AddEdgeRec_2(new FShapeRecEnd());
    movie.AddFObj(new FCTSetBackgroundColor(new FColor(255, 255, 255)));
    movie.AddFObj(morph);
    movie.AddFObj(new FCTPlaceObject2(0, 1, 1, 0, 1, morph->ID(), nullptr, nullptr, 0, nullptr, 0));
    movie.AddFObj(new FCTShowFrame());
    movie.AddFObj(new FCTPlaceObject2(0, 1, 0, 1, 1, 0, nullptr, nullptr, 65535, nullptr, 0));
    movie.AddFObj(new FCTShowFrame());
    movie.AddFObj(new FCTDoAction());
    const mvdtest::SwfRun run = Play(movie, 30, 10, mvdtest::SwfPlayRequest({1, 2}));
    EXPECT_TRUE(mvdtest::RegionIs(run.Frame(1), 1, 1, 8, 8, {255, 0, 0})) << "start";
    EXPECT_TRUE(mvdtest::RegionIs(run.Frame(1), 11, 1, 8, 8, {255, 255, 255})) << "start width";
    EXPECT_TRUE(mvdtest::RegionIs(run.Frame(2), 1, 1, 18, 8, {0, 0, 255})) << "end";
}

// A square glyph of half the em, at the top of the em square.
FShape* HalfSquareGlyph() {
    auto* glyph = new FShape();
    glyph->SetFillBits(1);
    AddRectangle(*glyph, 0, -2, 1, 1, 1, 512);
    glyph->AddShapeRec(new FShapeRecEnd());
    return glyph;
}

TEST_F(FObjectModelInterop, GlyphTextSpritesAndPlainButtons) {
    FObjCollection movie;
    movie.AddFObj(new FCTSetBackgroundColor(new FColor(255, 255, 255)));
    uint16_t depth = 1;

    // Text of two runs in a DefineFont glyph font at an em of 40 pixels:
    // 20-pixel squares side by side, the baseline 40 pixels down, the
    // second run written without a style change of its own.
    auto* font = new FDTDefineFont();
    font->AddShapeGlyph(HalfSquareGlyph());
    movie.AddFObj(font);
    auto* text = new FDTDefineText(new FRect(0, 0, 60 * kTwips, 20 * kTwips), nullptr);
    text->AddTextRecord(new FTextChangeRecord(true, true, true, true, font->ID(), 40 * kTwips,
                                              new FColor(0, 0, 200), 0, 40 * kTwips));
    for (int run = 0; run < 2; ++run) {
        auto* glyphs = new FTextGlyphRecord();
        glyphs->AddGlyphEntry(0, 25 * kTwips);
        text->AddTextRecord(glyphs);
    }
    AddPlaced(movie, text, depth);

    // A sprite that shows red in its first frame and green in its second.
    auto* red = SolidRectangle<FDTDefineShape3>(0, 30, 10, 10, new FColor(255, 0, 0));
    auto* green = SolidRectangle<FDTDefineShape3>(0, 30, 10, 10, new FColor(0, 200, 0));
    movie.AddFObj(red);
    movie.AddFObj(green);
    auto* sprite = new FDTSprite();
    sprite->AddFObj(Place(red->ID(), 1));
    sprite->AddFObj(new FCTShowFrame());
    sprite->AddFObj(new FCTRemoveObject2(1));
    sprite->AddFObj(Place(green->ID(), 1));
    sprite->AddFObj(new FCTShowFrame());
    AddPlaced(movie, sprite, depth);

    // A DefineButton whose click traces.
    auto* face = SolidRectangle<FDTDefineShape>(40, 30, 20, 10, new FColor(0, 0, 0));
    movie.AddFObj(face);
    auto* button = new FDTDefineButton();
    button->AddButtonRecord(new FButtonRecord1(1, 1, 1, 1, face->ID(), 1, nullptr));
    button->AddActionRecord(new FActionPush(new FString("pressed")));
    button->AddActionRecord(new FActionTrace);
    AddPlaced(movie, button, depth);
    movie.AddFObj(new FCTShowFrame());
    movie.AddFObj(new FCTShowFrame());

    mvdtest::SwfPlayRequest request({1, 2});
    request.clicks.push_back({50, 35, 1});
    const mvdtest::SwfRun run = Play(movie, 70, 45, request);
    const mvdtest::SwfImage& f1 = run.Frame(1);
    EXPECT_TRUE(mvdtest::RegionIs(f1, 1, 1, 18, 18, {0, 0, 200}, 1)) << "first glyph";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 26, 1, 18, 18, {0, 0, 200}, 1)) << "second run";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 21, 1, 3, 18, {255, 255, 255})) << "between the glyphs";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 46, 1, 20, 28, {255, 255, 255})) << "after the text";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 1, 31, 8, 8, {255, 0, 0})) << "sprite frame 1";
    EXPECT_TRUE(mvdtest::RegionIs(run.Frame(2), 1, 31, 8, 8, {0, 200, 0})) << "sprite frame 2";
    EXPECT_EQ(run.TraceTexts(), std::vector<std::string>{"pressed"});
}

TEST_F(FObjectModelInterop, ScriptsRunTheirStructuredCode) {
    auto push = [](const char* s) { return new FActionPush(new FString(s)); };
    auto getVariable = [&](const char* name) {
        return new FMyActionList(push(name), new FActionGetVariable);
    };
    // for (i = 0; i < 4; i = i + 1) { if (i == 2) trace("two") else trace(i) }
    auto* body =
        new FMyActionList(getVariable("i"), new FActionPush(2L), new FMyActionDoOp("=="),
                          new FMyActionIf(new FMyActionList(push("two"), new FActionTrace),
                                          new FMyActionList(getVariable("i"), new FActionTrace)));
    auto* loop = new FMyActionForLoop(
        new FMyActionList(push("i"), new FActionPush(0L), new FActionSetVariable),
        new FMyActionList(getVariable("i"), new FActionPush(4L), new FMyActionDoOp("<")),
        new FMyActionList(push("i"), getVariable("i"), new FActionPush(1L), new FMyActionDoOp("+"),
                          new FActionSetVariable),
        body);
    // function twice(a) { return a * 2 }  trace(twice(21))
    auto* twice = new FMyActionDefineFunction(new FString("twice"), nullptr);
    twice->AddParam(new FString("a"));
    twice->AddAction(getVariable("a"));
    twice->AddAction(new FActionPush(2L));
    twice->AddAction(new FMyActionDoOp("*"));
    twice->AddAction(new FMyActionJustWriteASingleByte<0x3E>);  // return
    auto* script = new FCTMyDoAction(loop);
    script->AddAction(twice);
    script->AddAction(new FActionPush(21L));
    script->AddAction(new FActionPush(1L));
    script->AddAction(push("twice"));
    script->AddAction(new FMyActionJustWriteASingleByte<0x3D>);  // call function
    script->AddAction(new FActionTrace);
    // 7 >= 7, 3 <= 2, "a" != "b": 1, 0, 1 as booleans
    for (auto [a, op, b] : {std::tuple{7L, ">=", 7L}, {3L, "<=", 2L}, {5L, "!=", 6L}}) {
        script->AddAction(new FActionPush(a));
        script->AddAction(new FActionPush(b));
        script->AddAction(new FMyActionDoOp(op));
        script->AddAction(new FActionTrace);
    }
    script->AddAction(new FActionStop);

    FObjCollection movie;
    movie.AddFObj(script);
    movie.AddFObj(new FCTShowFrame());
    const std::vector<std::string> traces = Play(movie, 10, 10).TraceTexts();
    EXPECT_EQ(traces,
              (std::vector<std::string>{"0", "1", "two", "3", "42", "true", "false", "true"}));
}

}  // namespace

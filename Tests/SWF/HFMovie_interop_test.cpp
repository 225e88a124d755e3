// Movies built with the high-level objects, played by the Ruffle player:
// every kind of shape and fill, text in an embedded font, a text field and
// a button, checked by the colours the player shows and what it traces.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "SWF/FActionCondition.h"
#include "SWF/HFButton.h"
#include "SWF/HFMovie.h"
#include "SWF/HFShape.h"
#include "SWF/HFText.h"
#include "Support/SwfPlayer.h"
#include "Support/TempDir.h"

namespace {

using Rgb = std::array<uint8_t, 3>;

constexpr int32_t kPx = 20;  // twips per pixel

// A 16 x 16 JPEG file of the colour (32, 64, 192).
const uint8_t kBlueJpeg[] = {
    0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00, 0x01, 0x02, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0xFF, 0xFE, 0x00, 0x10, 0x4C, 0x61, 0x76, 0x63, 0x35, 0x39, 0x2E, 0x33,
    0x37, 0x2E, 0x31, 0x30, 0x30, 0x00, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x08, 0x04, 0x04, 0x04, 0x04,
    0x04, 0x05, 0x05, 0x05, 0x05, 0x05, 0x05, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06, 0x06,
    0x06, 0x06, 0x06, 0x06, 0x07, 0x07, 0x07, 0x08, 0x08, 0x08, 0x07, 0x07, 0x07, 0x06, 0x06, 0x07,
    0x07, 0x08, 0x08, 0x08, 0x08, 0x09, 0x09, 0x09, 0x08, 0x08, 0x08, 0x08, 0x09, 0x09, 0x0A, 0x0A,
    0x0A, 0x0C, 0x0C, 0x0B, 0x0B, 0x0E, 0x0E, 0x0E, 0x11, 0x11, 0x14, 0xFF, 0xC4, 0x00, 0x4D, 0x00,
    0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x06, 0x01, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x05, 0x07, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00,
    0x10, 0x00, 0x10, 0x03, 0x01, 0x12, 0x00, 0x02, 0x12, 0x00, 0x03, 0x12, 0x00, 0xFF, 0xDA, 0x00,
    0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00, 0x84, 0x1A, 0x28, 0x8A, 0x00,
    0x03, 0xFF, 0xD9};

FRGBA Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    return FRGBA{uint32_t{r} | uint32_t{g} << 8 | uint32_t{b} << 16 | uint32_t{a} << 24};
}

class HFMovieInterop : public ::testing::Test {
  protected:
    void SetUp() override { MVD_SKIP_WITHOUT_SWF_PLAYER(); }

    mvdtest::SwfRun Play(HFMovie& movie, const mvdtest::SwfPlayRequest& request) {
        const std::string path = m_dir.file("movie.swf");
        EXPECT_TRUE(movie.WriteMovie(path.c_str()));
        mvdtest::SwfRun run = mvdtest::SwfPlayer::Play(path, request);
        EXPECT_TRUE(run.errors.empty()) << run.errors.front();
        return run;
    }

    mvdtest::TempDir m_dir;
};

TEST_F(HFMovieInterop, ShapesFillsTextFieldAndButtonShowAndAct) {
    HFMovie movie;
    movie.SetSize(200 * kPx, 120 * kPx);
    HFFrame* first = movie.Frame(0);
    first->SetBackgoundColor(Rgba(255, 255, 255));

    HFRectangle rectangle(10 * kPx, 10 * kPx, 40 * kPx, 30 * kPx);
    rectangle.SetSolidFill(Rgba(255, 0, 0));
    rectangle.SetLineWidth(2 * kPx);
    first->AddObject(&rectangle);

    HFOval oval(60 * kPx, 10 * kPx, 60 * kPx, 30 * kPx);
    oval.SetLineWidth(0);
    oval.AddLinearFillColor(Rgba(255, 0, 0), 0);
    oval.AddLinearFillColor(Rgba(0, 0, 255), 255);
    first->AddObject(&oval);

    HFCircle circle(150 * kPx, 25 * kPx, 20 * kPx);
    circle.SetLineWidth(0);
    circle.AddRadialFillColor(Rgba(255, 255, 255), 0);
    circle.AddRadialFillColor(Rgba(0, 0, 0), 255);
    first->AddObject(&circle);

    // Counter-clockwise on screen: the fill still goes inside.
    HFPolygon triangle(10 * kPx, 50 * kPx);
    triangle.AddStraightLine(10 * kPx, 90 * kPx);
    triangle.AddStraightLine(50 * kPx, 90 * kPx);
    triangle.SetLineWidth(0);
    triangle.SetSolidFill(Rgba(0, 160, 0));
    first->AddObject(&triangle);

    constexpr int kBw = 8, kBh = 6;
    std::vector<uint8_t> argb;
    for (int y = 0; y < kBh; ++y) {
        for (int x = 0; x < kBw; ++x) {
            argb.insert(argb.end(),
                        {255, static_cast<uint8_t>(x * 30), static_cast<uint8_t>(255 - y * 40),
                         static_cast<uint8_t>((x + y) % 2 ? 250 : 5)});
        }
    }
    HFBitmap bitmap(60 * kPx, 50 * kPx, kBw, kBh, argb.data());
    first->AddObject(&bitmap);

    HFRectangle photo(75 * kPx, 50 * kPx, 16 * kPx, 16 * kPx);
    photo.SetLineWidth(0);
    photo.SetBitmapFillJpeg(kBlueJpeg, sizeof kBlueJpeg, 16, 16);
    first->AddObject(&photo);

    HFFont font("DejaVu Sans");
    HFText text("\u2588Hi", &font, 100 * kPx, 50 * kPx, 20 * kPx);
    text.SetTextColor(Rgba(0, 0, 128));
    first->AddObject(&text);

    HFEditText field(100 * kPx, 80 * kPx, 40 * kPx, 20 * kPx);
    field.SetFont(&font);
    field.SetText("\u2588\u2588");
    field.SetTextColor(Rgba(128, 0, 0));
    field.SetHeight(16 * kPx);
    first->AddObject(&field);

    // Without a font of its own, a field uses the player's sans-serif face.
    HFEditText plain(10 * kPx, 95 * kPx, 80 * kPx, 22 * kPx);
    plain.SetText("WWW");
    plain.SetHeight(16 * kPx);
    plain.SetBorder(false);
    first->AddObject(&plain);

    HFRectangle up(150 * kPx, 80 * kPx, 30 * kPx, 20 * kPx);
    up.SetLineWidth(0);
    up.SetSolidFill(Rgba(0, 0, 255));
    HFRectangle over(150 * kPx, 80 * kPx, 30 * kPx, 20 * kPx);
    over.SetLineWidth(0);
    over.SetSolidFill(Rgba(0, 255, 0));
    HFButton button(&up, &over, nullptr, nullptr);
    HFActionTrace clicked("clicked");
    button.QueueEvent(&clicked, FActionCondition::kOverDownToOverUp);
    first->AddObject(&button);

    HFFrame* second = movie.Frame(1);
    second->RemoveObject(&rectangle);
    HFActionStop stop;
    second->AddAction(&stop);

    mvdtest::SwfPlayRequest request({1, 2});
    request.clicks.push_back({165, 90, 1});
    const mvdtest::SwfRun run = Play(movie, request);
    const mvdtest::SwfImage& f1 = run.Frame(1);
    const mvdtest::SwfImage& f2 = run.Frame(2);

    EXPECT_TRUE(mvdtest::RegionIs(f1, 13, 13, 34, 24, {255, 0, 0})) << "rectangle fill";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 10, 20, 1, 10, {0, 0, 0}, 40)) << "rectangle outline";
    EXPECT_TRUE(mvdtest::RegionIs(f2, 8, 8, 44, 34, {255, 255, 255}))
        << "rectangle removed in frame 2";

    const Rgb left = f1.At(63, 25), right = f1.At(116, 25);
    EXPECT_GT(left[0], 220);
    EXPECT_LT(left[2], 40);
    EXPECT_LT(right[0], 40);
    EXPECT_GT(right[2], 220);
    EXPECT_TRUE(mvdtest::RegionIs(f1, 61, 11, 1, 1, {255, 255, 255}))
        << "outside the oval's corner";

    EXPECT_GT(f1.At(150, 25)[0], 230) << "radial centre";
    EXPECT_LT(f1.At(150, 43)[0], 60) << "radial edge";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 131, 6, 2, 2, {255, 255, 255})) << "outside the circle";

    EXPECT_TRUE(mvdtest::RegionIs(f1, 12, 80, 8, 8, {0, 160, 0})) << "triangle inside";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 40, 55, 8, 8, {255, 255, 255})) << "triangle outside";

    for (int y = 0; y < kBh; ++y) {
        for (int x = 0; x < kBw; ++x) {
            const uint8_t* p = &argb[(y * kBw + x) * 4];
            ASSERT_EQ(f1.At(60 + x, 50 + y), (Rgb{p[1], p[2], p[3]})) << x << "," << y;
        }
    }
    EXPECT_TRUE(mvdtest::RegionIs(f1, 76, 51, 14, 14, {32, 64, 192}, 8)) << "JPEG fill";

    // The full block glyph is solid: its middle shows the exact text colour.
    EXPECT_TRUE(mvdtest::RegionIs(f1, 103, 60, 4, 4, {0, 0, 128})) << "text";
    int dark = 0;
    for (int y = 52; y < 70; ++y) {
        for (int x = 115; x < 135; ++x) {
            dark += f1.At(x, y)[2] < 200 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 20) << "the letters H and i";

    EXPECT_TRUE(mvdtest::RegionIs(f1, 100, 90, 1, 1, {0, 0, 0}, 40)) << "field border";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 137, 97, 2, 2, {255, 255, 255})) << "field background";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 104, 88, 3, 4, {128, 0, 0})) << "field text";

    int plainDark = 0;
    for (int y = 95; y < 117; ++y) {
        for (int x = 10; x < 90; ++x) {
            plainDark += f1.At(x, y)[0] < 128 ? 1 : 0;
        }
    }
    EXPECT_GT(plainDark, 40) << "text in the player's own font";
    EXPECT_TRUE(mvdtest::RegionIs(f1, 152, 82, 26, 16, {0, 0, 255})) << "button up";
    EXPECT_EQ(run.TraceTexts(), std::vector<std::string>{"clicked"});
    EXPECT_TRUE(mvdtest::RegionIs(f2, 152, 82, 26, 16, {0, 255, 0}))
        << "button over after the click";
}

}  // namespace

#include "SWF/HFMovie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "SWF/FObjCollection.h"
#include "SWF/HFButton.h"
#include "SWF/HFSound.h"
#include "SWF/HFText.h"
#include "Support/TempDir.h"
#include "SwfBytes.h"

using swftest::Bytes;
using swftest::Movie;
using swftest::Tag;

namespace {

enum : uint16_t {
    kShowFrame = 1,
    kDefineFont2 = 48,
    kDefineShape3 = 32,
    kDefineText = 11,
    kPlaceObject2 = 26,
    kRemoveObject2 = 28,
    kSoundStreamHead = 18,
    kDefineSound = 14,
    kStartSound = 15,
};

class HFMovieTest : public ::testing::Test {
  protected:
    Movie Write(HFMovie& movie) {
        const std::string path = m_dir.file("movie.swf");
        EXPECT_TRUE(movie.WriteMovie(path.c_str()));
        return swftest::ParseMovie(mvdtest::ReadFileBytes(path));
    }

    static std::vector<uint16_t> Codes(const Movie& movie) {
        std::vector<uint16_t> codes;
        for (const Tag& t : movie.tags) {
            codes.push_back(t.code);
        }
        return codes;
    }

    // (code, depth) of every placement and removal, in order.
    static std::vector<std::pair<uint16_t, uint16_t>> Depths(const Movie& movie) {
        std::vector<std::pair<uint16_t, uint16_t>> depths;
        for (const Tag& t : movie.tags) {
            if (t.code == kPlaceObject2) {
                depths.emplace_back(t.code, t.body[1] | t.body[2] << 8);
            } else if (t.code == kRemoveObject2) {
                depths.emplace_back(t.code, t.body[0] | t.body[1] << 8);
            }
        }
        return depths;
    }

    mvdtest::TempDir m_dir;
};

TEST_F(HFMovieTest, AskingForAFrameCreatesTheFramesBeforeIt) {
    HFMovie movie;
    HFRectangle rectangle(100, 100, 200, 200);
    movie.Frame(4)->AddObject(&rectangle);
    EXPECT_EQ(movie.FrameCount(), 5u);
    const Movie m = Write(movie);
    EXPECT_EQ(m.frameCount, 5u);
    EXPECT_EQ(Codes(m), (std::vector<uint16_t>{kShowFrame, kShowFrame, kShowFrame, kShowFrame,
                                               kDefineShape3, kPlaceObject2, kShowFrame, 0}));
    EXPECT_EQ(m.tags[5].body[0], 0x06) << "placed with its position as a matrix";
    EXPECT_EQ(movie.FrameCount(), 0u) << "writing empties the movie";
    EXPECT_THROW(movie.Frame(HFMovie::kMaxFrames), std::length_error);

    // The next movie defines the object again, with IDs from 1.
    HFMovie next;
    next.Frame(0)->AddObject(&rectangle);
    const Movie n = Write(next);
    ASSERT_EQ(n.tags[0].code, kDefineShape3);
    EXPECT_EQ(n.tags[0].body[0], 1);
}

TEST_F(HFMovieTest, DepthsCountUpAndRemovalsFindTheirPlacement) {
    HFMovie movie;
    HFRectangle a(0, 0, 100, 100), b(0, 0, 100, 100), c(0, 0, 100, 100);
    // Frames filled out of order: depths follow the frames.
    movie.Frame(1)->RemoveObject(&a);
    movie.Frame(1)->AddObject(&c);
    movie.Frame(0)->AddObject(&a);
    movie.Frame(0)->AddObject(&b);
    movie.Frame(2)->AddObject(&a);
    movie.Frame(2)->AddObject(&a);
    movie.Frame(3)->RemoveObject(&a);
    const Movie m = Write(movie);
    EXPECT_EQ(Depths(m), (std::vector<std::pair<uint16_t, uint16_t>>{{kPlaceObject2, 1},
                                                                     {kPlaceObject2, 2},
                                                                     {kRemoveObject2, 1},
                                                                     {kPlaceObject2, 3},
                                                                     {kPlaceObject2, 4},
                                                                     {kPlaceObject2, 5},
                                                                     {kRemoveObject2, 4}}));
    const std::vector<uint16_t> codes = Codes(m);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), kDefineShape3), 3) << "one definition each";
}

TEST_F(HFMovieTest, MisorderedRemovalsAndDefinitionsAreRefused) {
    HFMovie removed;
    HFRectangle a(0, 0, 100, 100);
    removed.Frame(0)->RemoveObject(&a);
    EXPECT_THROW(removed.WriteMovie(m_dir.file("x.swf").c_str()), std::logic_error);

    // Defined in frame 1 (added there first) but placed in frame 0 too.
    HFMovie early;
    HFRectangle b(0, 0, 100, 100);
    early.Frame(1)->AddObject(&b);
    early.Frame(0)->AddObject(&b);
    EXPECT_THROW(early.WriteMovie(m_dir.file("y.swf").c_str()), std::logic_error);
    EXPECT_EQ(FObjCollection::CurrentCharacterID(), 0);
}

TEST_F(HFMovieTest, SoundsAreDefinedOnceAndStartedEachTime) {
    std::vector<uint8_t> samples(2 * 1000);
    HFSound sound(1, 1, 0, 1000, samples.data(), static_cast<uint32_t>(samples.size()), 4);
    HFMovie movie;
    movie.Frame(0)->AddObject(&sound);
    movie.Frame(1)->AddObject(&sound);
    movie.Frame(2)->RemoveObject(&sound);
    const Movie m = Write(movie);
    EXPECT_EQ(Codes(m),
              (std::vector<uint16_t>{kSoundStreamHead, kDefineSound, kStartSound, kShowFrame,
                                     kStartSound, kShowFrame, kStartSound, kShowFrame, 0}));
    EXPECT_EQ(m.tags[2].body, (Bytes{1, 0, 0x10})) << "no multiple starts";
    EXPECT_EQ(m.tags[6].body, (Bytes{1, 0, 0x20})) << "stop";

    HFSound silent(nullptr, 4);
    EXPECT_FALSE(silent.IsLoaded());
    HFMovie other;
    EXPECT_THROW(other.Frame(0)->RemoveObject(&sound), std::logic_error);
}

TEST_F(HFMovieTest, FontsFallBackAndKeepTheirGlyphIndices) {
    HFFont unknown("No Such Font Family 12345");
    EXPECT_FALSE(unknown.FamilyName().empty());
    HFFont font("DejaVu Sans");
    EXPECT_EQ(font.FamilyName(), "DejaVu Sans");
    EXPECT_EQ(font.GetGlyphCodeFromAscii('b'), 0);
    EXPECT_EQ(font.GetGlyphCodeFromAscii('a'), 1);
    EXPECT_EQ(font.GetGlyphCodeFromAscii('b'), 0);
    EXPECT_GT(font.GetAdvance('W'), font.GetAdvance('i'));
    EXPECT_GT(font.Ascent(), 0);
    EXPECT_THROW(font.AddGlyph(0x10000), std::out_of_range);

    // A line longer than one glyph run: runs of 127 glyphs, one font
    // holding each character once, defined before the text.
    const std::string line(200, 'x');
    HFText text(line.c_str(), &font, 0, 0, 240);
    HFMovie movie;
    movie.Frame(0)->AddObject(&text);
    const Movie m = Write(movie);
    ASSERT_EQ(Codes(m),
              (std::vector<uint16_t>{kDefineFont2, kDefineText, kPlaceObject2, kShowFrame, 0}));
    const Bytes& font2 = m.tags[0].body;
    EXPECT_EQ(font2[2] & 0x80, 0x80) << "with layout";
    const size_t count = 5 + font2[4];  // after ID, flags, language and the name
    EXPECT_EQ(font2[count] | font2[count + 1] << 8, 3) << "glyphs b, a, x";

    const Bytes& body = m.tags[1].body;
    swftest::BitReader r(body, 2);
    const uint32_t n = r.Bits(5);
    r.Bits(4 * n);
    r.Align();
    r.Bits(7);  // identity matrix
    r.Align();
    const uint32_t glyphBits = r.U8(), advanceBits = r.U8();
    std::vector<uint32_t> runs;
    for (uint32_t flags = r.U8(); flags != 0; flags = r.U8()) {
        ASSERT_EQ(flags & 0x80, 0x80) << "every run follows a style change";
        r.Bits(8 * ((flags & 8 ? 2 : 0) + (flags & 4 ? 3 : 0) + (flags & 2 ? 2 : 0) +
                    (flags & 1 ? 2 : 0) + (flags & 8 ? 2 : 0)));
        const uint32_t count = r.U8();
        runs.push_back(count);
        r.Bits(count * (glyphBits + advanceBits));
        r.Align();
    }
    EXPECT_EQ(runs, (std::vector<uint32_t>{127, 73}));
}

TEST_F(HFMovieTest, ButtonDefinesItsStatesOnce) {
    HFRectangle up(0, 0, 100, 100), over(0, 0, 100, 100);
    HFButton button(&up, &over, nullptr, nullptr);
    HFActionPlay play;
    button.QueueEvent(&play, FActionCondition::kOverDownToOverUp);
    EXPECT_THROW(button.AddEvent(0), std::invalid_argument);
    HFMovie movie;
    movie.Frame(0)->AddObject(&button);
    const Movie m = Write(movie);
    EXPECT_EQ(Codes(m), (std::vector<uint16_t>{kDefineShape3, kDefineShape3, 34, kPlaceObject2,
                                               kShowFrame, 0}));
    // Two records: the up shape for up, down and hit; the over shape for over.
    const Bytes& b = m.tags[2].body;
    EXPECT_EQ(b[5], 0x0D);
    EXPECT_EQ(b[5 + 7], 0x02);
}

}  // namespace

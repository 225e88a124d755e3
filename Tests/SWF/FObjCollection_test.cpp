#include "SWF/FObjCollection.h"

#include <gtest/gtest.h>

#include "SWF/FCTDoAction.h"
#include "SWF/FControlTags.h"
#include "SWF/FDTSprite.h"
#include "SWF/FSWFStream.h"
#include "Support/TempDir.h"
#include "SwfBytes.h"

using swftest::Encode;
using swftest::Hex;
using swftest::ToHex;

namespace {

TEST(SwfControlTags, GoldenBytes) {
    FCTShowFrame showFrame;
    FCTPlaceObject place(1, 2, nullptr, nullptr);
    FCTPlaceObject placeTinted(1, 2, new FMatrix(), new FCXForm(0, 0, 0, 0, 0, 0, 0, 0));
    FCTRemoveObject remove(3, 4);
    FCTSetBackgroundColor white(new FColor(255, 255, 255, 0));
    FCTProtect protect;
    FCTPlaceObject2 placeSimple(0, 0, 1, 0, 1, 1, new FMatrix(), nullptr, 0, nullptr, 0);
    FCTPlaceObject2 placeAll(1, 1, 1, 1, 0x102, 7, new FMatrix(),
                             new FCXFormWAlpha(0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 9, new FString("n"),
                             0x304);
    FCTPlaceObject2 moveOnly(0, 0, 0, 1, 5, 0, nullptr, nullptr, 0, nullptr, 0);
    FCTRemoveObject2 remove2(0x1234);
    FCTFrameLabel label(new FString("go"));
    FCTDoAction emptyScript;
    static const uint8_t kPreEncoded[] = {0x43, 0x02, 1, 2, 3};
    FFragment fragment(kPreEncoded, sizeof kPreEncoded);

    const struct {
        const char* name;
        FObj& tag;
        const char* hex;
    } cases[] = {
        {"show frame", showFrame, "40 00"},
        {"place object", place, "05 01 01 00 02 00 00"},
        {"place object with cxform", placeTinted, "06 01 01 00 02 00 00 04"},
        {"remove object", remove, "44 01 03 00 04 00"},
        {"background ignores alpha", white, "43 02 FF FF FF"},
        {"protect", protect, "00 06"},
        {"place object2", placeSimple, "86 06 06 01 00 01 00 00"},
        {"place object2, every field", placeAll, "8D 06 7F 02 01 07 00 00 04 09 00 6E 00 04 03"},
        {"place object2, move", moveOnly, "83 06 01 05 00"},
        {"remove object2", remove2, "02 07 34 12"},
        {"frame label", label, "C3 0A 67 6F 00"},
        {"empty do action", emptyScript, "01 03 00"},
        {"fragment, as it is", fragment, "43 02 01 02 03"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToHex(Encode(c.tag)), ToHex(Hex(c.hex))) << c.name;
    }
    EXPECT_THROW(FFragment(nullptr, 2), std::invalid_argument);
    EXPECT_THROW(FFragment(kPreEncoded, -1), std::invalid_argument);
}

TEST(FObjCollection, EmptyMovieIsHeaderAndEndTag) {
    FObjCollection movie;
    FSWFStream stream;
    movie.CreateMovie(&stream, 12800, 9600, 12, 6);
    const swftest::Bytes bytes = swftest::StreamBytes(stream);
    EXPECT_EQ(ToHex(bytes), ToHex(Hex("46 57 53 06 17 00 00 00 78 00 06 40 00 00 12 C0 00"
                                      "00 0C 00 00 00 00")));
    EXPECT_EQ(FObjCollection::FileHeaderSize(12800, 9600), 21u);
}

TEST(FObjCollection, CountsFramesAndLengthAndResetsCharacterIDs) {
    FObjCollection::ResetCharacterID();
    FObjCollection movie;
    auto* first = new FDTSprite();
    EXPECT_EQ(first->ID(), 1);
    movie.AddFObj(first);
    for (int i = 0; i < 3; ++i) {
        movie.AddFObj(new FCTPlaceObject2(0, 0, 1, 0, 1, 1, nullptr, nullptr, 0, nullptr, 0));
        movie.AddFObj(new FCTShowFrame());
    }
    EXPECT_EQ(movie.FrameCount(), 3u);
    movie.IncrementFrameCount(99);
    EXPECT_EQ(movie.FrameCount(), 4u);

    FSWFStream stream;
    movie.CreateMovie(&stream, 200, 100, 30, 6);
    const swftest::Movie parsed = swftest::ParseMovie(swftest::StreamBytes(stream));
    EXPECT_EQ(parsed.version, 6);
    EXPECT_EQ(parsed.fileLength, stream.Size());
    EXPECT_EQ(parsed.xmax, 200);
    EXPECT_EQ(parsed.ymax, 100);
    EXPECT_EQ(parsed.frameRate, 30u << 8);
    EXPECT_EQ(parsed.frameCount, 4u);
    EXPECT_EQ(parsed.tags.size(), 8u);  // the sprite, 3 placements, 3 frames, End

    // The next movie's characters start at 1 again.
    EXPECT_EQ(FDTSprite().ID(), 1);
}

TEST(FObjCollection, RefusesMoreFramesAndCharactersThanTheFormatHolds) {
    FObjCollection movie;
    for (uint32_t i = 0; i < FObjCollection::kMaxFrames; ++i) {
        movie.IncrementFrameCount();
    }
    EXPECT_THROW(movie.AddFObj(new FCTShowFrame()), std::length_error);
    EXPECT_THROW(movie.IncrementFrameCount(), std::length_error);
    EXPECT_EQ(movie.FrameCount(), 65535u);

    FObjCollection::ResetCharacterID();
    for (int i = 1; i < 0xFFFF; ++i) {
        FObjCollection::Increment();
    }
    EXPECT_EQ(FObjCollection::Increment(), 0xFFFF);
    EXPECT_THROW(FObjCollection::Increment(), std::overflow_error);
    FObjCollection::ResetCharacterID();
}

TEST(FObjCollection, MovieFileMatchesTheStreamAndBadPathsReportFailure) {
    mvdtest::TempDir dir;
    auto build = [] {
        auto movie = std::make_unique<FObjCollection>();
        movie->AddFObj(new FCTSetBackgroundColor(new FColor(1, 2, 3)));
        movie->AddFObj(new FCTShowFrame());
        return movie;
    };
    FSWFStream stream;
    build()->CreateMovie(&stream, 11000, 8000, 12, 6);
    EXPECT_TRUE(build()->CreateMovie(dir.file("m.swf").c_str(), 11000, 8000, 12, 6));
    EXPECT_EQ(mvdtest::ReadFileBytes(dir.file("m.swf")), swftest::StreamBytes(stream));
    EXPECT_FALSE(build()->CreateMovie(dir.file("missing/m.swf").c_str(), 11000, 8000, 12, 6));
    EXPECT_THROW(build()->CreateMovie(&stream, 11000, 8000, 12, 6), std::invalid_argument)
        << "a movie starts an empty stream";
    FSWFStream fresh;
    EXPECT_THROW(build()->CreateMovie(&fresh, 11000, 8000, 256, 6), std::out_of_range);
}

}  // namespace

#include "SWFPost/ArcMergeSWFs.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "SwfPostFiles.h"

using namespace swfpost;
using swftest::Hex;
using swftest::ParseMovie;
using swftest::ToHex;

namespace {

using CodeAndBody = std::pair<uint16_t, Bytes>;

std::vector<CodeAndBody> TagsOf(const swftest::Movie& movie) {
    std::vector<CodeAndBody> tags;
    for (const swftest::Tag& tag : movie.tags) {
        tags.emplace_back(tag.code, tag.body);
    }
    return tags;
}

CodeAndBody Variable(const std::string& name, float value) {
    const Bytes tag = SetVariableTag(name, value);
    return {12, Bytes(tag.begin() + 2, tag.end())};
}

// The movie: 640 x 480 at 15 frames per second, two frames.
const Bytes kMovieTags = Cat({
    Tag(9, {0xC0, 0xC0, 0xC0}),
    Tag(777, {1, 2, 3}),
    ShowFrame(),
    Tag(778, {4, 5}),
    ShowFrame(),
    End(),
});

// The controller: its file attributes, frames and End must not be copied;
// everything else is, from all its frames.
const Bytes kFileAttributes = {0x08, 0, 0, 0};
const Bytes kDefinition = {0x01, 0x00, 0xAA, 0xBB};
const Bytes kPlacement = {0x06, 0x02, 0x00, 0x01, 0x00, 0x00};
const Bytes kScript = Cat({PushString("width"), Bytes{0x1C, 0x26, 0x00}});
const Bytes kControllerTags = Cat({
    Tag(69, kFileAttributes),
    Tag(9, {0x11, 0x22, 0x33}),
    Tag(2, kDefinition),
    Tag(26, kPlacement, true),
    Tag(12, kScript),
    ShowFrame(),
    Tag(43, {'c', 0}),
    ShowFrame(),
    End(),
});

class ArcMergeSWFsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_movie = m_dir.file("movieVidOnly.swf");
        m_controller = m_dir.file("controller.swf");
        m_out = m_dir.file("movie.swf");
        mvdtest::WriteFileBytes(m_movie, Movie(640, 480, kMovieTags, 15 << 8, 2));
        mvdtest::WriteFileBytes(m_controller, Movie(200, 40, kControllerTags));
    }

    bool Merge(int height = 40, bool noStyleWrapper = false) {
        return ArcMergeSWFs(Path(m_controller), Path(m_movie), Path(m_out), height, noStyleWrapper);
    }

    swftest::Movie Output() const { return ParseMovie(mvdtest::ReadFileBytes(m_out)); }

    mvdtest::TempDir m_dir;
    std::string m_movie;
    std::string m_controller;
    std::string m_out;
};

TEST_F(ArcMergeSWFsTest, StageGrowsAndFrameOneGetsVariablesThenControllerTags) {
    ASSERT_TRUE(Merge(40, false));
    const swftest::Movie out = Output();
    EXPECT_EQ(out.version, 8);
    EXPECT_EQ(out.xmax - out.xmin, 640 * 20);
    EXPECT_EQ(out.ymax - out.ymin, 520 * 20);
    EXPECT_EQ(out.frameRate, 15u << 8);
    EXPECT_EQ(out.frameCount, 2u);
    EXPECT_EQ(out.fileLength, mvdtest::ReadFileBytes(m_out).size());

    const std::vector<CodeAndBody> expected = {
        {9, {0xC0, 0xC0, 0xC0}},
        {777, {1, 2, 3}},
        Variable("width", 640.0f),
        Variable("height", 480.0f),
        Variable("fps", 15.0f),
        Variable("styleWrapper", 6.0f),
        {9, {0x11, 0x22, 0x33}},
        {2, kDefinition},
        {26, kPlacement},
        {12, kScript},
        {43, {'c', 0}},
        {1, {}},
        {778, {4, 5}},
        {1, {}},
        {0, {}},
    };
    EXPECT_EQ(TagsOf(out), expected);
}

TEST_F(ArcMergeSWFsTest, VariableScriptBytes) {
    ASSERT_TRUE(Merge(40, true));
    const Bytes out = mvdtest::ReadFileBytes(m_out);
    // Header (29 bytes), then two movie tags in long form (9 + 9 bytes).
    const Bytes width(out.begin() + 29 + 18, out.begin() + 29 + 18 + 22);
    EXPECT_EQ(ToHex(width), "14 03 96 07 00 00 77 69 64 74 68 00 96 05 00 01 00 00 20 44 1D 00");
    const std::vector<CodeAndBody> tags = TagsOf(ParseMovie(out));
    EXPECT_EQ(tags[5], Variable("styleWrapper", 0.0f));
}

TEST_F(ArcMergeSWFsTest, FractionalFrameRateAndOddStage) {
    mvdtest::WriteFileBytes(m_movie,
                            Movie(Stage{-20, 2010, 40, 1050}, kMovieTags, 0x0C80, 2));  // 12.5
    ASSERT_TRUE(Merge(18));
    const std::vector<CodeAndBody> tags = TagsOf(Output());
    EXPECT_EQ(tags[2], Variable("width", 101.5f));
    EXPECT_EQ(tags[3], Variable("height", 50.5f));
    EXPECT_EQ(tags[4], Variable("fps", 12.5f));
}

TEST_F(ArcMergeSWFsTest, MissingControllerLeavesOnlyTheVariables) {
    std::remove(m_controller.c_str());
    ASSERT_TRUE(Merge());
    const std::vector<CodeAndBody> tags = TagsOf(Output());
    ASSERT_EQ(tags.size(), 6u + 4u);
    EXPECT_EQ(tags[5], Variable("styleWrapper", 6.0f));
    EXPECT_EQ(tags[6].first, 1);
    struct stat info;
    EXPECT_NE(stat(m_controller.c_str(), &info), 0) << "the merge created the controller";
}

TEST_F(ArcMergeSWFsTest, DamagedControllerKeepsTheTagsCopiedSoFar) {
    const Bytes whole = Movie(200, 40, kControllerTags);
    // Cut inside the placement tag: the two tags before it stay.
    const size_t cut = whole.size() - kControllerTags.size() + 6 + 5 + 6 + 3;
    mvdtest::WriteFileBytes(m_controller, Bytes(whole.begin(), whole.begin() + cut));
    ASSERT_TRUE(Merge());
    const std::vector<CodeAndBody> tags = TagsOf(Output());
    ASSERT_EQ(tags.size(), 2u + 4u + 2u + 4u);
    EXPECT_EQ(tags[6], CodeAndBody(9, {0x11, 0x22, 0x33}));
    EXPECT_EQ(tags[7], CodeAndBody(2, kDefinition));
    EXPECT_EQ(tags[8].first, 1);
}

TEST_F(ArcMergeSWFsTest, MovieWithoutFramesGetsNothingInjected) {
    mvdtest::WriteFileBytes(m_movie, Movie(640, 480, Cat({Tag(9, {1, 2, 3}), End()})));
    ASSERT_TRUE(Merge());
    const swftest::Movie out = Output();
    EXPECT_EQ(TagsOf(out), (std::vector<CodeAndBody>{{9, {1, 2, 3}}, {0, {}}}));
    EXPECT_EQ(out.ymax, 520 * 20);
}

TEST_F(ArcMergeSWFsTest, MovieFailuresFailTheMerge) {
    EXPECT_FALSE(Merge(-1));
    EXPECT_FALSE(
        ArcMergeSWFs(Path(m_controller), Path(m_dir.file("none.swf")), Path(m_out), 40, false));
    // The stage cannot grow past what the header stores.
    mvdtest::WriteFileBytes(m_movie, Movie(Stage{0, 20, 0, (1 << 30) - 100}, kMovieTags));
    EXPECT_FALSE(Merge(40));
    Bytes compressed = Movie(640, 480, kMovieTags);
    compressed[0] = 'C';
    mvdtest::WriteFileBytes(m_movie, compressed);
    EXPECT_FALSE(Merge());
}

}  // namespace

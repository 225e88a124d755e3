#include "SWFPost/ArcMergeSWFs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "SwfPostFiles.h"

using namespace swfpost;

namespace {

using Tags = std::vector<std::pair<uint16_t, Bytes>>;

Tags TagsOf(const Bytes& file) {
    Tags tags;
    for (const swftest::Tag& tag : swftest::ParseMovie(file).tags) {
        tags.emplace_back(tag.code, tag.body);
    }
    return tags;
}

std::pair<uint16_t, Bytes> Variable(const std::string& name, float value) {
    const Bytes tag = SetVariableTag(name, value);
    return {12, Bytes(tag.begin() + 2, tag.end())};
}

// 640 x 480 at 15 frames per second, two frames.
const Bytes kMovie = Movie(Pixels(640, 480),
                           Cat({Tag(9, {0xC0, 0xC0, 0xC0}), Tag(777, {1, 2, 3}), ShowFrame(),
                                Tag(778, {4, 5}), ShowFrame(), End()}),
                           15 << 8, 2);
// Its file attributes, frames and End are not copied; all else is, from
// every frame.
const Bytes kDefinition = {0x01, 0x00, 0xAA, 0xBB};
const Bytes kPlacement = {0x06, 0x02, 0x00, 0x01, 0x00, 0x00};
const Bytes kScript = Cat({PushString("width"), Bytes{0x1C, 0x26, 0x00}});
const Bytes kControllerTags = Cat({Tag(69, {8, 0, 0, 0}), Tag(9, {0x11, 0x22, 0x33}),
                                   Tag(2, kDefinition), Tag(26, kPlacement, true), Tag(12, kScript),
                                   ShowFrame(), Tag(43, {'c', 0}), ShowFrame(), End()});
const Bytes kController = Movie(Pixels(200, 40), kControllerTags);

class ArcMergeSWFsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mvdtest::WriteFileBytes(m_movie, kMovie);
        mvdtest::WriteFileBytes(m_controller, kController);
    }
    bool Merge(int height = 40, bool noStyleWrapper = false) {
        return ArcMergeSWFs(Path(m_controller), Path(m_movie), Path(m_out), height, noStyleWrapper);
    }
    Bytes Output() const { return mvdtest::ReadFileBytes(m_out); }

    mvdtest::TempDir m_dir;
    std::string m_movie = m_dir.file("movieVidOnly.swf");
    std::string m_controller = m_dir.file("controller.swf");
    std::string m_out = m_dir.file("movie.swf");
};

TEST_F(ArcMergeSWFsTest, StageGrowsAndFrameOneGetsVariablesThenControllerTags) {
    ASSERT_TRUE(Merge(40, false));
    const Bytes out = Output();
    const swftest::Movie movie = swftest::ParseMovie(out);
    EXPECT_EQ(std::tie(movie.version, movie.xmax, movie.ymax, movie.frameRate, movie.frameCount),
              std::make_tuple(8, 640 * 20, 520 * 20, 15u << 8, 2u));
    EXPECT_EQ(movie.fileLength, out.size());
    const Tags expected = {
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
    // The first script's bytes, after the header (29) and two tags (18).
    EXPECT_EQ(swftest::ToHex(Bytes(out.begin() + 47, out.begin() + 69)),
              "14 03 96 07 00 00 77 69 64 74 68 00 96 05 00 01 00 00 20 44 1D 00");
}

TEST_F(ArcMergeSWFsTest, OddStageFractionalRateAndNoStyleWrapper) {
    mvdtest::WriteFileBytes(m_movie, Movie(Stage{-20, 2010, 40, 1050}, Cat({ShowFrame(), End()}),
                                           0x0C80));  // 12.5 frames per second
    ASSERT_TRUE(Merge(18, true));
    const Tags tags = TagsOf(Output());
    EXPECT_EQ(Tags(tags.begin(), tags.begin() + 4),
              (Tags{Variable("width", 101.5f), Variable("height", 50.5f), Variable("fps", 12.5f),
                    Variable("styleWrapper", 0.0f)}));
}

TEST_F(ArcMergeSWFsTest, MissingOrDamagedControllerLosesOnlyItsTags) {
    std::remove(m_controller.c_str());
    ASSERT_TRUE(Merge());
    Tags tags = TagsOf(Output());
    ASSERT_EQ(tags.size(), 10u);
    EXPECT_EQ(tags[6].first, 1);
    struct stat info;
    EXPECT_NE(stat(m_controller.c_str(), &info), 0) << "the merge made a controller file";

    // Cut inside the placement: the two tags before it stay.
    const size_t cut = kController.size() - kControllerTags.size() + 6 + 5 + 6 + 3;
    mvdtest::WriteFileBytes(m_controller, Bytes(kController.begin(), kController.begin() + cut));
    ASSERT_TRUE(Merge());
    tags = TagsOf(Output());
    ASSERT_EQ(tags.size(), 12u);
    EXPECT_EQ(tags[6], std::make_pair(uint16_t{9}, Bytes{0x11, 0x22, 0x33}));
    EXPECT_EQ(tags[7], std::make_pair(uint16_t{2}, kDefinition));
    EXPECT_EQ(tags[8].first, 1);
}

TEST_F(ArcMergeSWFsTest, MovieWithoutFramesGetsNothingAndBadMoviesFail) {
    mvdtest::WriteFileBytes(m_movie, Movie(Pixels(640, 480), Cat({Tag(9, {1, 2, 3}), End()})));
    ASSERT_TRUE(Merge());
    EXPECT_EQ(TagsOf(Output()), (Tags{{9, {1, 2, 3}}, {0, {}}}));

    EXPECT_FALSE(Merge(-1));
    // The stage cannot grow past what the header holds.
    mvdtest::WriteFileBytes(m_movie, Movie(Stage{0, 20, 0, (1 << 30) - 100}, End()));
    EXPECT_FALSE(Merge(40));
    Bytes compressed = kMovie;
    compressed[0] = 'C';
    mvdtest::WriteFileBytes(m_movie, compressed);
    EXPECT_FALSE(Merge());
    std::remove(m_movie.c_str());
    EXPECT_FALSE(Merge());
}

}  // namespace

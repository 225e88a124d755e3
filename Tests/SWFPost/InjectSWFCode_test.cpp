#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "SWFPost/SWFParse.h"
#include "SwfPostFiles.h"

using namespace swfpost;
using SWFParse::ISWFIterator;
using SWFParse::SWFHeader;
using swftest::ParseMovie;
using swftest::ToHex;

namespace {

// Frame N gets the label "fN"; the frame numbers are kept.
void LabelFrame(ISWFIterator& out, int frame, void* frames) {
    static_cast<std::vector<int>*>(frames)->push_back(frame);
    const Bytes label = Tag(43, {'f', static_cast<uint8_t>('0' + frame), 0});
    out.AppendBytes(label.data(), static_cast<int>(label.size()));
}

void ChangeHeader(SWFHeader& header, void*) {
    header.version = 10;
    header.yMin = -100;
    header.yMax += 400;
    header.frameCount = 7;
}

const Bytes kTags = Cat({Tag(9, {0x10, 0x20, 0x30}), ShowFrame(), ShowFrame(),
                         Tag(777, Bytes(70, 0x77)), Tag(20, {1, 2}, true), ShowFrame(), End()});

class InjectSWFCodeTest : public ::testing::Test {
  protected:
    void SetUp() override { mvdtest::WriteFileBytes(m_in, Movie(Pixels(550, 400), kTags)); }
    bool Inject(SWFParse::SWFInjectProc injector = nullptr, void* user = nullptr,
                SWFParse::SWFHeaderProc header = nullptr, const std::string& out = "") {
        return SWFParse::InjectSWFCode(Path(m_in), Path(out.empty() ? m_out : out), injector, user,
                                       header);
    }

    mvdtest::TempDir m_dir;
    std::string m_in = m_dir.file("in.swf");
    std::string m_out = m_dir.file("out.swf");
};

TEST_F(InjectSWFCodeTest, CopiesEveryTagInLongFormWithAWideStageAndTheRightLength) {
    mvdtest::WriteFileBytes(m_out, Bytes(100000, 0xAA));  // its tail must not stay
    ASSERT_TRUE(Inject());
    const Bytes out = mvdtest::ReadFileBytes(m_out);
    const swftest::Movie in = ParseMovie(mvdtest::ReadFileBytes(m_in));
    const swftest::Movie copy = ParseMovie(out);
    EXPECT_EQ(copy.fileLength, out.size());
    EXPECT_EQ(out[8] >> 3, 31) << "stage fields of 31 bits";
    EXPECT_EQ(
        std::tie(copy.version, copy.xmin, copy.xmax, copy.ymin, copy.ymax, copy.frameRate,
                 copy.frameCount),
        std::tie(in.version, in.xmin, in.xmax, in.ymin, in.ymax, in.frameRate, in.frameCount));
    ASSERT_EQ(copy.tags.size(), in.tags.size());
    for (size_t i = 0; i < in.tags.size(); ++i) {
        EXPECT_EQ(std::tie(copy.tags[i].code, copy.tags[i].body, copy.tags[i].headerSize),
                  std::make_tuple(in.tags[i].code, in.tags[i].body, size_t{6}))
            << i;
    }
    // After the 29-byte header: the first tag, then ShowFrame at full width.
    EXPECT_EQ(ToHex(Bytes(out.begin() + 29, out.begin() + 44)),
              "7F 02 03 00 00 00 10 20 30 7F 00 00 00 00 00");
    EXPECT_EQ(ToHex(Bytes(out.end() - 6, out.end())), "3F 00 00 00 00 00");
}

TEST_F(InjectSWFCodeTest, InjectorWritesInFrontOfEachShowFrameUnderTheChangedHeader) {
    std::vector<int> frames;
    ASSERT_TRUE(Inject(LabelFrame, &frames, ChangeHeader));
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3}));
    const Bytes out = mvdtest::ReadFileBytes(m_out);
    const swftest::Movie movie = ParseMovie(out);
    std::vector<std::string> seen;
    for (const swftest::Tag& tag : movie.tags) {
        seen.push_back(tag.code == 43 ? std::string(tag.body.begin(), tag.body.end() - 1)
                                      : std::to_string(tag.code));
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"9", "f1", "1", "f2", "1", "777", "20", "f3", "1", "0"}));
    EXPECT_EQ(movie.fileLength, out.size());
    EXPECT_EQ(std::tie(movie.version, movie.ymin, movie.ymax, movie.frameCount),
              std::make_tuple(10, -100, 8400, 7u));
}

TEST_F(InjectSWFCodeTest, FailuresGiveFalse) {
    EXPECT_FALSE(Inject(nullptr, nullptr, [](SWFHeader& h, void*) { h.xMax = 1 << 30; }));
    EXPECT_FALSE(Inject(nullptr, nullptr, [](SWFHeader& h, void*) { h.signature = 0x435753; }));
    EXPECT_FALSE(Inject([](ISWFIterator&, int, void*) { throw CFileException(); }));
    EXPECT_FALSE(Inject(nullptr, nullptr, nullptr, m_dir.file("no/such/folder.swf")));
    // Writing over the input is refused, however the path is spelt.
    const Bytes whole = mvdtest::ReadFileBytes(m_in);
    EXPECT_FALSE(Inject(nullptr, nullptr, nullptr, m_dir.path() + "/./in.swf"));
    EXPECT_EQ(mvdtest::ReadFileBytes(m_in), whole);

    mvdtest::WriteFileBytes(m_in, Bytes(whole.begin(), whole.end() - 20));
    EXPECT_FALSE(Inject());
    // A compressed input is refused before the output is made.
    std::remove(m_out.c_str());
    Bytes compressed = whole;
    compressed[0] = 'C';
    mvdtest::WriteFileBytes(m_in, compressed);
    EXPECT_FALSE(Inject());
    struct stat info;
    EXPECT_NE(stat(m_out.c_str(), &info), 0);
    std::remove(m_in.c_str());
    EXPECT_FALSE(Inject());
}

}  // namespace

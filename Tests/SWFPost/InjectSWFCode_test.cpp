#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "SWFPost/SWFParse.h"
#include "SwfPostFiles.h"

using namespace swfpost;
using SWFParse::ISWFIterator;
using SWFParse::SWFHeader;
using swftest::Hex;
using swftest::ParseMovie;
using swftest::ToHex;

namespace {

// Frame N gets the label "fN"; the frames seen are kept.
void LabelFrame(ISWFIterator& out, int frame, void* user) {
    static_cast<std::vector<int>*>(user)->push_back(frame);
    const Bytes label = Tag(43, {'f', static_cast<uint8_t>('0' + frame), 0});
    out.AppendBytes(label.data(), static_cast<int>(label.size()));
}

void FailingInjector(ISWFIterator&, int, void*) {
    throw CFileException();
}

const Bytes kThreeFrames = Cat({
    Tag(9, {0x10, 0x20, 0x30}),
    ShowFrame(),
    ShowFrame(),
    Tag(777, Bytes(70, 0x77)),
    Tag(20, {1, 2}, true),
    ShowFrame(),
    End(),
});

class InjectSWFCodeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_in = m_dir.file("in.swf");
        m_out = m_dir.file("out.swf");
        mvdtest::WriteFileBytes(m_in, Movie(550, 400, kThreeFrames, 12 << 8, 3));
    }

    bool Inject(SWFParse::SWFInjectProc injector = nullptr, void* user = nullptr,
                SWFParse::SWFHeaderProc header = nullptr) {
        return SWFParse::InjectSWFCode(Path(m_in), Path(m_out), injector, user, header);
    }

    Bytes Output() const { return mvdtest::ReadFileBytes(m_out); }

    mvdtest::TempDir m_dir;
    std::string m_in;
    std::string m_out;
};

TEST_F(InjectSWFCodeTest, CopiesEveryTagInLongFormWithAWideStageAndTheRightLength) {
    // An output left from before, longer than the result, must not leave
    // its tail behind.
    mvdtest::WriteFileBytes(m_out, Bytes(100000, 0xAA));
    ASSERT_TRUE(Inject());

    const Bytes out = Output();
    const swftest::Movie in = ParseMovie(mvdtest::ReadFileBytes(m_in));
    const swftest::Movie copy = ParseMovie(out);
    EXPECT_EQ(copy.fileLength, out.size());
    EXPECT_EQ(out[8] >> 3, 31) << "stage fields of 31 bits";
    EXPECT_EQ(copy.version, in.version);
    EXPECT_EQ(std::tie(copy.xmin, copy.xmax, copy.ymin, copy.ymax),
              std::tie(in.xmin, in.xmax, in.ymin, in.ymax));
    EXPECT_EQ(copy.frameRate, in.frameRate);
    EXPECT_EQ(copy.frameCount, in.frameCount);
    ASSERT_EQ(copy.tags.size(), in.tags.size());
    for (size_t i = 0; i < in.tags.size(); ++i) {
        EXPECT_EQ(copy.tags[i].code, in.tags[i].code) << i;
        EXPECT_EQ(copy.tags[i].body, in.tags[i].body) << i;
        EXPECT_EQ(copy.tags[i].headerSize, 6u) << i;
    }
    // Header 8 + 17 + 4 bytes, then SetBackgroundColor; ShowFrame and End at
    // their full width.
    EXPECT_EQ(ToHex(Bytes(out.begin() + 29, out.begin() + 29 + 9 + 6)),
              "7F 02 03 00 00 00 10 20 30 7F 00 00 00 00 00");
    EXPECT_EQ(ToHex(Bytes(out.end() - 6, out.end())), "3F 00 00 00 00 00");
}

TEST_F(InjectSWFCodeTest, InjectorWritesInFrontOfEachShowFrame) {
    std::vector<int> frames;
    ASSERT_TRUE(Inject(LabelFrame, &frames));
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3}));

    const swftest::Movie movie = ParseMovie(Output());
    std::vector<std::string> seen;
    for (const swftest::Tag& tag : movie.tags) {
        seen.push_back(tag.code == 43 ? std::string(tag.body.begin(), tag.body.end() - 1)
                                      : std::to_string(tag.code));
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"9", "f1", "1", "f2", "1", "777", "20", "f3", "1", "0"}));
    EXPECT_EQ(movie.fileLength, Output().size());
}

void ChangeHeader(SWFHeader& header, void* user) {
    *static_cast<SWFHeader*>(user) = header;
    header.version = 10;
    header.yMin = -100;
    header.yMax += 400;
    header.frameRate = 30 << 8;
    header.frameCount = 7;
}

TEST_F(InjectSWFCodeTest, HeaderCallbackSeesTheInputAndChangesTheOutput) {
    SWFHeader seen;
    ASSERT_TRUE(SWFParse::InjectSWFCode(Path(m_in), Path(m_out), nullptr, &seen, ChangeHeader));
    EXPECT_EQ(seen.signature, SWFParse::kSWFSignature);
    EXPECT_EQ(seen.version, 6);
    EXPECT_EQ(seen.xMax, 11000);
    EXPECT_EQ(seen.yMax, 8000);
    EXPECT_EQ(seen.frameRate, 12 << 8);
    EXPECT_EQ(seen.frameCount, 3);

    const swftest::Movie movie = ParseMovie(Output());
    EXPECT_EQ(movie.version, 10);
    EXPECT_EQ(movie.ymin, -100);
    EXPECT_EQ(movie.ymax, 8400);
    EXPECT_EQ(movie.frameRate, 30u << 8);
    EXPECT_EQ(movie.frameCount, 7u);
    const CSize size = SWFParse::GetSWFDimensions(Path(m_out), 0);
    EXPECT_EQ(size.cx, 550);
    EXPECT_EQ(size.cy, 425);
}

void StageTooLarge(SWFHeader& header, void*) {
    header.xMax = 1 << 30;
}
void Compressed(SWFHeader& header, void*) {
    header.signature = 0x435753;
}

TEST_F(InjectSWFCodeTest, FailuresGiveFalse) {
    EXPECT_FALSE(SWFParse::InjectSWFCode(Path(m_in), Path(m_out), nullptr, nullptr, StageTooLarge));
    EXPECT_FALSE(SWFParse::InjectSWFCode(Path(m_in), Path(m_out), nullptr, nullptr, Compressed));
    EXPECT_FALSE(Inject(FailingInjector));
    EXPECT_FALSE(SWFParse::InjectSWFCode(Path(m_in), Path(m_dir.file("no/such/folder.swf")),
                                         nullptr, nullptr, nullptr));
    EXPECT_FALSE(SWFParse::InjectSWFCode(Path(m_dir.file("missing.swf")), Path(m_out), nullptr,
                                         nullptr, nullptr));

    // Truncated input: the walk fails midway.
    const Bytes whole = mvdtest::ReadFileBytes(m_in);
    mvdtest::WriteFileBytes(m_in, Bytes(whole.begin(), whole.end() - 20));
    EXPECT_FALSE(Inject());

    // A compressed input is refused before anything is created.
    std::remove(m_out.c_str());
    Bytes compressed = whole;
    compressed[0] = 'C';
    mvdtest::WriteFileBytes(m_in, compressed);
    EXPECT_FALSE(Inject());
    struct stat info;
    EXPECT_NE(stat(m_out.c_str(), &info), 0);
}

TEST_F(InjectSWFCodeTest, RefusesToWriteOverItsInput) {
    const Bytes before = mvdtest::ReadFileBytes(m_in);
    const std::string sameFile = m_dir.path() + "/./in.swf";
    EXPECT_FALSE(SWFParse::InjectSWFCode(Path(m_in), Path(sameFile), nullptr, nullptr, nullptr));
    EXPECT_EQ(mvdtest::ReadFileBytes(m_in), before);
}

}  // namespace

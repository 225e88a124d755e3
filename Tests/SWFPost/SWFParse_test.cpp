#include "SWFPost/SWFParse.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "SwfPostFiles.h"

using namespace swfpost;
using SWFParse::ISWFIterator;

namespace {

// (code, length, first body byte or -1) of each tag or action seen.
using Seen = std::vector<std::array<int, 3>>;
struct Walk {
    Seen tags;
    Seen actions;
};

void Look(Seen& seen, ISWFIterator& it, int code, int length) {
    seen.push_back({code, length, length > 0 ? it.ReadByte() : -1});
    it.SetPos(0);  // the walk must not depend on where a callback leaves the cursor
}
void RecordTag(ISWFIterator& it, int code, int length, unsigned long long walk) {
    Look(reinterpret_cast<Walk*>(walk)->tags, it, code, length);
}
void RecordAction(ISWFIterator& it, int code, int length, unsigned long long walk) {
    Look(reinterpret_cast<Walk*>(walk)->actions, it, code, length);
}

const Bytes kScript = Cat({Bytes{0x07}, PushString("ab"), Bytes{0x00}});
const Bytes kTags = Cat({
    Tag(777, Bytes(62, 0x62)),  // longest short form
    Tag(778, Bytes(63, 0x63)),  // shortest long form
    Tag(20, {5, 4}, true),      // long form, short body
    Tag(12, kScript),
    ShowFrame(),
    End(),
});

class SWFParseTest : public ::testing::Test {
  protected:
    CString Write(const Bytes& bytes) {
        mvdtest::WriteFileBytes(m_dir.file("in.swf"), bytes);
        return Path(m_dir.file("in.swf"));
    }
    bool Parse(const Bytes& bytes, SWFParse::SWFTagProc tag, SWFParse::SWFTagProc action) {
        m_walk = Walk();
        return SWFParse::ParseSWF(Write(bytes), 0, tag, action,
                                  reinterpret_cast<unsigned long long>(&m_walk));
    }

    mvdtest::TempDir m_dir;
    Walk m_walk;
};

TEST_F(SWFParseTest, WalksTagsInBothHeaderFormsAndActionsOnlyWhenAsked) {
    const Bytes movie = Movie(Pixels(550, 400), kTags);
    const Seen tags = {{777, 62, 0x62}, {778, 63, 0x63}, {20, 2, 5},
                       {12, 9, 7},      {1, 0, -1},      {0, 0, -1}};
    const Seen actions = {{0x07, 0, -1}, {0x96, 4, 0x00}, {0x00, 0, -1}};
    ASSERT_TRUE(Parse(movie, RecordTag, RecordAction));
    EXPECT_EQ(m_walk.tags, tags);
    EXPECT_EQ(m_walk.actions, actions);
    ASSERT_TRUE(Parse(movie, RecordTag, nullptr));
    EXPECT_EQ(m_walk.tags, tags);
    EXPECT_TRUE(m_walk.actions.empty());
    ASSERT_TRUE(Parse(movie, nullptr, RecordAction));
    EXPECT_EQ(m_walk.actions, actions);
    // A script without ActionEnd ends with its tag.
    ASSERT_TRUE(
        Parse(Movie(Pixels(1, 1), Cat({Tag(12, {0x06, 0x07}), End()})), nullptr, RecordAction));
    EXPECT_EQ(m_walk.actions, (Seen{{6, 0, -1}, {7, 0, -1}}));
}

TEST_F(SWFParseTest, DamagedFilesGiveFalseAndCallbacksSeeOnlyWhatFits) {
    const auto parse = [&](const Bytes& bytes) {
        const bool parsed = Parse(bytes, RecordTag, RecordAction);
        for (const Seen* seen : {&m_walk.tags, &m_walk.actions}) {
            for (const auto& s : *seen) {
                EXPECT_TRUE(s[1] >= 0 && static_cast<size_t>(s[1]) < bytes.size()) << s[1];
            }
        }
        return parsed;
    };
    const Bytes good = Movie(Pixels(550, 400), kTags);
    ASSERT_TRUE(parse(good));
    for (size_t size = 0; size < good.size(); ++size) {
        EXPECT_FALSE(parse(Bytes(good.begin(), good.begin() + size))) << "cut to " << size;
    }
    const Bytes damaged[] = {
        Bytes{0x45, 0x02, 0xFF},  // short length past the end
        Cat({Tag(9, {1}, true), Bytes{0x7F, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}}),  // long
        Cat({Tag(12, {0x96, 0x09, 0x00, 0x00}), End()}),  // action data past its tag
        Cat({Tag(12, {0x07, 0x96, 0x09}), End()}),        // action length cut by its tag
    };
    for (const Bytes& tags : damaged) {
        EXPECT_FALSE(parse(Movie(Pixels(1, 1), tags))) << swftest::ToHex(tags);
    }
    Bytes compressed = good;
    compressed[0] = 'C';
    EXPECT_FALSE(parse(compressed));
    EXPECT_FALSE(SWFParse::ParseSWF(Path(m_dir.path()), 0, nullptr, nullptr, 0));
    // Reading a missing file does not create it.
    const std::string missing = m_dir.file("missing.swf");
    EXPECT_FALSE(SWFParse::ParseSWF(Path(missing), 1, nullptr, nullptr, 0));
    struct stat info;
    EXPECT_NE(stat(missing.c_str(), &info), 0);
}

void PaintWhite(ISWFIterator& it, int code, int, unsigned long long) {
    const unsigned char white[3] = {0xFF, 0xFF, 0xFF};
    if (code == 9) {
        it.WriteBytes(it.GetPos(), white, 3);
    }
}

TEST_F(SWFParseTest, WritableWalkChangesBytesInPlace) {
    const CString path = Write(Movie(Pixels(1, 1), Cat({Tag(9, {1, 2, 3}), End()})));
    ASSERT_TRUE(SWFParse::ParseSWF(path, 1, PaintWhite, nullptr, 0));
    EXPECT_EQ(mvdtest::ReadFileBytes(m_dir.file("in.swf")),
              Movie(Pixels(1, 1), Cat({Tag(9, {0xFF, 0xFF, 0xFF}), End()})));
}

TEST_F(SWFParseTest, Dimensions) {
    const auto size = [&](const Bytes& bytes) {
        const CSize s = SWFParse::GetSWFDimensions(Write(bytes), 0);
        return std::make_pair(s.cx, s.cy);
    };
    EXPECT_EQ(size(Movie(Pixels(550, 400), kTags)), std::make_pair(550, 400));
    EXPECT_EQ(size(Movie(Stage{-200, 1019, 100, 139}, kTags)), std::make_pair(60, 1));
    Bytes compressed = Movie(Pixels(550, 400), kTags);
    compressed[0] = 'C';
    EXPECT_EQ(size(compressed), std::make_pair(0, 0));
    EXPECT_EQ(size(swftest::Hex("46 57 53 06 00 00")), std::make_pair(0, 0));
}

}  // namespace

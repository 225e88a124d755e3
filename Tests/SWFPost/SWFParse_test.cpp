#include "SWFPost/SWFParse.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <tuple>
#include <vector>

#include "SwfPostFiles.h"

using namespace swfpost;
using SWFParse::CFileSource;
using SWFParse::ISWFIterator;
using swftest::Hex;
using swftest::ToHex;

namespace {

struct Seen {
    int code;
    int length;
    int firstByte;  // first body byte, -1 for an empty body
};

struct Walk {
    std::vector<Seen> tags;
    std::vector<Seen> actions;
};

Seen Look(ISWFIterator& it, int code, int length) {
    const int first = length > 0 ? it.ReadByte() : -1;
    // Move somewhere unrelated: the walk must not depend on where we leave it.
    it.SetPos(0);
    return Seen{code, length, first};
}

void RecordTag(ISWFIterator& it, int code, int length, unsigned long long user) {
    reinterpret_cast<Walk*>(user)->tags.push_back(Look(it, code, length));
}

void RecordAction(ISWFIterator& it, int code, int length, unsigned long long user) {
    reinterpret_cast<Walk*>(user)->actions.push_back(Look(it, code, length));
}

bool operator==(const Seen& a, const Seen& b) {
    return std::tie(a.code, a.length, a.firstByte) == std::tie(b.code, b.length, b.firstByte);
}

void PrintTo(const Seen& s, std::ostream* os) {
    *os << "{" << s.code << ", " << s.length << ", " << s.firstByte << "}";
}

Bytes Filled(size_t size, uint8_t first) {
    Bytes body(size, 0xEE);
    body[0] = first;
    return body;
}

// A DoAction body: Stop, a Push with data, ActionEnd.
const Bytes kScript = Cat({Bytes{0x07}, PushString("ab"), Bytes{0x00}});

const Bytes kTags = Cat({
    Tag(777, Filled(62, 0x62)),      // longest short form
    Tag(778, Filled(63, 0x63)),      // shortest long form
    Tag(20, Filled(5, 0x05), true),  // long form with a short body
    Tag(12, kScript),                // DoAction
    ShowFrame(),
    End(),
});

class SWFParseTest : public ::testing::Test {
  protected:
    std::string Write(const Bytes& bytes, const std::string& name = "in.swf") {
        const std::string path = m_dir.file(name);
        mvdtest::WriteFileBytes(path, bytes);
        return path;
    }

    mvdtest::TempDir m_dir;
};

TEST_F(SWFParseTest, BitFieldsAndNumbersRoundTrip) {
    const std::string path = m_dir.file("bits");
    {
        CFileSource out;
        ASSERT_TRUE(out.Create(Path(path)));
        out.WriteBits(5, 3);
        out.WriteBits(0x1FF, 9);
        out.WriteBits(0, 0);
        out.WriteUI16(0x1234);   // the pending four bits become a byte first
        out.WriteBits(0xAB, 8);  // a whole byte goes out at once
        out.WriteBits(1, 1);     // left pending: closing writes it
    }
    EXPECT_EQ(ToHex(mvdtest::ReadFileBytes(path)), "BF F0 34 12 AB 80");

    CFileSource in;
    ASSERT_TRUE(in.OpenExisting(Path(path), false));
    EXPECT_EQ(in.ReadBits(3), 5u);
    EXPECT_EQ(in.ReadSignedBits(9), -1);
    EXPECT_EQ(in.ReadSignedBits(0), 0);
    EXPECT_EQ(in.ReadUI16(), 0x1234u);  // the rest of the partial byte is dropped
    EXPECT_EQ(in.ReadSignedBits(8), static_cast<int>(0xFFFFFFAB));
    EXPECT_EQ(in.ReadBits(1), 1u);
    EXPECT_EQ(in.ReadBits(7), 0u);
    EXPECT_THROW(in.ReadByte(), CFileException);
    EXPECT_THROW(in.SetPos(7), CFileException);
    EXPECT_THROW(in.Advance(-100), CFileException);
    unsigned char buffer[4];
    EXPECT_THROW(in.ReadBytes(4, buffer, 4), CFileException);
}

TEST_F(SWFParseTest, HeaderRoundTripsWithWideStageFields) {
    SWFParse::SWFHeader header;
    header.signature = SWFParse::kSWFSignature;
    header.version = 9;
    header.fileLength = 0x01020304;
    header.xMin = -(1 << 30);
    header.xMax = (1 << 30) - 1;
    header.yMin = -1;
    header.yMax = 8000;
    header.frameRate = 0x0C80;
    header.frameCount = 65535;
    const std::string path = m_dir.file("header");
    {
        CFileSource out;
        ASSERT_TRUE(out.Create(Path(path)));
        SWFParse::WriteSWFHeader(out, header);
        header.xMax = 1 << 30;  // needs 32 bits
        EXPECT_THROW(SWFParse::WriteSWFHeader(out, header), CFileException);
        header.xMax = (1 << 30) - 1;
    }
    const Bytes bytes = mvdtest::ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 8u + 17u + 4u);  // 5 + 4 x 31 bits = 17 bytes
    CFileSource in;
    ASSERT_TRUE(in.OpenExisting(Path(path), false));
    const SWFParse::SWFHeader read = SWFParse::ReadSWFHeader(in);
    EXPECT_EQ(read.signature, header.signature);
    EXPECT_EQ(read.version, header.version);
    EXPECT_EQ(read.fileLength, header.fileLength);
    EXPECT_EQ(std::tie(read.xMin, read.xMax, read.yMin, read.yMax),
              std::tie(header.xMin, header.xMax, header.yMin, header.yMax));
    EXPECT_EQ(read.frameRate, header.frameRate);
    EXPECT_EQ(read.frameCount, header.frameCount);
}

TEST_F(SWFParseTest, WalksTagsInBothHeaderFormsAndActionsOnlyWhenAsked) {
    const std::string path = Write(Movie(550, 400, kTags));
    const std::vector<Seen> tags = {{777, 62, 0x62}, {778, 63, 0x63}, {20, 5, 0x05},
                                    {12, 9, 0x07},   {1, 0, -1},      {0, 0, -1}};

    Walk withActions;
    ASSERT_TRUE(SWFParse::ParseSWF(Path(path), 0, RecordTag, RecordAction,
                                   reinterpret_cast<unsigned long long>(&withActions)));
    EXPECT_EQ(withActions.tags, tags);
    const std::vector<Seen> actions = {{0x07, 0, -1}, {0x96, 4, 0x00}, {0x00, 0, -1}};
    EXPECT_EQ(withActions.actions, actions);

    Walk tagsOnly;
    ASSERT_TRUE(SWFParse::ParseSWF(Path(path), 0, RecordTag, nullptr,
                                   reinterpret_cast<unsigned long long>(&tagsOnly)));
    EXPECT_EQ(tagsOnly.tags, tags);
    EXPECT_TRUE(tagsOnly.actions.empty());

    Walk actionsOnly;
    ASSERT_TRUE(SWFParse::ParseSWF(Path(path), 0, nullptr, RecordAction,
                                   reinterpret_cast<unsigned long long>(&actionsOnly)));
    EXPECT_EQ(actionsOnly.actions, actions);
}

TEST_F(SWFParseTest, ActionsStopAtTheEndOfTheirTag) {
    // No ActionEnd: the walk ends with the tag, the next tag is still read.
    const Bytes noEnd = Cat({Tag(12, Bytes{0x06, 0x07}), ShowFrame(), End()});
    Walk walk;
    ASSERT_TRUE(SWFParse::ParseSWF(Path(Write(Movie(10, 10, noEnd))), 0, RecordTag, RecordAction,
                                   reinterpret_cast<unsigned long long>(&walk)));
    EXPECT_EQ(walk.actions.size(), 2u);
    EXPECT_EQ(walk.tags.size(), 3u);
}

TEST_F(SWFParseTest, DamagedFilesGiveFalse) {
    const Bytes good = Movie(550, 400, kTags);
    Walk walk;
    // Callbacks never see a tag or action that does not fit in the file.
    const auto parse = [&](const Bytes& bytes) {
        walk = Walk();
        const bool parsed = SWFParse::ParseSWF(Path(Write(bytes)), 0, RecordTag, RecordAction,
                                               reinterpret_cast<unsigned long long>(&walk));
        for (const std::vector<Seen>* seen : {&walk.tags, &walk.actions}) {
            for (const Seen& s : *seen) {
                EXPECT_TRUE(s.length >= 0 && static_cast<size_t>(s.length) < bytes.size())
                    << s.code << " " << s.length;
            }
        }
        return parsed;
    };
    ASSERT_TRUE(parse(good));
    for (size_t size = 0; size < good.size(); ++size) {
        EXPECT_FALSE(parse(Bytes(good.begin(), good.begin() + size))) << "cut to " << size;
    }

    const struct {
        const char* what;
        Bytes tags;
    } damaged[] = {
        {"short length past the end", Cat({Bytes{0x45, 0x02}, Bytes{0xFF}})},
        {"long length past the end",
         Cat({Tag(9, {1, 2, 3}, true), Bytes{0x7F, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}})},
        {"action data past its tag", Cat({Tag(12, Bytes{0x96, 0x09, 0x00, 0x00}), End()})},
        {"action length cut by its tag", Cat({Tag(12, Bytes{0x07, 0x96, 0x09}), End()})},
        {"no End tag", Cat({ShowFrame(), ShowFrame()})},
    };
    for (const auto& d : damaged) {
        EXPECT_FALSE(parse(Movie(10, 10, d.tags))) << d.what;
    }

    Bytes compressed = good;
    compressed[0] = 'C';
    EXPECT_FALSE(parse(compressed));
    EXPECT_FALSE(SWFParse::ParseSWF(Path(m_dir.path()), 0, nullptr, nullptr, 0));  // a folder

    // A missing file is not created by reading it.
    const std::string missing = m_dir.file("missing.swf");
    EXPECT_FALSE(SWFParse::ParseSWF(Path(missing), 1, nullptr, nullptr, 0));
    struct stat info;
    EXPECT_NE(stat(missing.c_str(), &info), 0);
}

void PaintBackgroundWhite(ISWFIterator& it, int code, int length, unsigned long long) {
    if (code == 9 && length == 3) {
        const unsigned char white[3] = {0xFF, 0xFF, 0xFF};
        it.WriteBytes(it.GetPos(), white, 3);
    }
}

TEST_F(SWFParseTest, WritableWalkChangesBytesInPlace) {
    const Bytes tags = Cat({Tag(9, {1, 2, 3}), ShowFrame(), End()});
    const std::string path = Write(Movie(10, 10, tags));
    ASSERT_TRUE(SWFParse::ParseSWF(Path(path), 1, PaintBackgroundWhite, nullptr, 0));
    EXPECT_EQ(mvdtest::ReadFileBytes(path),
              Movie(10, 10, Cat({Tag(9, {0xFF, 0xFF, 0xFF}), ShowFrame(), End()})));
}

TEST_F(SWFParseTest, Dimensions) {
    EXPECT_EQ(SWFParse::GetSWFDimensions(Path(Write(Movie(550, 400, kTags))), 0).cx, 550);
    EXPECT_EQ(SWFParse::GetSWFDimensions(Path(Write(Movie(550, 400, kTags))), 0).cy, 400);
    // Offset stage, sizes that are not whole pixels: truncated.
    const CSize offset =
        SWFParse::GetSWFDimensions(Path(Write(Movie(Stage{-200, 1019, 100, 139}, kTags))), 0);
    EXPECT_EQ(offset.cx, 60);
    EXPECT_EQ(offset.cy, 1);

    Bytes compressed = Movie(550, 400, kTags);
    compressed[0] = 'C';
    const CSize refused = SWFParse::GetSWFDimensions(Path(Write(compressed)), 0);
    EXPECT_EQ(refused.cx, 0);
    EXPECT_EQ(refused.cy, 0);
    const CSize missing = SWFParse::GetSWFDimensions(Path(m_dir.file("none.swf")), 0);
    EXPECT_EQ(missing.cx, 0);
    const CSize cut = SWFParse::GetSWFDimensions(Path(Write(Hex("46 57 53 06 00 00"))), 0);
    EXPECT_EQ(cut.cx, 0);
}

}  // namespace

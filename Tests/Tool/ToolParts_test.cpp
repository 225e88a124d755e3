// The tool's shared parts: argument parsing, frame lists, error lines, file
// kinds, the SWF walk, movie sound and the demo canvas's clip.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>

#include "ArgParser.h"
#include "DemoCanvas.h"
#include "DemoScene.h"
#include "FileKind.h"
#include "FrameList.h"
#include "Inspectors.h"
#include "MovieSound.h"
#include "Portability/CFile.h"
#include "SWF/HFMovie.h"
#include "SWF/HFShape.h"
#include "Support/SampleMovie.h"
#include "Support/TempDir.h"
#include "ToolError.h"

namespace mvd {
namespace {

ArgParser Parser() {
    ArgParser parser("mvd test", "A test command.");
    parser.positional("IN", "input")
        .positional("OUT", "output", true)
        .option("--count", "N", "a count", "3")
        .option("--ratio", "R", "a ratio")
        .flag("--loud", "a flag");
    return parser;
}

TEST(ArgParserTest, OptionsFlagsAndPositionals) {
    ArgParser parser = Parser();
    ASSERT_TRUE(parser.parse({"--count=7", "a", "--loud", "--ratio", "0.5", "--", "-b"}));
    EXPECT_EQ(parser.argument("IN"), "a");
    EXPECT_EQ(parser.argument("OUT"), "-b") << "after --, dashes are arguments";
    EXPECT_EQ(parser.number("--count", 1, 10), 7u);
    EXPECT_EQ(parser.decimal("--ratio", 0, 1), 0.5);
    EXPECT_TRUE(parser.given("--loud"));

    ArgParser defaults = Parser();
    ASSERT_TRUE(defaults.parse({"x"}));
    EXPECT_EQ(defaults.number("--count", 1, 10), 3u) << "the default";
    EXPECT_EQ(defaults.decimal("--ratio", 0, 1), std::nullopt);
    EXPECT_EQ(defaults.argument("OUT"), "");
    EXPECT_FALSE(defaults.given("--loud"));

    testing::internal::CaptureStdout();
    EXPECT_FALSE(defaults.parse({"a", "-h"})) << "help stops the command";
    const std::string help = testing::internal::GetCapturedStdout();
    EXPECT_EQ(help.rfind("usage: mvd test [options] IN [OUT]\n", 0), 0u) << help;
    EXPECT_NE(help.find("--count N"), std::string::npos);
    EXPECT_NE(help.find("(default 3)"), std::string::npos);
}

TEST(ArgParserTest, RefusesWhatItCannotRead) {
    const std::vector<std::vector<std::string>> bad = {
        {},                   // IN missing
        {"a", "b", "c"},      // one too many
        {"a", "--nope"},      // unknown option
        {"a", "--count"},     // value missing
        {"a", "--loud=yes"},  // a flag with a value
    };
    for (const auto& args : bad) {
        ArgParser parser = Parser();
        EXPECT_THROW(parser.parse(args), UsageError) << args.size();
    }
    for (const char* count : {"0", "11", "-1", "3x", "", "99999999999999999999999"}) {
        ArgParser parser = Parser();
        ASSERT_TRUE(parser.parse({"a", std::string("--count=") + count}));
        if (*count == '\0') {
            EXPECT_EQ(parser.number("--count", 1, 10), std::nullopt);
        } else {
            EXPECT_THROW(parser.number("--count", 1, 10), UsageError) << count;
        }
    }
    ArgParser ratio = Parser();
    ASSERT_TRUE(ratio.parse({"a", "--ratio", "nan"}));
    EXPECT_THROW(ratio.decimal("--ratio", 0, 1), UsageError);
}

TEST(FrameListTest, NumbersRangesAndOpenEnds) {
    const FrameList list = FrameList::Parse("0,5-7,20-");
    for (uint64_t f : {0, 5, 6, 7, 20, 1000}) {
        EXPECT_TRUE(list.contains(f)) << f;
    }
    for (uint64_t f : {1, 4, 8, 19}) {
        EXPECT_FALSE(list.contains(f)) << f;
    }
    EXPECT_EQ(list.last(), std::nullopt);
    EXPECT_EQ(list.firstMissing(21), std::nullopt) << "an open range needs only its first frame";
    EXPECT_EQ(list.firstMissing(10), 20u);
    EXPECT_EQ(list.firstMissing(6), 6u);

    const FrameList closed = FrameList::Parse("3,9-12");
    EXPECT_EQ(closed.last(), 12u);
    EXPECT_EQ(closed.firstMissing(11), 11u);
    EXPECT_TRUE(FrameList::Parse("all").contains(123456));
    for (const char* bad : {"", "a", "5-3", "1,,2", "-3", "1-2-3", "2 ", "18446744073709551616"}) {
        EXPECT_THROW(FrameList::Parse(bad), UsageError) << bad;
    }
}

std::string Describe(const std::function<void()>& thrower) {
    try {
        thrower();
    } catch (...) {
        return DescribeCurrentException();
    }
    return "nothing thrown";
}

TEST(ToolErrorTest, EveryExceptionBecomesOneLine) {
    EXPECT_EQ(Describe([] { throw 1; }), "damaged compressed data (zlib stream error 1)");
    EXPECT_EQ(Describe([] { throw std::runtime_error("Should've gotten an MVRC\n"); }),
              "Should've gotten an MVRC");
    EXPECT_EQ(Describe([] { throw std::runtime_error("Error 5\nin writeSample\n"); }),
              "Error 5; in writeSample");
    EXPECT_EQ(Describe([] { throw std::runtime_error(""); }), "failed without a message");
    EXPECT_EQ(Describe([] { throw std::bad_alloc(); }), "out of memory");
    EXPECT_EQ(Describe([] { throw CFileException(); }), "a file could not be read or written");
    struct Odd {};
    EXPECT_EQ(Describe([] { throw Odd(); }), "failed with an error of an unknown kind");

    // The innermost subject an exception leaves is the one named.
    try {
        ErrorContext outer("outer.mov");
        ErrorContext inner("inner.mvrc");
        throw ToolError("bad");
    } catch (const ToolError&) {
        EXPECT_EQ(ErrorContext::takeFailedSubject(), "inner.mvrc");
    }
    EXPECT_EQ(ErrorContext::takeFailedSubject(), "") << "taken once";
    { ErrorContext quiet("fine.swf"); }
    EXPECT_EQ(ErrorContext::takeFailedSubject(), "") << "no exception, no subject";
}

TEST(FileKindTest, ToldByTheFirstBytes) {
    mvdtest::TempDir dir;
    const std::vector<std::pair<std::vector<unsigned char>, FileKind>> kinds = {
        {{'M', 'V', 'R', 'C', 0, 1}, FileKind::capture},
        {{'R', 'C', 'V', 'R'}, FileKind::recovery},
        {{'F', 'W', 'S', 8}, FileKind::swf},
        {{'C', 'W', 'S', 8}, FileKind::swf},
        {{0, 0, 0, 20, 'f', 't', 'y', 'p'}, FileKind::movie},
        {{0, 0, 0, 8, 'w', 'i', 'd', 'e'}, FileKind::movie},
        {{0, 0, 0, 0, 'm', 'd', 'a', 't'}, FileKind::movie},
    };
    for (const auto& [bytes, kind] : kinds) {
        mvdtest::WriteFileBytes(dir.file("f"), bytes);
        EXPECT_EQ(DetectFileKind(dir.file("f")), kind) << FileKindName(kind);
    }
    for (const std::vector<unsigned char>& bytes : std::vector<std::vector<unsigned char>>{
             {'M', 'V', 'R', 'C', 1}, {0, 0, 0, 8, 'm', 'd'}, {'F', 'W'}, {}}) {
        mvdtest::WriteFileBytes(dir.file("f"), bytes);
        EXPECT_THROW(DetectFileKind(dir.file("f")), ToolError) << bytes.size();
    }
}

// The same movie in a zlib-compressed (CWS) file.
std::vector<unsigned char> Compressed(const std::vector<unsigned char>& fws) {
    std::vector<unsigned char> out(fws.begin(), fws.begin() + 8);
    out[0] = 'C';
    uLongf size = compressBound(fws.size() - 8);
    std::vector<unsigned char> body(size);
    EXPECT_EQ(compress(body.data(), &size, fws.data() + 8, fws.size() - 8), Z_OK);
    out.insert(out.end(), body.begin(), body.begin() + long(size));
    return out;
}

TEST(SwfInspectTest, CompressedFilesAndDamagedTags) {
    mvdtest::TempDir dir;
    const std::string path = dir.file("plain.swf");
    {
        HFMovie movie;
        HFRectangle a(0, 0, 200, 200);
        movie.Frame(1)->AddObject(&a);
        ASSERT_TRUE(movie.WriteMovie(path.c_str()));
    }
    const std::vector<unsigned char> fws = mvdtest::ReadFileBytes(path);
    mvdtest::WriteFileBytes(dir.file("packed.swf"), Compressed(fws));
    std::ostringstream plain, packed;
    DescribeSwf(path, {}, plain);
    DescribeSwf(dir.file("packed.swf"), {}, packed);
    const std::string tags = plain.str().substr(plain.str().find("  tags"));
    EXPECT_EQ(packed.str().substr(packed.str().find("  tags")), tags);
    EXPECT_NE(packed.str().find("zlib-compressed (CWS)"), std::string::npos);
    EXPECT_EQ(SummarizeSwf(dir.file("packed.swf")).frames, 2u);

    std::vector<unsigned char> cut = Compressed(fws);
    cut.resize(cut.size() - 6);
    mvdtest::WriteFileBytes(dir.file("cut.swf"), cut);
    EXPECT_THROW(SummarizeSwf(dir.file("cut.swf")), ToolError);
    // A tag whose length runs past the end, and a file with no End tag.
    std::vector<unsigned char> overlong = fws;
    overlong[overlong.size() - 2] = 0x3F;  // the End tag becomes a long tag header
    mvdtest::WriteFileBytes(dir.file("long.swf"), overlong);
    EXPECT_THROW(SummarizeSwf(dir.file("long.swf")), ToolError);
    std::vector<unsigned char> endless = fws;
    endless.resize(endless.size() - 2);
    endless[4] = static_cast<unsigned char>(endless.size());
    endless[5] = static_cast<unsigned char>(endless.size() >> 8);
    mvdtest::WriteFileBytes(dir.file("endless.swf"), endless);
    EXPECT_THROW(SummarizeSwf(dir.file("endless.swf")), ToolError);
}

TEST(MovieSoundTest, SixteenBitSoundInEitherByteOrder) {
    mvdtest::TempDir dir;
    const mvdtest::SampleMovie movie = mvdtest::WriteSampleMovie(dir.file("in.mov"));
    const MovieSound sound = ReadMovieSound(movie.path);
    const mvdtest::WrittenTrack* first = nullptr;
    for (const mvdtest::WrittenTrack& t : movie.tracks) {
        first = first == nullptr && t.mediaType == 'soun' ? &t : first;
    }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(sound.sampleRate, 22050u);
    EXPECT_EQ(sound.channels, 2);
    std::vector<int16_t> expected;
    for (const mvdtest::WrittenSamples& s : first->samples) {
        for (size_t i = 0; i + 1 < s.bytes.size(); i += 2) {
            expected.push_back(static_cast<int16_t>(s.bytes[i] | s.bytes[i + 1] << 8));
        }
    }
    EXPECT_EQ(sound.samples, expected);
}

TEST(DemoCanvasTest, DrawingStaysInsideTheClip) {
    mvddemo::Canvas canvas(40, 30);
    const std::vector<uint8_t> before = canvas.bytes();
    const mvddemo::Rect clip{10, 5, 12, 9};
    canvas.setClip(clip);
    canvas.fill(canvas.bounds(), 0xFFFF0000);
    canvas.shadow({0, 0, 40, 30}, 8, 200);
    canvas.gradient(canvas.bounds(), 0xFF000000, 0xFFFFFFFF, false);
    canvas.disc(15, 10, 30, 0x80FFFFFF);
    for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
            const bool inside = clip.intersect({x, y, 1, 1}).width == 1;
            const size_t at = (size_t(y) * 40 + x) * 4;
            if (!inside) {
                ASSERT_EQ(canvas.bytes()[at], before[at]) << x << "," << y;
            } else {
                ASSERT_EQ(canvas.bytes()[at + 3], 255) << "drawn pixels are opaque";
            }
        }
    }
}

}  // namespace
}  // namespace mvd

// The recording example the README shows: it builds, it records what it
// says, and the README still shows it as it is.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../../examples/record_screen.h"
#include "Inspectors.h"
#include "Support/TempDir.h"

namespace mvdtest {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ReadmeExampleTest, RecordsACaptureFileAndMovies) {
    TempDir dir;
    RecordCaptureFile(dir.file("screen.mvrc"), 5);
    EXPECT_EQ(mvd::SummarizeCapture(dir.file("screen.mvrc")).frames, 5u);
    const mvd::MediaSummary converted = mvd::SummarizeMovie(dir.file("screen.mvrc.mov"));
    EXPECT_EQ(converted.frames, 5u);
    EXPECT_DOUBLE_EQ(converted.seconds, 0.5);

    RecordMovie(dir.file("screen.mov"), 7);
    const mvd::MediaSummary movie = mvd::SummarizeMovie(dir.file("screen.mov"));
    EXPECT_EQ(movie.frames, 7u);
    EXPECT_DOUBLE_EQ(movie.seconds, 0.7);
    std::ostringstream recovery;
    mvd::DescribeRecovery(dir.file("screen.mov.rcvr"), {}, recovery);
    EXPECT_NE(recovery.str().find("7 sample records"), std::string::npos) << recovery.str();
}

TEST(ReadmeExampleTest, TheReadmeShowsTheExampleAsItIs) {
    const std::string example = ReadText(MVD_SOURCE_DIR "/examples/record_screen.h");
    // The README shows the code from its first include on, indented as a
    // code block.
    std::string indented;
    std::istringstream lines(example.substr(example.find("#include <string>")));
    for (std::string line; std::getline(lines, line);) {
        indented += line.empty() ? "\n" : "    " + line + "\n";
    }
    EXPECT_NE(ReadText(MVD_SOURCE_DIR "/README.md").find(indented), std::string::npos)
        << "README.md should hold examples/record_screen.h from its includes on";
}

}  // namespace
}  // namespace mvdtest

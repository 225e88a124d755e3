#include "Portability/CFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Support/TempDir.h"

namespace {

std::vector<unsigned char> Bytes(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

TEST(CFile, CreatesWritesSeeksAndReads) {
    mvdtest::TempDir dir;
    const std::string path = dir.file("movie.swf");
    CFile file;
    ASSERT_TRUE(file.Open(CString(path.c_str()), CFile::modeReadWrite));
    EXPECT_EQ(file.Write("0123456789", 10), noErr);
    EXPECT_EQ(file.GetPosition(), 10u);
    EXPECT_EQ(file.Seek(0, CFile::end), 10u);  // the length
    EXPECT_EQ(file.Seek(2, CFile::begin), 2u);
    EXPECT_EQ(file.Seek(3, CFile::current), 5u);
    EXPECT_EQ(file.Seek(-1, 7), 5u);               // unknown origin: stays
    EXPECT_EQ(file.Seek(-6, CFile::current), 0u);  // before the start fails
    EXPECT_EQ(file.GetPosition(), 5u);

    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 8), 5u);  // up to the end
    EXPECT_EQ(std::string(buffer, 5), "56789");
    EXPECT_EQ(file.Read(buffer, 1), 0u);
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.Close(), noErr);
    EXPECT_EQ(file.Read(buffer, 1), 0u);  // closed
    EXPECT_EQ(file.GetLength(), 0u);

    // An existing file is opened as it is; modeCreate empties it.
    ASSERT_TRUE(file.Open(CString(path.c_str()), CFile::modeWrite));
    EXPECT_EQ(file.Write("ab", 2), noErr);
    EXPECT_EQ(file.Read(buffer, 1), 0u);  // write-only
    file.Close();
    EXPECT_EQ(mvdtest::ReadFileBytes(path), Bytes("ab23456789"));
    ASSERT_TRUE(file.Open(CString(path.c_str()), CFile::modeReadWrite | CFile::modeCreate));
    EXPECT_EQ(file.GetLength(), 0u);
    file.Close();
}

TEST(CFile, OpenFailures) {
    mvdtest::TempDir dir;
    CFile file;
    EXPECT_FALSE(file.Open(CString(dir.file("missing/file.swf").c_str()), CFile::modeReadWrite));
    EXPECT_FALSE(file.Open(CString(dir.path().c_str()), CFile::modeRead));  // a folder
    EXPECT_FALSE(file.Open(CString(""), CFile::modeRead));
    EXPECT_FALSE(file.Open(CString((dir.path() + "/").c_str()), CFile::modeReadWrite));
    EXPECT_EQ(file.Close(), rfNumErr);
}

TEST(CFile, NonAsciiPathFromPlatformString) {
    mvdtest::TempDir dir;
    CString path(dir.path().c_str());
    path += CFSTR("/\xC3\xA9t\xC3\xA9.swf");
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));  // created, then read-write by default
    EXPECT_EQ(file.Write("x", 1), noErr);
    file.Close();
    EXPECT_EQ(mvdtest::ReadFileBytes(dir.file("\xC3\xA9t\xC3\xA9.swf")), Bytes("x"));
}

}  // namespace

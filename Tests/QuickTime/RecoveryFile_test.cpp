// The recovery file on its own: a path too long to create, and a record
// whose fields cannot be produced (its bytes are checked where tracks write
// them).
#include <gtest/gtest.h>

#include <stdexcept>

#include "QuickTime/QTRecoveryWriterFile.h"
#include "RecordingTestSupport.h"

namespace {

TEST(RecoveryFileTest, FailuresLeaveNoBytesAndReleaseTheLock) {
    mvdtest::TempDir dir;
    std::string longPath = dir.path() + "/" + std::string(1100, 'x');
    EXPECT_EQ(mvdtest::MessageOf([&] {
                  mvdtest::Held<QTRecoveryWriterFile> file(
                      new QTRecoveryWriterFile(longPath.c_str(), 640, 480));
              }),
              "Error creating recovery file");

    mvdtest::Held<QTRecoveryWriterFile> file(
        new QTRecoveryWriterFile(dir.file("a.rcv").c_str(), 640, 480));
    EXPECT_THROW(file->writeRecord([](FILE* s) {
        recovery::putU32(s, 1);
        throw std::runtime_error("field");
    }),
                 std::runtime_error);
    EXPECT_TRUE(mvdtest::LockIsFree(file.get()));
    EXPECT_EQ(mvdtest::ReadFileBytes(dir.file("a.rcv")).size(), 12u);
}

}  // namespace

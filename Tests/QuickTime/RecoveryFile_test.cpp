// The recovery file itself: its header, whole records under the lock, and
// what is left in the file when creating, opening or writing fails.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <stdexcept>

#include "MVDCommon/MVDException.h"
#include "QuickTime/QTRecoveryWriterFile.h"
#include "RecordingTestSupport.h"

namespace {

using mvdtest::Bytes;
using mvdtest::LockIsFree;
using mvdtest::MessageOf;
using mvdtest::ReadFileBytes;

// Holds a new recovery file for a test.
struct RecoveryFile {
    explicit RecoveryFile(const std::string& path, uint32_t width = 640, uint32_t height = 480)
        : file(new QTRecoveryWriterFile(path.c_str(), width, height)) {
        file->retain();
    }
    ~RecoveryFile() { file->release(); }
    QTRecoveryWriterFile* operator->() const { return file; }
    QTRecoveryWriterFile* file;
};

TEST(RecoveryFileTest, HeaderThenWholeRecordsInOrder) {
    mvdtest::TempDir dir;
    std::string path = dir.file("a.rcv");
    mvdtest::WriteFileBytes(path, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
    RecoveryFile file(path, 1280, 720);
    EXPECT_EQ(ReadFileBytes(path), Bytes().label("RCVR").u32(1280).u32(720).data());

    file->writeRecord([](FILE* s) {
        recovery::putLabel(s, "QTTH");
        recovery::putU32(s, 3);
        recovery::putU32(s, 0);
    });
    file->writeRecord([](FILE* s) {
        recovery::putS16(s, -2);
        recovery::putS64(s, -5);
    });
    EXPECT_EQ(ReadFileBytes(path), Bytes()
                                       .label("RCVR")
                                       .u32(1280)
                                       .u32(720)
                                       .label("QTTH")
                                       .u32(3)
                                       .u32(0)
                                       .s16(-2)
                                       .s64(-5)
                                       .data());
}

TEST(RecoveryFileTest, CreationFailures) {
    mvdtest::TempDir dir;
    EXPECT_EQ(MessageOf([&] { RecoveryFile file(dir.file("missing/a.rcv")); }),
              "Error creating recovery file");
    std::string longPath = dir.path() + "/" + std::string(1100, 'x');
    EXPECT_EQ(MessageOf([&] { RecoveryFile file(longPath); }), "Error creating recovery file");
}

TEST(RecoveryFileTest, FailedRecordsReleaseTheLockAndLeaveNoBytes) {
    mvdtest::TempDir dir;
    std::string folder = dir.file("sub");
    std::filesystem::create_directory(folder);
    RecoveryFile file(folder + "/a.rcv");

    // A record whose fields cannot be produced writes nothing.
    EXPECT_THROW(file->writeRecord([](FILE* s) {
        recovery::putU32(s, 1);
        throw std::runtime_error("field");
    }),
                 std::runtime_error);
    EXPECT_TRUE(LockIsFree(file.file));
    EXPECT_EQ(ReadFileBytes(folder + "/a.rcv").size(), 12u);

    std::filesystem::remove_all(folder);
    EXPECT_EQ(MessageOf([&] { file->writeRecord([](FILE* s) { recovery::putU32(s, 1); }); }),
              "Error opening recovery file");
    EXPECT_TRUE(LockIsFree(file.file));
}

// A full disk (here: the file size limit) refuses a record; the file keeps
// only whole records, and later records that fit are written.
TEST(RecoveryFileTest, ShortWriteIsTakenBack) {
    mvdtest::TempDir dir;
    std::string path = dir.file("a.rcv");
    RecoveryFile file(path);

    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 12 + 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string message = MessageOf([&] {
        file->writeRecord([](FILE* s) {
            for (int i = 0; i < 5; ++i) {
                recovery::putU32(s, 0xAAAAAAAA);
            }
        });
    });
    file->writeRecord([](FILE* s) { recovery::putU32(s, 7); });
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_EQ(message, "Error writing recovery file");
    EXPECT_EQ(ReadFileBytes(path), Bytes().label("RCVR").u32(640).u32(480).u32(7).data());
    EXPECT_TRUE(LockIsFree(file.file));
}

}  // namespace

// A movie recording whose movie file or recovery file refuses every byte
// (the device /dev/full): the writer's construction, which writes the first
// bytes of both, fails with a message, and the device is never replaced.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "QuickTime/QTWriter.h"
#include "QuickTime/RecordingTestSupport.h"

namespace {

bool IsDevice(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISCHR(info.st_mode);
}

TEST(MovieWriteFailure, AFileThatRefusesEveryByteIsReported) {
    if (!IsDevice("/dev/full")) {
        GTEST_SKIP() << "/dev/full is not a device here";
    }
    mvdtest::TempDir dir;
    const auto create = [](const std::string& movie, const std::string& recovery) {
        mvdtest::Held<QTWriter> writer(new QTWriter(movie, 64, 48, true, recovery.c_str()));
    };
    EXPECT_EQ(
        mvdtest::MessageOf<SetupException>([&] { create("/dev/full", dir.file("movie.rcv")); }),
        "Unable to create movie file.");
    ASSERT_TRUE(IsDevice("/dev/full")) << "the movie writer replaced a device";
    EXPECT_EQ(mvdtest::MessageOf([&] { create(dir.file("movie.mov"), "/dev/full"); }),
              "Error creating recovery file");
    ASSERT_TRUE(IsDevice("/dev/full"));
}

}  // namespace

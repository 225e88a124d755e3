// A recording killed before its movie atom is written still holds every
// sample's bytes where GetMediaSampleReferences64 said they are.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "MovieToolbox/MovieFileReader.h"
#include "Support/SampleMovie.h"
#include "Support/TempDir.h"
#include "ToolboxMovie.h"

namespace {

struct Reported {
    int64_t offset;
    uint32_t size;
    uint32_t seed;
};

// The child: adds video and sound samples, reports each reference on the
// pipe as soon as it is known, then exits or kills itself.
[[noreturn]] void RecordAndDie(const std::string& path, int pipeFd, bool sigkill) {
    mvdtest::ToolboxMovie file(path);
    file.addVideoAndSound();
    for (uint32_t i = 0; i < 20 && file.created == noErr; ++i) {
        bool isVideo = i % 2 == 0;
        auto bytes = mvdtest::PatternBytes(isVideo ? 256 : 2 * (100 + i), i);
        TimeValue64 time = 0;
        if (AddMediaSample2(isVideo ? file.video : file.audio, bytes.data(), bytes.size(),
                            isVideo ? 40 : 1, 0, isVideo ? file.image : file.sound,
                            isVideo ? 1 : bytes.size() / 2, 0, &time) != noErr) {
            break;
        }
        SampleReference64Record ref = mvdtest::ReferenceAt(isVideo ? file.video : file.audio, time);
        Reported r{WideToSInt64(ref.dataOffset), ref.dataSize, i};
        if (write(pipeFd, &r, sizeof r) != static_cast<ssize_t>(sizeof r)) {
            break;
        }
    }
    if (sigkill) {
        kill(getpid(), SIGKILL);
    }
    _exit(0);
}

class MovieCrash : public ::testing::TestWithParam<bool> {};

TEST_P(MovieCrash, SamplesSurviveWithoutTheMovieAtom) {
    mvdtest::TempDir dir;
    std::string path = dir.file("killed.mov");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        RecordAndDie(path, fds[1], GetParam());
    }
    close(fds[1]);
    std::vector<Reported> reported;
    Reported r;
    while (read(fds[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r)) {
        reported.push_back(r);
    }
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(GetParam() ? WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL
                         : WIFEXITED(status) && WEXITSTATUS(status) == 0,
              true);
    ASSERT_EQ(reported.size(), 20u);

    qtfile::MovieFileReader reader;
    EXPECT_EQ(reader.open(path).code, qtfile::ReadError::noMovie);
    for (const Reported& sample : reported) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(reader.readAt(static_cast<uint64_t>(sample.offset), sample.size, bytes).ok());
        EXPECT_EQ(bytes, mvdtest::PatternBytes(sample.size, sample.seed))
            << "sample " << sample.seed;
    }
}

INSTANTIATE_TEST_SUITE_P(ExitOrKill, MovieCrash, ::testing::Values(false, true));

}  // namespace

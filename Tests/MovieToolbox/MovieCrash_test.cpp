// A recording killed before its movie atom is written still holds every
// sample's bytes where GetMediaSampleReferences64 said they are.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ImageCompression/ImageDescription.h"
#include "MovieToolbox/MovieFileReader.h"
#include "MovieToolbox/Movies.h"
#include "MovieToolbox/SoundDescription.h"
#include "Support/SampleMovie.h"
#include "Support/TempDir.h"

namespace {

struct Reported {
    int64_t offset;
    uint32_t size;
    uint32_t seed;
};

// The child: adds video and sound samples, reports each reference on the
// pipe as soon as it is known, then kills itself.
[[noreturn]] void RecordAndDie(const std::string& path, int pipeFd, bool sigkill) {
    auto fail = [] { _exit(3); };
    if (EnterMovies() != noErr) {
        fail();
    }
    FSSpec location;
    NativePathNameToFSSpec(const_cast<char*>(path.c_str()), &location, 0);
    short refNum = 0;
    Movie movie = nullptr;
    if (CreateMovieFile(&location, 'TVOD', smCurrentScript, createMovieFileDeleteCurFile, &refNum,
                        &movie) != noErr) {
        fail();
    }
    Track video = NewMovieTrack(movie, FixedFromInt(8), FixedFromInt(8), kNoVolume);
    Media videoMedia = NewTrackMedia(video, VideoMediaType, 600, nullptr, 0);
    Track audio = NewMovieTrack(movie, 0, 0, kFullVolume);
    Media audioMedia = NewTrackMedia(audio, SoundMediaType, 8000, nullptr, 0);
    auto image = reinterpret_cast<SampleDescriptionHandle>(
        mvdtest::NewImageDescription(kRawCodecType, 8, 8, 32));
    AudioStreamBasicDescription asbd{8000,
                                     kAudioFormatLinearPCM,
                                     kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked,
                                     2,
                                     1,
                                     2,
                                     1,
                                     16,
                                     0};
    SoundDescriptionHandle sound = nullptr;
    if (QTSoundDescriptionCreate(&asbd, nullptr, 0, nullptr, 0, 'mvlo', &sound) != noErr) {
        fail();
    }
    for (uint32_t i = 0; i < 20; ++i) {
        bool isVideo = i % 2 == 0;
        Media media = isVideo ? videoMedia : audioMedia;
        auto bytes = mvdtest::PatternBytes(isVideo ? 256 : 2 * (100 + i), i);
        TimeValue64 decodeTime = 0;
        OSErr err =
            AddMediaSample2(media, bytes.data(), bytes.size(), isVideo ? 40 : 1, 0,
                            isVideo ? image : reinterpret_cast<SampleDescriptionHandle>(sound),
                            isVideo ? 1 : bytes.size() / 2, 0, &decodeTime);
        SampleReference64Record ref;
        long count = 0;
        if (err != noErr ||
            GetMediaSampleReferences64(media, static_cast<TimeValue>(decodeTime), nullptr, nullptr,
                                       nullptr, 1, &count, &ref) != noErr) {
            fail();
        }
        Reported r{WideToSInt64(ref.dataOffset), ref.dataSize, i};
        if (write(pipeFd, &r, sizeof r) != static_cast<ssize_t>(sizeof r)) {
            fail();
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
    if (GetParam()) {
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    } else {
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ASSERT_EQ(reported.size(), 20u);

    qtfile::MovieFileReader reader;
    auto opened = reader.open(path);
    EXPECT_EQ(opened.code, qtfile::ReadError::noMovie) << opened.message;
    for (const Reported& sample : reported) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(reader.readAt(static_cast<uint64_t>(sample.offset), sample.size, bytes).ok());
        EXPECT_EQ(bytes, mvdtest::PatternBytes(sample.size, sample.seed))
            << "sample " << sample.seed;
    }
}

INSTANTIATE_TEST_SUITE_P(ExitOrKill, MovieCrash, ::testing::Values(false, true));

}  // namespace

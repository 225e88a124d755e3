// A movie recording whose movie file or recovery file refuses every byte
// (the device /dev/full): the failure reaches the recorder as an exception
// (here from the writer's construction, which writes the first bytes of
// both), never as success.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "QuickTime/QTWriter.h"
#include "QuickTime/RecordingTestSupport.h"
#include "Support/SoundFormats.h"
#include "Support/TempDir.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// Records a few seconds of frames and sound; the call that failed and its
// message, or "none".
std::string Record(const std::string& moviePath, const std::string& recoveryPath) {
    const char* call = "setup";
    try {
        mvdtest::Held<QTWriter> writer(
            new QTWriter(moviePath, kWidth, kHeight, true, recoveryPath.c_str()));
        QTICMVideoTrack* screen =
            writer->createVideoTrack(tagMVDRect{0, 0, kWidth, kHeight}, kCVPixelFormatType_32BGRA,
                                     kWidth * 4, 'rle ', codecLosslessQuality, 10);
        AudioTrack* audio = writer->createAudioTrack(1, 8000, 16, 0);
        SoundDescriptionHandle sound = mvdtest::NewSoundDescription(mvdtest::PCMStream(1, 8000));
        writer->start();
        std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
        std::vector<short> samples(800);
        for (int i = 0; i < 50; ++i) {
            for (size_t p = 0; p < pixels.size(); ++p) {
                pixels[p] = uint8_t(p * 7 + i * 13);
            }
            MVDImage image(kWidth, kHeight, kCVPixelFormatType_32BGRA, 4, pixels.data());
            call = "frame";
            screen->compressAndWriteMVDImage(&image, 20);
            call = "sound";
            audio->writeBuffer(samples.data(), int(samples.size() * 2), sound);
        }
        DisposeHandle(reinterpret_cast<Handle>(sound));
        call = "flush";
        writer->flushTrackDataToDisk();
        call = "finalize";
        writer->finalizeTracksWithTrackMediaDuration();
        writer->finalizeMovie();
        return "none";
    } catch (const MVDException& e) {
        return std::string(call) + ": " + e.what();
    } catch (const SetupException& e) {
        return std::string(call) + ": " + e.what();
    }
}

bool IsDevice(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISCHR(info.st_mode);
}

// The movie is made in place of the file at its path; a device there is
// neither replaced nor written as if it were a movie.
TEST(MovieWriteFailure, AFileThatRefusesEveryByteIsReported) {
    if (!IsDevice("/dev/full")) {
        GTEST_SKIP() << "/dev/full is not a device here";
    }
    mvdtest::TempDir dir;
    EXPECT_EQ(Record(dir.file("whole.mov"), dir.file("whole.rcv")), "none");
    EXPECT_EQ(Record("/dev/full", dir.file("movie.rcv")), "setup: Unable to create movie file.");
    ASSERT_TRUE(IsDevice("/dev/full")) << "the movie writer replaced a device";
    EXPECT_EQ(Record(dir.file("movie.mov"), "/dev/full"), "setup: Error creating recovery file");
    ASSERT_TRUE(IsDevice("/dev/full"));
}

}  // namespace

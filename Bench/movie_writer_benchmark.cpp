// What a recorder thread spends per 1280 x 720 BGRA screen frame handed to
// the movie writer's screen track (screen codec, asynchronous session,
// recovery on), as "x_memcpy": the time per frame over one memcpy of the
// frame, measured in the same run.
//
//   BM_MemcpyFrame          the baseline
//   BM_CompressAndWriteImage  compressAndWriteMVDImage alone (the image's
//                           pixels copied into a buffer of the session, the
//                           frame queued), with the session drained between
//                           frames, untimed; timed is the thread's CPU time
//   BM_RecordingStream      frames handed in back to back, the session
//                           drained at the end: the whole pipeline per frame
//                           (encoding, the movie file and the recovery file)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Codec/MVDKCodecComponent.h"
#include "QuickTime/QTWriter.h"
#include "support/ScreenRecordingFrames.h"

namespace {

using mvdbench::CapturedScreenFrames;
using mvdbench::ThreadSeconds;
constexpr int kWidth = mvdbench::kScreenWidth;
constexpr int kHeight = mvdbench::kScreenHeight;

// A folder of the run (the movie, its recovery file and the codec's
// preferences), removed at exit.
const std::string& RunFolder() {
    static const std::string folder = [] {
        std::string path =
            (std::filesystem::temp_directory_path() / "movie_writer_XXXXXX").string();
        if (mkdtemp(path.data()) == nullptr) {
            std::abort();
        }
        setenv("XDG_CONFIG_HOME", path.c_str(), 1);
        MVDKRegisterEncoderComponent();
        std::atexit([] { std::filesystem::remove_all(RunFolder()); });
        return path;
    }();
    return folder;
}

// A writer with recovery and its screen track, started.
class Recording {
  public:
    Recording()
        : m_writer(new QTWriter(RunFolder() + "/bench.mov", kWidth, kHeight, true,
                                (RunFolder() + "/bench.rcv").c_str())) {
        m_writer->retain();
        m_screen =
            m_writer->createVideoTrack(tagMVDRect{0, 0, kWidth, kHeight}, kCVPixelFormatType_32BGRA,
                                       kWidth * 4, kMVDKCodecType, codecLosslessQuality, 300);
        m_writer->start();
    }
    ~Recording() {
        m_writer->finalizeTracksWithTrackMediaDuration();
        m_writer->finalizeMovie();
        m_writer->release();
    }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    void handIn(int frame) {
        auto& pixels = const_cast<mvdtest::ScreenImage&>(
            CapturedScreenFrames()[frame % mvdbench::kScreenFrames]);
        MVDImage image(kWidth, kHeight, kCVPixelFormatType_32BGRA, 4, pixels.data());
        m_screen->compressAndWriteMVDImage(&image, 20);
    }
    void complete() { m_screen->flushTrackDataToDisk(); }

  private:
    QTWriter* m_writer;
    QTICMVideoTrack* m_screen = nullptr;
};

void BM_MemcpyFrame(benchmark::State& state) {
    mvdbench::MemcpyFrames(state);
}

void BM_CompressAndWriteImage(benchmark::State& state) {
    Recording recording;
    int frame = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        recording.handIn(frame++);
        state.SetIterationTime(ThreadSeconds() - start);
        recording.complete();
    }
    mvdbench::ReportAgainstMemcpy(state);
}

void BM_RecordingStream(benchmark::State& state) {
    Recording recording;
    int frame = 0;
    for (auto _ : state) {
        recording.handIn(frame++);
    }
    recording.complete();
    mvdbench::ReportAgainstMemcpy(state);
}

}  // namespace

BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompressAndWriteImage)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordingStream)->Unit(benchmark::kMicrosecond)->UseRealTime();

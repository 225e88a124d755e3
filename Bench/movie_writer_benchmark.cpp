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

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Codec/MVDKCodecComponent.h"
#include "QuickTime/QTWriter.h"
#include "support/ScreenContent.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr size_t kFrameBytes = size_t{kWidth} * kHeight * 4;
constexpr int kFrames = 16;  // captured frames, replayed in a loop

const std::vector<mvdtest::ScreenImage>& Captured() {
    static const std::vector<mvdtest::ScreenImage> frames = [] {
        std::vector<mvdtest::ScreenImage> out;
        mvdtest::ScreenImage image(kWidth, kHeight, mvdtest::PixelOrder::BGRA);
        mvdtest::ScreenContent screen(kWidth, kHeight, 42);
        screen.render(image);
        for (int i = 0; i < kFrames; ++i) {
            screen.nextFrame(image);
            out.push_back(image);
        }
        return out;
    }();
    return frames;
}

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// CPU seconds of one memcpy of a frame: the best of a few batches.
double MemcpySeconds() {
    static const double seconds = [] {
        std::vector<uint8_t> to(kFrameBytes);
        double best = 1e9;
        for (int batch = 0; batch < 6; ++batch) {
            const double start = ThreadSeconds();
            for (int i = 0; i < 20; ++i) {
                std::memcpy(to.data(), Captured()[i % kFrames].data(), kFrameBytes);
                benchmark::ClobberMemory();
            }
            best = std::min(best, (ThreadSeconds() - start) / 20);
        }
        return best;
    }();
    return seconds;
}

void Report(benchmark::State& state) {
    state.counters["x_memcpy"] =
        benchmark::Counter(double(state.iterations()) * MemcpySeconds(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

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
        auto& pixels = const_cast<mvdtest::ScreenImage&>(Captured()[frame % kFrames]);
        MVDImage image(kWidth, kHeight, kCVPixelFormatType_32BGRA, 4, pixels.data());
        m_screen->compressAndWriteMVDImage(&image, 20);
    }
    void complete() { m_screen->flushTrackDataToDisk(); }

  private:
    QTWriter* m_writer;
    QTICMVideoTrack* m_screen = nullptr;
};

void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<uint8_t> to(kFrameBytes);
    int i = 0;
    for (auto _ : state) {
        std::memcpy(to.data(), Captured()[i++ % kFrames].data(), kFrameBytes);
        benchmark::ClobberMemory();
    }
    Report(state);
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
    Report(state);
}

void BM_RecordingStream(benchmark::State& state) {
    Recording recording;
    int frame = 0;
    for (auto _ : state) {
        recording.handIn(frame++);
    }
    recording.complete();
    Report(state);
}

}  // namespace

BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompressAndWriteImage)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordingStream)->Unit(benchmark::kMicrosecond)->UseRealTime();

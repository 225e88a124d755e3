// A long recording at full speed: 1280 x 720 screen frames, generated as
// fast as the writers take them, each handed to the capture writer (through
// the asynchronous file writer and its disk thread) and to the movie
// writer's screen track (screen codec, recovery file on).  The process's
// resident memory is sampled every second; it must stay flat.
//
//   MVD_SOAK_SECONDS   how long to record (default 20; 3600 for the
//                      hour-long run)
//
// Counters: frames; x_memcpy, the wall time per frame over one memcpy of a
// frame; rss_1min_mb, rss_10min_mb, rss_60min_mb, the resident memory at
// those times (when the run reaches them); rss_end_mb; peak_rss_mb, the
// highest resident memory of the run; growth_mb, from the first minute (or
// the first sample) to the end; capture_mb, movie_mb, recovery_mb, the
// sizes of the files.  A line per minute goes to standard error.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Capture/AsynchronousFileWriter.h"
#include "Capture/MVRCWriter.h"
#include "Codec/MVDKCodecComponent.h"
#include "QuickTime/QTWriter.h"
#include "support/ScreenContent.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr double kFrameRate = 30.0;
// The generated scene starts afresh now and then (as when another window
// comes to the front), so the generator's own state stays bounded.
constexpr int kFramesPerScene = 3000;

double SoakSeconds() {
    const char* value = std::getenv("MVD_SOAK_SECONDS");
    const double seconds = value != nullptr ? std::atof(value) : 0.0;
    return seconds > 0.0 ? seconds : 20.0;
}

// A "VmRSS:" or "VmHWM:" line of /proc/self/status, in MiB.
double StatusMiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) {
            return std::atof(line.c_str() + length) / 1024.0;
        }
    }
    return 0.0;
}

// The folder of the run (files and the codec's preferences), removed at
// the end.
class RunFolder {
  public:
    RunFolder() {
        std::string path = (fs::temp_directory_path() / "soak_XXXXXX").string();
        if (mkdtemp(path.data()) == nullptr) {
            std::abort();
        }
        m_path = path;
        setenv("XDG_CONFIG_HOME", path.c_str(), 1);
    }
    ~RunFolder() { fs::remove_all(m_path); }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    std::string file(const char* name) const { return (m_path / name).string(); }

  private:
    fs::path m_path;
};

// Both writers, open and started.
class SoakRecording {
  public:
    explicit SoakRecording(const RunFolder& folder)
        : m_capture(std::make_unique<AsynchronousFileWriter>()),
          m_movie(new QTWriter(folder.file("soak.mov"), kWidth, kHeight, true,
                               folder.file("soak.rcv").c_str())) {
        m_movie->retain();
        m_capture.openFile(folder.file("soak.mvrc"));
        tagMVDImageFormat format{kWidth, kHeight, kCVPixelFormatType_32BGRA, 4};
        m_capture.writeHeader(&format);
        m_screen =
            m_movie->createVideoTrack(tagMVDRect{0, 0, kWidth, kHeight}, kCVPixelFormatType_32BGRA,
                                      kWidth * 4, kMVDKCodecType, codecLosslessQuality, 300);
        m_movie->start();
    }
    ~SoakRecording() { m_movie->release(); }
    SoakRecording(const SoakRecording&) = delete;
    SoakRecording& operator=(const SoakRecording&) = delete;

    void handIn(mvdtest::ScreenImage& frame, const mvdtest::ScreenRect& changed) {
        MVDImage image(kWidth, kHeight, kCVPixelFormatType_32BGRA, 4, frame.data());
        CGRect rect = CGRectMake(CGFloat(changed.x), CGFloat(changed.y), CGFloat(changed.width),
                                 CGFloat(changed.height));
        m_capture.writeFrame(1, float(kFrameRate), &image, 1, &rect);
        m_screen->compressAndWriteMVDImage(&image, long(600 / kFrameRate));
    }

    void finish() {
        m_capture.closeFile();
        m_movie->finalizeTracksWithTrackMediaDuration();
        m_movie->finalizeMovie();
    }

  private:
    MVRCWriter m_capture;
    QTWriter* m_movie;
    QTICMVideoTrack* m_screen = nullptr;
};

// Wall seconds of one memcpy of a frame: the best of a few batches.
double MemcpyFrameSeconds(const mvdtest::ScreenImage& frame) {
    std::vector<uint8_t> to(frame.byteSize());
    double best = 1e9;
    for (int batch = 0; batch < 6; ++batch) {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < 10; ++i) {
            std::memcpy(to.data(), frame.data(), frame.byteSize());
            benchmark::ClobberMemory();
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count() / 10);
    }
    return best;
}

double FileMiB(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0.0 : double(size) / (1024.0 * 1024.0);
}

void BM_SoakRecording(benchmark::State& state) {
    const double seconds = SoakSeconds();
    const std::map<int, const char*> checkpoints = {
        {60, "rss_1min_mb"}, {600, "rss_10min_mb"}, {3600, "rss_60min_mb"}};
    for (auto _ : state) {
        RunFolder folder;
        MVDKRegisterEncoderComponent();
        SoakRecording recording(folder);
        mvdtest::ScreenImage frame(kWidth, kHeight, mvdtest::PixelOrder::BGRA);
        auto scene = std::make_unique<mvdtest::ScreenContent>(kWidth, kHeight, 1);
        scene->render(frame);
        const double memcpySeconds = MemcpyFrameSeconds(frame);
        recording.handIn(frame, frame.bounds());

        const Clock::time_point start = Clock::now();
        int64_t frames = 1;
        int nextSample = 1;
        double firstRSS = 0.0;
        double elapsed = 0.0;
        while (elapsed < seconds) {
            mvdtest::ScreenRect changed;
            if (frames % kFramesPerScene == 0) {
                scene = std::make_unique<mvdtest::ScreenContent>(
                    kWidth, kHeight, uint32_t(frames / kFramesPerScene));
                scene->render(frame);
                changed = frame.bounds();
            } else {
                changed = scene->nextFrame(frame);
            }
            recording.handIn(frame, changed);
            ++frames;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            if (elapsed < nextSample) {
                continue;
            }
            const double rss = StatusMiB("VmRSS:");
            if (firstRSS == 0.0 || nextSample == 60) {
                firstRSS = rss;
            }
            if (auto checkpoint = checkpoints.find(nextSample); checkpoint != checkpoints.end()) {
                state.counters[checkpoint->second] = rss;
            }
            if (nextSample % 60 == 0) {
                std::fprintf(stderr, "soak: %d min, %lld frames, RSS %.1f MiB, peak %.1f MiB\n",
                             nextSample / 60, static_cast<long long>(frames), rss,
                             StatusMiB("VmHWM:"));
            }
            nextSample = int(elapsed) + 1;
        }
        recording.finish();
        const double rss = StatusMiB("VmRSS:");
        state.SetIterationTime(elapsed);
        state.counters["frames"] = double(frames);
        state.counters["x_memcpy"] = elapsed / double(frames) / memcpySeconds;
        state.counters["rss_end_mb"] = rss;
        state.counters["peak_rss_mb"] = StatusMiB("VmHWM:");
        state.counters["growth_mb"] = rss - firstRSS;
        state.counters["capture_mb"] = FileMiB(folder.file("soak.mvrc"));
        state.counters["movie_mb"] = FileMiB(folder.file("soak.mov"));
        state.counters["recovery_mb"] = FileMiB(folder.file("soak.rcv"));
    }
}

}  // namespace

BENCHMARK(BM_SoakRecording)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

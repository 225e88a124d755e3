#include "support/ScreenRecordingFrames.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace mvdbench {

const std::vector<mvdtest::ScreenImage>& CapturedScreenFrames() {
    static const std::vector<mvdtest::ScreenImage> frames = [] {
        std::vector<mvdtest::ScreenImage> out;
        mvdtest::ScreenImage image(kScreenWidth, kScreenHeight, mvdtest::PixelOrder::BGRA);
        mvdtest::ScreenContent screen(kScreenWidth, kScreenHeight, 42);
        screen.render(image);
        for (int i = 0; i < kScreenFrames; ++i) {
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

double MemcpySeconds() {
    static const double seconds = [] {
        std::vector<uint8_t> to(kScreenFrameBytes);
        constexpr int kCopies = 20;
        double best = 1e9;
        for (int batch = 0; batch < 6; ++batch) {
            const double start = ThreadSeconds();
            for (int i = 0; i < kCopies; ++i) {
                std::memcpy(to.data(), CapturedScreenFrames()[i % kScreenFrames].data(),
                            kScreenFrameBytes);
                benchmark::ClobberMemory();
            }
            best = std::min(best, (ThreadSeconds() - start) / kCopies);
        }
        return best;
    }();
    return seconds;
}

void ReportAgainstMemcpy(benchmark::State& state) {
    state.counters["x_memcpy"] =
        benchmark::Counter(double(state.iterations()) * MemcpySeconds(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void MemcpyFrames(benchmark::State& state) {
    std::vector<uint8_t> to(kScreenFrameBytes);
    int i = 0;
    for (auto _ : state) {
        std::memcpy(to.data(), CapturedScreenFrames()[i++ % kScreenFrames].data(),
                    kScreenFrameBytes);
        benchmark::ClobberMemory();
    }
    ReportAgainstMemcpy(state);
}

}  // namespace mvdbench

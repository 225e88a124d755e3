// Speed of the SWF export's frame path on 1280x720 32-bit screen frames:
// the recorded corpus, and generated typing, scrolling and a moving window,
// each frame handed to CSWFWriter::ReceiveVideoFrame, against copying the
// same frame with memcpy
// (measured in the same run).  Then the parts of the frame path alone: the
// change search over an unchanged frame, MD5 of a frame's bytes, and a
// lossless bitmap of a 400x300 region (zlib level 9).
//
// Counters: see Export below; vs_memcpy the time of one call over the time
// of copying one frame; swf_bytes_per_frame the finished movie's size
// divided by its frames; changed_pct the share of pixels changed per frame.
// Each export runs with 0 and with 2 bitmap compression threads.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "SWF/FDTBitmaps.h"
#include "SWF/FObjCollection.h"
#include "SWFExport/CSWFWriter.h"
#include "SWFExport/MD5.h"
#include "SWFExport/SWFFrameDiff.h"
#include "support/Baselines.h"
#include "support/ScreenContent.h"

namespace {

using mvdtest::ScreenContent;
using mvdtest::ScreenImage;
using mvdtest::ScreenRect;

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;
constexpr size_t kRowBytes = size_t{kWidth} * 4;
constexpr size_t kFrameBytes = kRowBytes * kHeight;

void ToBottomUp(const ScreenImage& image, std::vector<uint8_t>& out) {
    out.resize(kFrameBytes);
    for (int32_t y = 0; y < kHeight; ++y) {
        std::memcpy(out.data() + size_t(kHeight - 1 - y) * kRowBytes, image.line(y), kRowBytes);
    }
}

// CPU seconds of every thread of the process.
double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// CPU seconds to copy one frame, the baseline of every ratio (the calls are
// timed in CPU seconds too, so the machine's load cancels out).
double MemcpySeconds() {
    std::vector<uint8_t> in(kFrameBytes, 0x5A), out(kFrameBytes);
    constexpr int kCopies = 50;
    const double start = mvdtest::ThreadCpuSeconds();
    for (int i = 0; i < kCopies; ++i) {
        in[size_t(i)] = uint8_t(i);
        std::memcpy(out.data(), in.data(), kFrameBytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    return (mvdtest::ThreadCpuSeconds() - start) / kCopies;
}

// Opens the export of 32-bit kWidth x kHeight frames into path.
void Open(CSWFWriter& writer, const std::string& path) {
    writer.SetOutputFilename(CString(path.c_str()));
    tagBITMAPINFO info{};
    info.bmiHeader = tagBITMAPINFOHEADER{40, kWidth, kHeight, 1, 32, 0, 0, 0, 0, 0, 0};
    writer.SetSourceBitmapInfo(&info);
    writer.OpenFile();
}

// The finished movie's size per frame; removes the file.
double BytesPerFrame(const std::string& path, int64_t frames) {
    std::error_code ignored;
    const auto size = std::filesystem::file_size(path, ignored);
    std::filesystem::remove(path, ignored);
    return double(size) / double(frames + 1);
}

enum class Change { Typing, Scrolling, MovingWindow };

ScreenRect Edit(ScreenContent& screen, ScreenImage& image, Change change, int64_t frame) {
    switch (change) {
        case Change::Typing:
            return screen.typeText(image, 3);
        case Change::Scrolling:
            return screen.scroll(image, 1);
        case Change::MovingWindow:
            // Back and forth, so the window stays on the screen.
            return screen.moveWindow(image, (frame / 40) % 2 == 0 ? 6 : -6,
                                     2 * ((frame / 40) % 2) - 1);
    }
    return {};
}

// Exports frames from `next` (which fills the bottom-up frame for step k
// and returns the pixels it changed) with `threads` bitmap compression
// threads.  Counters: "fps", frames per CPU second of the caller's calls
// (what a recording thread spends); "cpu_ms_per_frame", the CPU time of the
// whole export, every thread and the movie's writing and merging on close
// included; "throughput_fps", frames per wall second of the whole export,
// which shows what the threads gain when the machine has cores to spare.
template <class Next>
void Export(benchmark::State& state, const std::string& name, Next&& next) {
    const int threads = static_cast<int>(state.range(0));
    const double copySeconds = MemcpySeconds();
    const std::string path =
        (std::filesystem::temp_directory_path() / ("swf_export_benchmark_" + name + ".swf"))
            .string();
    std::vector<uint8_t> bits;
    int64_t frames = 0;
    int64_t changedPixels = 0;
    double calls = 0;         // CPU seconds of the calls
    double preparing = 0;     // wall seconds making frames, not part of the export
    double preparingCpu = 0;  // this thread's CPU seconds making them
    const auto wall = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    double wallStart = 0;
    double cpuStart = 0;
    {
        CSWFWriter writer;
        writer.SetBitmapCompressionThreads(threads);
        Open(writer, path);
        next(0, bits);
        writer.ReceiveVideoFrame(bits.data());  // the first, whole frame is not timed
        wallStart = wall();
        cpuStart = ProcessCpuSeconds();
        for (auto _ : state) {
            state.PauseTiming();
            const double made = wall();
            const double madeCpu = mvdtest::ThreadCpuSeconds();
            changedPixels += next(++frames, bits);
            preparingCpu += mvdtest::ThreadCpuSeconds() - madeCpu;
            preparing += wall() - made;
            state.ResumeTiming();
            const double start = mvdtest::ThreadCpuSeconds();
            writer.ReceiveVideoFrame(bits.data());
            calls += mvdtest::ThreadCpuSeconds() - start;
        }
        writer.CloseFile(false);
    }
    const double cpu = ProcessCpuSeconds() - cpuStart - preparingCpu;
    state.counters["fps"] = double(frames) / calls;
    state.counters["cpu_ms_per_frame"] = 1e3 * cpu / double(frames);
    state.counters["throughput_fps"] = double(frames) / (wall() - wallStart - preparing);
    state.counters["vs_memcpy"] = calls / double(frames) / copySeconds;
    state.counters["swf_bytes_per_frame"] = BytesPerFrame(path, frames);
    state.counters["changed_pct"] =
        100.0 * double(changedPixels) / double(frames) / (double(kWidth) * kHeight);
}

void BM_ReceiveVideoFrame(benchmark::State& state, Change change) {
    ScreenContent screen(kWidth, kHeight, 7);
    ScreenImage image(kWidth, kHeight);
    screen.render(image);
    Export(state, std::to_string(int(change)), [&](int64_t k, std::vector<uint8_t>& bits) {
        const int64_t changed = k == 0 ? 0 : Edit(screen, image, change, k - 1).area();
        ToBottomUp(image, bits);
        return changed;
    });
}

// The recorded corpus (skipped when missing), walked forwards and backwards
// so that every step is a real frame-to-frame change.
void BM_ReceiveRecordedFrame(benchmark::State& state) {
    const mvdtest::Corpus* corpus = mvdtest::SharedCorpus(true, kWidth, kHeight, 240);
    if (corpus == nullptr) {
        state.SkipWithError("no corpus; record it with scripts/corpus.sh");
        return;
    }
    const auto area = double(kWidth) * kHeight;
    Export(state, "recorded", [&](int64_t k, std::vector<uint8_t>& out) {
        const size_t period = 2 * (corpus->size() - 1);
        const size_t step = static_cast<size_t>(k) % period;
        const size_t i = step < corpus->size() ? step : period - step;
        out.resize(kFrameBytes);
        for (int32_t y = 0; y < kHeight; ++y) {
            std::memcpy(out.data() + size_t(kHeight - 1 - y) * kRowBytes,
                        corpus->frame(i) + size_t(y) * kRowBytes, kRowBytes);
        }
        return static_cast<int64_t>(corpus->changedPercent() / 100 * area);
    });
}

// Bitmap compression threads: 0 (within the call) and 2.  A fixed number of
// frames, so that both see the same frames (a bitmap seen before is reused,
// not compressed again); the corpus is walked once.
BENCHMARK(BM_ReceiveRecordedFrame)
    ->ArgName("threads")
    ->Arg(0)
    ->Arg(2)
    ->Iterations(239)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReceiveVideoFrame, typing, Change::Typing)
    ->ArgName("threads")
    ->Arg(0)
    ->Arg(2)
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReceiveVideoFrame, scrolling, Change::Scrolling)
    ->ArgName("threads")
    ->Arg(0)
    ->Arg(2)
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReceiveVideoFrame, moving_window, Change::MovingWindow)
    ->ArgName("threads")
    ->Arg(0)
    ->Arg(2)
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);

void BM_CopyFrame(benchmark::State& state) {
    std::vector<uint8_t> in(kFrameBytes, 0x5A), out(kFrameBytes);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), kFrameBytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMillisecond);

// The change search over two equal frames: every byte compared.
void BM_FindNoChange(benchmark::State& state) {
    ScreenContent screen(kWidth, kHeight, 7);
    ScreenImage image(kWidth, kHeight);
    screen.render(image);
    std::vector<uint8_t> a, b;
    ToBottomUp(image, a);
    b = a;
    const SWFFrameView va{a.data(), kRowBytes, kWidth, kHeight, 4};
    const SWFFrameView vb{b.data(), kRowBytes, kWidth, kHeight, 4};
    for (auto _ : state) {
        RECT found;
        benchmark::DoNotOptimize(FindChangedPixels(va, vb, RECT{0, 0, kWidth, kHeight}, &found));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
}
BENCHMARK(BM_FindNoChange)->Unit(benchmark::kMillisecond);

void BM_MD5Frame(benchmark::State& state) {
    std::vector<uint8_t> bytes(kFrameBytes, 0x33);
    unsigned char digest[16];
    for (auto _ : state) {
        MD5_CTX context;
        MD5_Init(&context);
        MD5_Update(&context, bytes.data(), bytes.size());
        MD5_Final(digest, &context);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
}
BENCHMARK(BM_MD5Frame)->Unit(benchmark::kMillisecond);

// A 400 x 300 part of the screen as a lossless bitmap: zlib at level 9.
void BM_LosslessBitmap400x300(benchmark::State& state) {
    ScreenContent screen(kWidth, kHeight, 7);
    ScreenImage image(kWidth, kHeight);
    screen.render(image);
    std::vector<uint8_t> pixels;
    for (int32_t y = 100; y < 400; ++y) {
        pixels.insert(pixels.end(), image.line(y) + 200 * 4, image.line(y) + 600 * 4);
    }
    for (auto _ : state) {
        FDTDefineBitsLossless2 bitmap(5, 400, 300, 0, nullptr, pixels.data());
        benchmark::DoNotOptimize(bitmap.CompressedLength());
        state.PauseTiming();
        FObjCollection::ResetCharacterID();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixels.size()));
}
BENCHMARK(BM_LosslessBitmap400x300)->Unit(benchmark::kMillisecond);

}  // namespace

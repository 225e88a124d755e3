// Speed of the Animation ('rle ') coder on 1280 x 720 ARGB screen frames: key
// frames, and difference frames where about 2 % of the pixels changed (a
// block of text rewritten in a window).  Each line reports frames per second
// and "x_memcpy", the time per frame over the time of one memcpy of the frame
// measured in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "ImageCompression/AnimationCodec.h"
#include "support/ScreenContent.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 4;

using Bytes = std::vector<UInt8>;

// The base screen and the same screen with a 192 x 96 block (2 % of the
// pixels) of its text rewritten.
struct Frames {
    Bytes base;
    Bytes changed;
    double changedShare = 0;

    Frames() {
        mvdtest::ScreenImage image(kWidth, kHeight, mvdtest::PixelOrder::ARGB);
        mvdtest::ScreenContent(kWidth, kHeight, 2024).render(image);
        base.assign(image.data(), image.data() + image.byteSize());
        changed = base;
        unsigned seed = 7;
        for (int y = 300; y < 396; ++y) {
            for (int x = 400; x < 592; ++x) {
                seed = seed * 1103515245u + 12345u;
                const UInt8 ink = (seed >> 16) % 4 == 0 ? 0x20 : 0xF4;
                UInt8* p = &changed[(size_t(y) * kWidth + x) * 4];
                p[0] = 0xFF, p[1] = ink, p[2] = ink, p[3] = UInt8(ink + 1);
            }
        }
        size_t differing = 0;
        for (size_t i = 0; i < kFrameBytes; i += 4) {
            differing += std::memcmp(&base[i], &changed[i], 4) != 0;
        }
        changedShare = double(differing) / (double(kFrameBytes) / 4);
    }
};

const Frames& TheFrames() {
    static const Frames frames;
    return frames;
}

AnimationConstImage Image(const Bytes& pixels) {
    return {pixels.data(), 4L * kWidth, kWidth, kHeight, AnimationPixelOrder::kARGB};
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// CPU seconds of one memcpy of a frame (the benchmarks report CPU time too,
// which other work on a shared machine disturbs least).
double MemcpySeconds() {
    static const double seconds = [] {
        const Bytes& from = TheFrames().base;
        Bytes to(kFrameBytes);
        constexpr int kCopies = 300;
        std::memcpy(to.data(), from.data(), kFrameBytes);
        const double start = ThreadCpuSeconds();
        for (int i = 0; i < kCopies; ++i) {
            std::memcpy(to.data(), from.data(), kFrameBytes);
            benchmark::ClobberMemory();
        }
        return (ThreadCpuSeconds() - start) / kCopies;
    }();
    return seconds;
}

void Report(benchmark::State& state, size_t sampleBytes) {
    state.SetItemsProcessed(state.iterations());
    state.counters["x_memcpy"] =
        benchmark::Counter(double(state.iterations()) * MemcpySeconds(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["sample_KiB"] = double(sampleBytes) / 1024;
    state.counters["changed_pct"] = 100 * TheFrames().changedShare;
}

void BM_MemcpyFrame(benchmark::State& state) {
    const Bytes& from = TheFrames().base;
    Bytes to(kFrameBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kFrameBytes);
        benchmark::ClobberMemory();
    }
    Report(state, kFrameBytes);
}

void BM_EncodeKeyFrame(benchmark::State& state) {
    Bytes out(AnimationMaxSampleSize(kWidth, kHeight));
    size_t size = 0;
    for (auto _ : state) {
        size = AnimationEncodeKeyFrame(Image(TheFrames().base), out.data());
        benchmark::DoNotOptimize(size);
    }
    Report(state, size);
}

void BM_EncodeDifferenceFrame(benchmark::State& state) {
    Bytes out(AnimationMaxSampleSize(kWidth, kHeight));
    const Frames& f = TheFrames();
    size_t size = 0;
    bool forward = true;
    for (auto _ : state) {
        const Bytes& cur = forward ? f.changed : f.base;
        const Bytes& prev = forward ? f.base : f.changed;
        size = AnimationEncodeDifferenceFrame(Image(cur), Image(prev), out.data());
        benchmark::DoNotOptimize(size);
        forward = !forward;
    }
    Report(state, size);
}

// The encoder that keeps the previous frame (and copies the changed lines).
void BM_EncoderDifferenceFrame(benchmark::State& state) {
    const Frames& f = TheFrames();
    AnimationEncoder encoder(kWidth, kHeight, AnimationPixelOrder::kARGB);
    encoder.encode(f.base.data(), 4L * kWidth, true);
    size_t size = 0;
    bool forward = true;
    for (auto _ : state) {
        size = encoder.encode((forward ? f.changed : f.base).data(), 4L * kWidth, false).size();
        benchmark::DoNotOptimize(size);
        forward = !forward;
    }
    Report(state, size);
}

// Draws the same sample onto `picture` again and again.
void DecodeRepeatedly(benchmark::State& state, const Bytes& sample, Bytes picture) {
    const AnimationImage target{picture.data(), 4L * kWidth, kWidth, kHeight,
                                AnimationPixelOrder::kARGB};
    for (auto _ : state) {
        benchmark::DoNotOptimize(AnimationDecodeFrame(sample.data(), sample.size(), target));
        benchmark::ClobberMemory();
    }
    Report(state, sample.size());
}

void BM_DecodeKeyFrame(benchmark::State& state) {
    Bytes sample(AnimationMaxSampleSize(kWidth, kHeight));
    sample.resize(AnimationEncodeKeyFrame(Image(TheFrames().base), sample.data()));
    DecodeRepeatedly(state, sample, Bytes(kFrameBytes));
}

void BM_DecodeDifferenceFrame(benchmark::State& state) {
    const Frames& f = TheFrames();
    Bytes sample(AnimationMaxSampleSize(kWidth, kHeight));
    sample.resize(AnimationEncodeDifferenceFrame(Image(f.changed), Image(f.base), sample.data()));
    DecodeRepeatedly(state, sample, f.base);
}

BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeKeyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeDifferenceFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncoderDifferenceFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeKeyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeDifferenceFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

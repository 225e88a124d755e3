// SWF ADPCM compression speed, against copying the same samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "SWF/FSoundComp.h"

namespace {

// One second of 44100 Hz stereo 16-bit sound.
const std::vector<uint8_t>& Samples() {
    static const std::vector<uint8_t> samples = [] {
        std::vector<uint8_t> s;
        for (int i = 0; i < 44100 * 2; ++i) {
            const auto v =
                static_cast<int16_t>(12000 * std::sin(i / 23.0) + 3000 * std::sin(i / 3.1));
            s.push_back(static_cast<uint8_t>(v & 0xFF));
            s.push_back(static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xFF));
        }
        return s;
    }();
    return samples;
}

void BM_CopySamples(benchmark::State& state) {
    const auto& in = Samples();
    std::vector<uint8_t> out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}
BENCHMARK(BM_CopySamples);

void BM_CompressAdpcm(benchmark::State& state) {
    const auto& in = Samples();
    std::vector<uint8_t> out;
    out.reserve(in.size());
    for (auto _ : state) {
        out.clear();
        FSoundComp comp(out, static_cast<int>(state.range(0)), true, false);
        comp.Compress(in.data(), static_cast<uint32_t>(in.size() / 4));
        comp.Flush();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}
BENCHMARK(BM_CompressAdpcm)->DenseRange(2, 5);

}  // namespace

// SWF stream speed against copying the same bytes: packing bit fields,
// appending tag bodies, and a movie of referenced bitmap data written out.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "SWF/FSWFStream.h"

namespace {

constexpr size_t kBytes = 1 << 20;

void BM_CopyBytes(benchmark::State& state) {
    std::vector<uint8_t> in(kBytes, 0x5A), out(kBytes);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_CopyBytes);

// Shape-record-like fields of 1 to 17 bits until a megabyte is packed.
void BM_PackBitFields(benchmark::State& state) {
    for (auto _ : state) {
        FSWFStream stream;
        uint32_t bits = 1;
        while (stream.Size() < kBytes) {
            stream.WriteBits(0x15555 & ((1u << bits) - 1), bits);
            bits = bits % 17 + 1;
        }
        benchmark::DoNotOptimize(stream.Size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_PackBitFields);

// Tag bodies of `range` bytes appended to a movie stream until it holds a
// megabyte: the body bytes are copied once.
void BM_AppendTagBodies(benchmark::State& state) {
    const auto bodySize = static_cast<size_t>(state.range(0));
    const std::vector<uint8_t> payload(bodySize, 0xA5);
    for (auto _ : state) {
        FSWFStream movie;
        while (movie.Size() < kBytes) {
            FSWFStream body;
            for (uint8_t b : payload) {
                body.WriteByte(b);
            }
            movie.AppendTag(12, body.Size(), &body);
        }
        benchmark::DoNotOptimize(movie.Size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_AppendTagBodies)->Arg(16)->Arg(1024);

// A megabyte of bitmap data in 64 tags, referenced, then written out: the
// only copy of the pixels is the write-out.
void BM_MovieOfReferencedData(benchmark::State& state) {
    const std::vector<uint8_t> pixels(kBytes, 0x3C);
    std::vector<uint8_t> out(kBytes + 64 * 16);
    constexpr uint32_t kTags = 64;
    constexpr uint32_t kPerTag = kBytes / kTags;
    for (auto _ : state) {
        FSWFStream movie;
        for (uint32_t i = 0; i < kTags; ++i) {
            FSWFStream body;
            body.WriteWord(i);
            body.WriteLargeData(pixels.data() + i * kPerTag, kPerTag);
            movie.AppendTag(36, body.Size(), &body);
        }
        movie.WriteToMemory(out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_MovieOfReferencedData);

}  // namespace

// What the benchmarks measure themselves against in the same run: CPU time
// of this thread, memcpy of the same frames, and ffmpeg's own encoders
// (QuickTime Animation, ZMBV) run as a child process on the same raw frames.
//
// CPU time rather than wall time, so that other work on a shared machine
// counts as little as possible.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/Corpus.h"

namespace mvdtest {

double ThreadCpuSeconds();

// CPU seconds per frame to copy `frames` frames of the corpus one after
// the other into one buffer: the median of several passes.
double MemcpySecondsPerFrame(const Corpus& corpus, size_t frames);

// One run of an external encoder over the first `frames` frames.
struct ExternalEncode {
    bool ran = false;
    std::string error;         // why it did not run
    double cpuSeconds = 0;     // user + system time of the encoder process
    uint64_t outputBytes = 0;  // size of the file it wrote
};

// Runs ffmpeg with the frames as BGRA rawvideo on its standard input:
//   ffmpeg -f rawvideo -pix_fmt bgra -s WxH -r 30 -i - <codecArgs> <tmp>.<extension>
ExternalEncode RunFFmpeg(const Corpus& corpus, size_t frames,
                         const std::vector<std::string>& codecArgs, const std::string& extension);

// The corpus of this size: recorded when `recorded` is true (nullptr when
// the file is missing), else generated.  Only one is kept in memory at a
// time, so a benchmark program holds one sequence of frames at most.
const Corpus* SharedCorpus(bool recorded, int32_t width, int32_t height, size_t frames);

// Sets the counters every frame benchmark reports: fps over the CPU time,
// vs_memcpy (memcpy's time per frame over ours), and describes the frames.
void SetFrameCounters(benchmark::State& state, const Corpus& corpus, double cpuSeconds,
                      double memcpySecondsPerFrame, int64_t frames);

}  // namespace mvdtest

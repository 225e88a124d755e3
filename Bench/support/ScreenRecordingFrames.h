// The frames of a screen recording that the recorder-side benchmarks hand
// over, and the baseline they are measured against: one memcpy of a frame,
// in the calling thread's CPU time.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "support/ScreenContent.h"

namespace mvdbench {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;
constexpr size_t kScreenFrameBytes = size_t{kScreenWidth} * kScreenHeight * 4;
constexpr int kScreenFrames = 16;  // captured frames, replayed in a loop

// Captured BGRA frames: a desktop, then typical edits of a recording.
const std::vector<mvdtest::ScreenImage>& CapturedScreenFrames();

// CPU time of the calling thread: what it spends itself, whatever else the
// machine runs.
double ThreadSeconds();

// CPU seconds of one memcpy of a frame: the best of a few batches, once the
// pages are in.
double MemcpySeconds();

// Sets the counter "x_memcpy": time per iteration over MemcpySeconds().
void ReportAgainstMemcpy(benchmark::State& state);

// The baseline itself, as a benchmark of its own.
void MemcpyFrames(benchmark::State& state);

}  // namespace mvdbench

// Speed of the MVDK codec on 1280x720 32-bit screen frames: key frames and
// difference frames with about 2 % of the pixels changed (text typed and a
// small region redrawn), encoded and decoded at zlib levels 1 and 6, against
// memcpy of the same frame measured in the same run.
//
// Counters: bytes_per_second is raw frame bytes; vs_memcpy is the codec's
// speed as a fraction of memcpy's (copying the same frames, in CPU time); compressed is the mean
// frame data size; ratio is raw size over it; changed_pct the share of pixels changed; fps frames
// per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "Codec/MVDKEncoder.h"
#include "Codec/MVDKFrameCompressor.h"
#include "Codec/MVDKFrameDecompressor.h"
#include "support/ScreenContent.h"

namespace {

using mvdtest::ScreenContent;
using mvdtest::ScreenImage;

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;
constexpr size_t kFrameBytes = size_t{kWidth} * kHeight * 4;
constexpr MVDKFrameInfo kInfo{32, kWidth, kHeight, 0, 32};
constexpr int32_t kRowBytes = kWidth * 4;

// A chain of frames, each an edit of the one before.  Played forwards and
// backwards, every step is a real frame-to-frame change.
struct Chain {
    std::vector<ScreenImage> frames;
    double changedPercent = 0;

    // The frame shown at step k of the back-and-forth walk.
    const ScreenImage& at(size_t k) const {
        const size_t period = 2 * (frames.size() - 1);
        const size_t i = k % period;
        return frames[i < frames.size() ? i : period - i];
    }
    size_t period() const { return 2 * (frames.size() - 1); }
};

// region: side of the square redrawn per frame besides the typing.
Chain MakeChain(int32_t region, size_t length) {
    Chain chain;
    ScreenImage image(kWidth, kHeight);
    ScreenContent screen(kWidth, kHeight, 7);
    screen.render(image);
    chain.frames.push_back(image);
    int64_t changed = 0;
    for (size_t i = 1; i < length; ++i) {
        screen.typeText(image, 4);
        if (i % 5 == 0)
            screen.tickClock(image);
        screen.redrawRegion(image, region, region);
        changed += image.countDifferences(chain.frames.back());
        chain.frames.push_back(image);
    }
    chain.changedPercent = 100.0 * changed / (length - 1) / (double{kWidth} * kHeight);
    return chain;
}

const Chain& TwoPercent() {
    static const Chain chain = MakeChain(140, 24);
    return chain;
}

const Chain& ThreePercent() {
    static const Chain chain = MakeChain(205, 24);
    return chain;
}

// CPU time of this thread, so that other work on a shared machine does not
// count.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Copies the frames of a chain one after the other into one buffer, as the
// codec reads them: the baseline of every benchmark here.
class FrameCopier {
  public:
    FrameCopier() : m_to(kFrameBytes) {}
    void copyNext() {
        std::memcpy(m_to.data(), TwoPercent().at(m_k++).data(), kFrameBytes);
        benchmark::DoNotOptimize(m_to.data());
        benchmark::ClobberMemory();
    }

  private:
    std::vector<uint8_t> m_to;
    size_t m_k = 0;
};

// CPU seconds memcpy takes for one frame, measured once: best of 9 runs.
double MemcpySeconds() {
    static const double seconds = [] {
        FrameCopier copier;
        double best = 1e9;
        for (int run = 0; run < 9; ++run) {
            const double start = CpuSeconds();
            for (int i = 0; i < 48; ++i)
                copier.copyNext();
            best = std::min(best, (CpuSeconds() - start) / 48);
        }
        return best;
    }();
    return seconds;
}

// Runs body once per iteration and sets the common counters.
template <class Body>
void Measure(benchmark::State& state, Body&& body) {
    const double memcpySeconds = MemcpySeconds();
    double compressed = 0;
    const double start = CpuSeconds();
    for (auto _ : state) {
        compressed += body();
    }
    const double seconds = CpuSeconds() - start;
    const auto n = static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
    state.counters["vs_memcpy"] = memcpySeconds / (seconds / n);
    state.counters["fps"] = benchmark::Counter(n, benchmark::Counter::kIsRate);
    if (compressed > 0) {
        state.counters["compressed"] = compressed / n;
        state.counters["ratio"] = kFrameBytes / (compressed / n);
    }
}

class Encoder {
  public:
    Encoder() : m_out(MVDKFrameCompressor::MaxFrameDataSize(kWidth, kHeight, 32)) {
        if (m_compressor.beginSequence(kWidth, kHeight, 32) != noErr)
            std::abort();
    }
    // Compresses one frame; returns the data and its length.
    const uint8_t* compress(const ScreenImage& image, int level, bool key, uint32_t& length) {
        MVDKCompressOptions options;
        options.frameNumber = m_frame++;
        options.forceKeyFrame = key;
        options.level = level;
        options.swap = false;  // BGRA pixels are stored as they are
        const MVDKCompressResult r = m_compressor.compressFrame(
            kInfo, image.data(), kRowBytes, options, m_out.data(), m_out.size());
        if (r.err != noErr)
            std::abort();
        length = r.dataLength;
        return m_out.data();
    }

  private:
    MVDKFrameCompressor m_compressor;
    std::vector<uint8_t> m_out;
    uint32_t m_frame = 0;
};

void BM_Memcpy(benchmark::State& state) {
    FrameCopier copier;
    Measure(state, [&] {
        copier.copyNext();
        return 0.0;
    });
}

void BM_EncodeKey(benchmark::State& state) {
    const ScreenImage& frame = TwoPercent().frames[0];
    Encoder encoder;
    Measure(state, [&] {
        uint32_t length = 0;
        encoder.compress(frame, static_cast<int>(state.range(0)), true, length);
        return double(length);
    });
}

void BM_EncodeDiff(benchmark::State& state) {
    const Chain& chain = TwoPercent();
    Encoder encoder;
    uint32_t length = 0;
    encoder.compress(chain.at(0), 6, true, length);
    size_t k = 0;
    Measure(state, [&] {
        encoder.compress(chain.at(++k), static_cast<int>(state.range(0)), false, length);
        return double(length);
    });
    state.counters["changed_pct"] = chain.changedPercent;
}

// The run-length stage alone, without deflate.
void BM_RunLengthDiff(benchmark::State& state) {
    const Chain& chain = TwoPercent();
    std::vector<uint8_t> out(mvdk::EncodeBound(kWidth, kHeight, 32));
    size_t k = 0;
    Measure(state, [&] {
        const ScreenImage& prev = chain.at(k);
        const ScreenImage& next = chain.at(++k);
        return double(
            MVDK_Encode(&kInfo, prev.data(), next.data(), out.data(), 0, 0, kRowBytes, 0));
    });
}

// Frame data for every step of a chain's walk, key frame first.
std::vector<std::vector<uint8_t>> EncodeWalk(const Chain& chain, int level, size_t keyEvery) {
    Encoder encoder;
    std::vector<std::vector<uint8_t>> frames;
    const size_t count = keyEvery == SIZE_MAX ? chain.period() : std::max(chain.period(), keyEvery);
    for (size_t k = 0; k < count; ++k) {
        uint32_t length = 0;
        const uint8_t* data = encoder.compress(chain.at(k), level, k % keyEvery == 0, length);
        frames.emplace_back(data, data + length);
    }
    return frames;
}

void Decode(benchmark::State& state, const std::vector<std::vector<uint8_t>>& frames,
            size_t first) {
    MVDKFrameDecompressor decompressor;
    std::vector<uint8_t> picture(kFrameBytes);
    if (decompressor.reserve(kInfo, kRowBytes) != noErr)
        std::abort();
    for (size_t k = 0; k < first; ++k) {
        (void)decompressor.decompressFrame(kInfo, frames[k].data(), frames[k].size(),
                                           picture.data(), kRowBytes);
    }
    size_t k = first;
    Measure(state, [&] {
        const auto& data = frames[k];
        k = k + 1 < frames.size() ? k + 1 : first;
        if (decompressor.decompressFrame(kInfo, data.data(), data.size(), picture.data(),
                                         kRowBytes) != noErr) {
            std::abort();
        }
        return double(data.size());
    });
}

void BM_DecodeKey(benchmark::State& state) {
    const auto frames = EncodeWalk(TwoPercent(), static_cast<int>(state.range(0)), 1);
    Decode(state, {frames[0]}, 0);
}

void BM_DecodeDiff(benchmark::State& state) {
    const auto frames = EncodeWalk(TwoPercent(), static_cast<int>(state.range(0)), SIZE_MAX);
    Decode(state, frames, 1);
    state.counters["changed_pct"] = TwoPercent().changedPercent;
}

// A recording: about 3 % of the pixels change per frame, a key frame every
// 80 frames, level 6.
void BM_EncodeRecording(benchmark::State& state) {
    const Chain& chain = ThreePercent();
    Encoder encoder;
    size_t k = 0;
    Measure(state, [&] {
        uint32_t length = 0;
        encoder.compress(chain.at(k), 6, k % 80 == 0, length);
        ++k;
        return double(length);
    });
    state.counters["changed_pct"] = chain.changedPercent;
}

void BM_DecodeRecording(benchmark::State& state) {
    const auto frames = EncodeWalk(ThreePercent(), 6, 80);
    Decode(state, frames, 0);
    state.counters["changed_pct"] = ThreePercent().changedPercent;
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeKey)->Arg(1)->Arg(6)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeDiff)->Arg(1)->Arg(6)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RunLengthDiff)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_DecodeKey)->Arg(1)->Arg(6)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeDiff)->Arg(1)->Arg(6)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeRecording)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeRecording)->Unit(benchmark::kMicrosecond);

}  // namespace

// zlib against libdeflate on the data the library deflates, taken from the
// recorded corpus (generated content when it is missing): the screen codec's
// run-length streams (a key frame every 80 frames), the capture writer's
// Delta RLE rectangles, and the raw pixels of changed rectangles as the SWF
// export's lossless bitmaps hold them.  For each zlib level and strategy,
// the libdeflate run uses the level the library maps it to, so the table
// checks that mapping: size_vs_zlib at or below 1 means libdeflate's files
// are no larger than zlib's.
//
// Counters: ratio (input over output), MB_per_s (input per CPU second),
// size_vs_zlib (libdeflate rows only), libdeflate_level.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Capture/DeltaRLE.h"
#include "Codec/MVDKEncoder.h"
#include "Codec/MVDKFrameEncoder.h"
#include "Compression/ZlibCompressor.h"
#include "support/Baselines.h"

namespace {

using mvd::DeflateBackend;
using mvd::ZlibCompressor;
using mvdtest::Corpus;
using Buffers = std::vector<std::vector<uint8_t>>;

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;
constexpr size_t kFrames = 120;

enum class Kind { CodecStreams, CaptureRects, BitmapPixels };

const Corpus& Frames() {
    const Corpus* corpus = mvdtest::SharedCorpus(true, kWidth, kHeight, kFrames);
    return corpus ? *corpus : *mvdtest::SharedCorpus(false, kWidth, kHeight, kFrames);
}

Buffers CodecStreams(const Corpus& c) {
    Buffers out;
    const MVDKFrameInfo info{32, c.width(), c.height(), 0, 32};
    std::vector<uint8_t> stream(mvdk::EncodeBound(c.width(), c.height(), 32));
    for (size_t i = 0; i < c.size(); ++i) {
        const void* prev = i % 80 == 0 ? nullptr : c.frame(i - 1);
        const int32_t n = MVDK_Encode(&info, prev, c.frame(i), stream.data(), 0, 0,
                                      static_cast<int32_t>(c.rowBytes()), 0);
        if (n > 10)
            out.emplace_back(stream.begin(), stream.begin() + n);
    }
    return out;
}

Buffers CaptureRects(const Corpus& c) {
    Buffers out;
    std::vector<uint8_t> rle(DeltaRLE::maxCompressedSize32(c.width(), c.height()));
    for (size_t i = 1; i < c.size(); ++i) {
        for (const mvdtest::ScreenRect& r : c.dirty(i)) {
            const int n = DeltaRLE::compress32(
                const_cast<uint8_t*>(c.frame(i - 1)), const_cast<uint8_t*>(c.frame(i)), c.width(),
                c.height(), r.x, r.y, r.width, r.height, rle.data(), 0x00FFFFFF);
            out.emplace_back(rle.begin(), rle.begin() + n);
        }
    }
    return out;
}

Buffers BitmapPixels(const Corpus& c) {
    Buffers out;
    for (size_t i = 1; i < c.size(); ++i) {
        for (const mvdtest::ScreenRect& r : c.dirty(i)) {
            std::vector<uint8_t> pixels;
            for (int32_t y = r.y; y < r.y + r.height; ++y) {
                const uint8_t* line = c.frame(i) + static_cast<size_t>(y) * c.rowBytes() + r.x * 4;
                pixels.insert(pixels.end(), line, line + static_cast<size_t>(r.width) * 4);
            }
            out.push_back(std::move(pixels));
        }
    }
    return out;
}

const Buffers& Data(Kind kind) {
    static std::map<Kind, Buffers> data;
    auto it = data.find(kind);
    if (it == data.end()) {
        const Corpus& c = Frames();
        Buffers b = kind == Kind::CodecStreams   ? CodecStreams(c)
                    : kind == Kind::CaptureRects ? CaptureRects(c)
                                                 : BitmapPixels(c);
        it = data.emplace(kind, std::move(b)).first;
    }
    return it->second;
}

// Compresses every buffer once; returns the total output size.
size_t CompressAll(ZlibCompressor& compressor, const Buffers& buffers, int level, int strategy,
                   std::vector<uint8_t>& out) {
    size_t total = 0;
    for (const auto& in : buffers) {
        size_t length = out.size();
        if (compressor.compress(out.data(), &length, in.data(), in.size(), level, strategy) !=
            Z_OK) {
            std::abort();
        }
        total += length;
    }
    return total;
}

size_t ZlibSize(Kind kind, int level, int strategy) {
    static std::map<std::tuple<Kind, int, int>, size_t> sizes;
    const auto key = std::tuple{kind, level, strategy};
    if (!sizes.count(key)) {
        ZlibCompressor zlib(DeflateBackend::Zlib);
        std::vector<uint8_t> out(compressBound(kWidth * kHeight * 8));
        sizes[key] = CompressAll(zlib, Data(kind), level, strategy, out);
    }
    return sizes[key];
}

void BM_Deflate(benchmark::State& state, Kind kind, DeflateBackend backend, int strategy) {
    if (backend == DeflateBackend::Libdeflate && !ZlibCompressor::HaveLibdeflate()) {
        state.SkipWithError("built without libdeflate");
        return;
    }
    const int level = static_cast<int>(state.range(0));
    const Buffers& buffers = Data(kind);
    size_t input = 0;
    for (const auto& b : buffers)
        input += b.size();
    ZlibCompressor compressor(backend);
    std::vector<uint8_t> out(compressBound(kWidth * kHeight * 8));
    size_t output = 0;
    const double start = mvdtest::ThreadCpuSeconds();
    for (auto _ : state)
        output = CompressAll(compressor, buffers, level, strategy, out);
    const double seconds = mvdtest::ThreadCpuSeconds() - start;
    const auto passes = static_cast<double>(state.iterations());
    state.counters["ratio"] = static_cast<double>(input) / static_cast<double>(output);
    state.counters["MB_per_s"] = static_cast<double>(input) * passes / seconds / 1e6;
    if (backend == DeflateBackend::Libdeflate) {
        state.counters["size_vs_zlib"] =
            static_cast<double>(output) / static_cast<double>(ZlibSize(kind, level, strategy));
        state.counters["libdeflate_level"] = ZlibCompressor::LibdeflateLevel(level, strategy);
    }
    state.SetLabel(Frames().path() == "generated" ? "generated" : "recorded");
}

int RegisterAll() {
    const std::pair<Kind, const char*> kinds[] = {{Kind::CodecStreams, "codec_streams"},
                                                  {Kind::CaptureRects, "capture_rects"},
                                                  {Kind::BitmapPixels, "bitmap_pixels"}};
    for (const auto& [kind, name] : kinds) {
        for (const int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED}) {
            if (strategy == Z_FILTERED && kind != Kind::CodecStreams)
                continue;
            for (const auto backend : {DeflateBackend::Zlib, DeflateBackend::Libdeflate}) {
                const std::string title = std::string("BM_Deflate/") + name +
                                          (strategy == Z_FILTERED ? "/filtered/" : "/default/") +
                                          (backend == DeflateBackend::Zlib ? "zlib" : "libdeflate");
                benchmark::RegisterBenchmark(title.c_str(), BM_Deflate, kind, backend, strategy)
                    ->ArgName("level")
                    ->DenseRange(1, 9)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    return 0;
}

const int registered = RegisterAll();

}  // namespace

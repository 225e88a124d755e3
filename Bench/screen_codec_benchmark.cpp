// The screen codec as a host drives it, through its compressor and
// decompressor components: 32-bit frames, a key frame every 80 frames, at
// zlib levels 1, 6 and 9, at 1280x720 and 1920x1080, on the recorded corpus
// (scripts/corpus.sh; skipped when missing) and on generated screen changes.
// Baselines measured in the same run on the same frames: memcpy, the
// Animation coder with zlib level 6 per frame, and ffmpeg's QuickTime
// Animation and ZMBV encoders (whole-process CPU time).
//
// Each benchmark walks the first N frames in order (N = 240 at 1280x720, 160
// at 1920x1080, three or two key-frame intervals) and starts again with a
// key frame.  Counters: fps (frames per CPU second), ratio (raw 32-bit size
// over the frame data size), vs_memcpy (memcpy's time over ours),
// changed_pct (pixels changed per frame), memcpy_fps.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Codec/MVDKCodecComponent.h"
#include "Codec/MVDKFrameCompressor.h"
#include "ImageCompression/AnimationCodec.h"
#include "support/Baselines.h"

namespace {

using mvdtest::Corpus;

constexpr size_t kKeyEvery = 80;

size_t FramesFor(int32_t width) {
    return width > 1280 ? 160 : 240;
}

// Preferences go to a temporary folder, never the user's.
struct Components {
    Components() {
        const auto home = std::filesystem::temp_directory_path() / "mvd_bench_config";
        std::filesystem::create_directories(home);
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        encoder = MVDKRegisterEncoderComponent();
        decoder = MVDKRegisterDecoderComponent();
    }
    Component encoder;
    Component decoder;
};

const Components& Registered() {
    static const Components components;
    return components;
}

// An image description handle of the screen codec.
class Description {
  public:
    Description(int32_t width, int32_t height) {
        m_handle =
            reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
        ImageDescription& d = **m_handle;
        d.idSize = sizeof(ImageDescription);
        d.cType = kMVDKCodecType;
        d.width = static_cast<SInt16>(width);
        d.height = static_cast<SInt16>(height);
        d.depth = 32;
    }
    ~Description() { DisposeHandle(reinterpret_cast<Handle>(m_handle)); }
    Description(const Description&) = delete;
    Description& operator=(const Description&) = delete;
    ImageDescriptionHandle handle() const { return m_handle; }
    // The host gives the decompressor each frame's length here.
    void setDataSize(size_t size) { (**m_handle).dataSize = static_cast<SInt32>(size); }

  private:
    ImageDescriptionHandle m_handle;
};

PixMap PixMapOf(const Corpus& corpus, const uint8_t* pixels) {
    PixMap pm{};
    pm.baseAddr = reinterpret_cast<Ptr>(const_cast<uint8_t*>(pixels));
    pm.rowBytes = static_cast<SInt16>(corpus.rowBytes());
    pm.bounds =
        Rect{0, 0, static_cast<SInt16>(corpus.height()), static_cast<SInt16>(corpus.width())};
    pm.pixelSize = 32;
    return pm;
}

// The host's side of compressing a sequence through the component.
class ComponentEncoder {
  public:
    ComponentEncoder(const Corpus& corpus, int level)
        : m_corpus(corpus), m_desc(corpus.width(), corpus.height()), m_out(corpus.frameBytes()) {
        Registered();
        if (OpenADefaultComponent(compressorComponentType, kMVDKCodecType, &m_ci) != noErr ||
            MVDK_SetSrcEndianSwapped(m_ci, 1) != noErr ||  // BGRA frames, taken as they are
            MVDK_SetCompressorLevel(m_ci, level) != noErr) {
            std::abort();
        }
        begin();
    }
    ~ComponentEncoder() { CloseComponent(m_ci); }

    // Compresses frame k of the walk; returns the frame data size.
    long compress(size_t k) {
        const size_t i = k % m_frames;
        if (i == 0 && k != 0)
            begin();
        CodecCompressParams params{};
        CodecCapabilities caps{};
        params.imageDescription = m_desc.handle();
        params.data = reinterpret_cast<Ptr>(m_out.data());
        params.bufferSize = static_cast<long>(m_out.size());
        params.frameNumber = static_cast<long>(i);
        params.callerFlags = i % kKeyEvery == 0 ? codecFlagForceKeyFrame : 0;
        params.conditionFlags = codecConditionFirstBand | codecConditionLastBand;
        params.capabilities = &caps;
        params.srcPixMap = PixMapOf(m_corpus, m_corpus.frame(i));
        params.temporalQuality = codecNormalQuality;
        params.spatialQuality = codecLosslessQuality;
        if (ImageCodecBandCompress(m_ci, &params) != noErr)
            std::abort();
        return params.compressedDataSize;
    }
    const std::vector<uint8_t>& out() const { return m_out; }
    void setFrames(size_t frames) { m_frames = frames; }

  private:
    void begin() {
        CodecCompressParams params{};
        CodecCapabilities caps{};
        params.imageDescription = m_desc.handle();
        params.capabilities = &caps;
        if (ImageCodecPreCompress(m_ci, &params) != noErr)
            std::abort();
    }

    const Corpus& m_corpus;
    Description m_desc;
    std::vector<uint8_t> m_out;
    ComponentInstance m_ci = nullptr;
    size_t m_frames = 1;
};

const Corpus* CorpusOrSkip(benchmark::State& state, bool recorded, int32_t width, int32_t height) {
    const Corpus* corpus = mvdtest::SharedCorpus(recorded, width, height, FramesFor(width));
    if (corpus == nullptr) {
        state.SkipWithError(("no corpus at " + Corpus::PathFor(width, height) +
                             "; record it with scripts/corpus.sh")
                                .c_str());
    }
    return corpus;
}

// Times step(k) for k = 0, 1, ... (frame k % frames of the walk, which starts
// again with a key frame), then sizes one whole walk untimed, so that the
// ratio does not depend on where the timed loop stopped.  step returns the
// bytes of the frame's data.
template <class Step>
void TimeWalk(benchmark::State& state, const Corpus& corpus, size_t frames, Step&& step) {
    const double memcpySeconds = mvdtest::MemcpySecondsPerFrame(corpus, frames);
    size_t k = 0;
    const double start = mvdtest::ThreadCpuSeconds();
    for (auto _ : state)
        benchmark::DoNotOptimize(step(k++));
    const double seconds = mvdtest::ThreadCpuSeconds() - start;
    mvdtest::SetFrameCounters(state, corpus, seconds, memcpySeconds, state.iterations());
    const size_t first = (k / frames + 1) * frames;
    double bytes = 0;
    for (size_t j = 0; j < frames; ++j)
        bytes += static_cast<double>(step(first + j));
    state.counters["ratio"] =
        static_cast<double>(corpus.frameBytes()) * static_cast<double>(frames) / bytes;
    state.counters["bytes_per_frame"] = bytes / static_cast<double>(frames);
}

void BM_Memcpy(benchmark::State& state, bool recorded, int32_t width, int32_t height) {
    const Corpus* corpus = CorpusOrSkip(state, recorded, width, height);
    if (!corpus)
        return;
    const size_t frames = std::min(FramesFor(width), corpus->size());
    std::vector<uint8_t> to(corpus->frameBytes());
    size_t k = 0;
    const double start = mvdtest::ThreadCpuSeconds();
    for (auto _ : state) {
        std::memcpy(to.data(), corpus->frame(k++ % frames), corpus->frameBytes());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    const double seconds = mvdtest::ThreadCpuSeconds() - start;
    mvdtest::SetFrameCounters(state, *corpus, seconds,
                              seconds / static_cast<double>(state.iterations()),
                              state.iterations());
}

void BM_Encode(benchmark::State& state, bool recorded, int32_t width, int32_t height) {
    const Corpus* corpus = CorpusOrSkip(state, recorded, width, height);
    if (!corpus)
        return;
    const size_t frames = std::min(FramesFor(width), corpus->size());
    ComponentEncoder encoder(*corpus, static_cast<int>(state.range(0)));
    encoder.setFrames(frames);
    TimeWalk(state, *corpus, frames, [&](size_t k) { return encoder.compress(k); });
}

void BM_Decode(benchmark::State& state, bool recorded, int32_t width, int32_t height) {
    const Corpus* corpus = CorpusOrSkip(state, recorded, width, height);
    if (!corpus)
        return;
    const size_t frames = std::min(FramesFor(width), corpus->size());
    const double memcpySeconds = mvdtest::MemcpySecondsPerFrame(*corpus, frames);
    std::vector<std::vector<uint8_t>> data;
    {
        ComponentEncoder encoder(*corpus, static_cast<int>(state.range(0)));
        encoder.setFrames(frames);
        for (size_t k = 0; k < frames; ++k) {
            const long size = encoder.compress(k);
            data.emplace_back(encoder.out().begin(), encoder.out().begin() + size);
        }
    }
    ComponentInstance ci = nullptr;
    const OSErr opened = OpenADefaultComponent(decompressorComponentType, kMVDKCodecType, &ci);
    if (opened != noErr) {
        state.SkipWithError(("the decompressor did not open: " + std::to_string(opened)).c_str());
        return;
    }
    Description desc(corpus->width(), corpus->height());
    std::vector<uint8_t> picture(corpus->frameBytes());
    const auto decode = [&](size_t i) {
        CodecDecompressParams params{};
        CodecCapabilities caps{};
        params.imageDescription = desc.handle();
        params.data = reinterpret_cast<Ptr>(data[i].data());
        params.bufferSize = static_cast<long>(data[i].size());
        params.conditionFlags = codecConditionFirstBand | codecConditionLastBand;
        params.capabilities = &caps;
        params.dstPixMap = PixMapOf(*corpus, picture.data());
        params.dstRect = params.dstPixMap.bounds;
        params.srcRect = params.dstPixMap.bounds;
        desc.setDataSize(data[i].size());
        if (i == 0 && ImageCodecPreDecompress(ci, &params) != noErr)
            std::abort();
        if (ImageCodecBandDecompress(ci, &params) != noErr)
            std::abort();
    };
    size_t k = 0;
    const double start = mvdtest::ThreadCpuSeconds();
    for (auto _ : state)
        decode(k++ % frames);
    const double seconds = mvdtest::ThreadCpuSeconds() - start;
    CloseComponent(ci);
    mvdtest::SetFrameCounters(state, *corpus, seconds, memcpySeconds, state.iterations());
}

// The zlib stage with each deflater, through the frame compressor (level 6).
void BM_EncodeWithDeflater(benchmark::State& state, bool recorded, int32_t width, int32_t height) {
    const Corpus* corpus = CorpusOrSkip(state, recorded, width, height);
    if (!corpus)
        return;
    const auto backend = static_cast<mvd::DeflateBackend>(state.range(0));
    if (backend == mvd::DeflateBackend::Libdeflate && !mvd::ZlibCompressor::HaveLibdeflate()) {
        state.SkipWithError("built without libdeflate");
        return;
    }
    const size_t frames = std::min(FramesFor(width), corpus->size());
    MVDKFrameCompressor compressor;
    compressor.setDeflateBackend(backend);
    std::vector<uint8_t> out(MVDKFrameCompressor::MaxFrameDataSize(width, height, 32));
    const MVDKFrameInfo info{32, width, height, 0, 32};
    TimeWalk(state, *corpus, frames, [&](size_t k) {
        const size_t i = k % frames;
        if (i == 0 && compressor.beginSequence(width, height, 32) != noErr)
            std::abort();
        MVDKCompressOptions options;
        options.frameNumber = static_cast<uint32_t>(i);
        options.forceKeyFrame = i % kKeyEvery == 0;
        options.swap = false;
        const MVDKCompressResult r = compressor.compressFrame(
            info, corpus->frame(i), static_cast<int32_t>(corpus->rowBytes()), options, out.data(),
            out.size());
        if (r.err != noErr)
            std::abort();
        return r.dataLength;
    });
}

// The QuickTime Animation coder (the platform's own) with its frames
// deflated one by one by zlib at level 6: what run-length coding plus zlib
// gives without the screen codec's format.
void BM_AnimationDeflated(benchmark::State& state, bool recorded, int32_t width, int32_t height) {
    const Corpus* corpus = CorpusOrSkip(state, recorded, width, height);
    if (!corpus)
        return;
    const size_t frames = std::min(FramesFor(width), corpus->size());
    std::vector<UInt8> sample(AnimationMaxSampleSize(width, height));
    std::vector<uint8_t> out(compressBound(sample.size()));
    mvd::ZlibCompressor zlib(mvd::DeflateBackend::Zlib);
    const auto image = [&](size_t i) {
        return AnimationConstImage{corpus->frame(i), static_cast<long>(corpus->rowBytes()), width,
                                   height, AnimationPixelOrder::kBGRA};
    };
    TimeWalk(state, *corpus, frames, [&](size_t k) {
        const size_t i = k % frames;
        const size_t n = i % kKeyEvery == 0 ? AnimationEncodeKeyFrame(image(i), sample.data())
                                            : AnimationEncodeDifferenceFrame(image(i), image(i - 1),
                                                                             sample.data());
        size_t length = out.size();
        if (n == 0 || zlib.compress(out.data(), &length, sample.data(), n, 6, 0) != Z_OK)
            std::abort();
        return length;
    });
}

// ffmpeg's encoder over the same frames, once per repetition (its run is
// long): fps over the ffmpeg process's CPU time, ratio from its file size.
void BM_FFmpeg(benchmark::State& state, bool recorded, int32_t width, int32_t height,
               const std::vector<std::string>& args, const std::string& extension) {
    const Corpus* corpus = CorpusOrSkip(state, recorded, width, height);
    if (!corpus)
        return;
    const size_t frames = std::min(FramesFor(width), corpus->size());
    const double memcpySeconds = mvdtest::MemcpySecondsPerFrame(*corpus, frames);
    mvdtest::ExternalEncode run;
    for (auto _ : state) {
        run = mvdtest::RunFFmpeg(*corpus, frames, args, extension);
        if (!run.ran) {
            state.SkipWithError(run.error.c_str());
            return;
        }
        state.SetIterationTime(run.cpuSeconds);
    }
    mvdtest::SetFrameCounters(state, *corpus, run.cpuSeconds, memcpySeconds,
                              static_cast<int64_t>(frames));
    state.counters["ratio"] = static_cast<double>(corpus->frameBytes()) *
                              static_cast<double>(frames) / static_cast<double>(run.outputBytes);
}

int RegisterAll() {
    const std::vector<std::string> qtrle = {"-c:v", "qtrle", "-pix_fmt", "argb", "-g", "80"};
    const std::vector<std::string> zmbv = {"-c:v", "zmbv", "-pix_fmt",           "bgr0",
                                           "-g",   "80",   "-compression_level", "9"};
    for (const bool recorded : {true, false}) {
        for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}}) {
            const std::string tail = std::string(recorded ? "/recorded/" : "/generated/") +
                                     std::to_string(w) + "x" + std::to_string(h);
            benchmark::RegisterBenchmark(("BM_Memcpy" + tail).c_str(), BM_Memcpy, recorded, w, h)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("BM_Encode" + tail).c_str(), BM_Encode, recorded, w, h)
                ->ArgName("level")
                ->Arg(1)
                ->Arg(6)
                ->Arg(9)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("BM_Decode" + tail).c_str(), BM_Decode, recorded, w, h)
                ->ArgName("level")
                ->Arg(6)
                ->Unit(benchmark::kMicrosecond);
            if (w == 1280) {
                benchmark::RegisterBenchmark(("BM_EncodeWithDeflater" + tail).c_str(),
                                             BM_EncodeWithDeflater, recorded, w, h)
                    ->ArgName("libdeflate")
                    ->Arg(static_cast<int>(mvd::DeflateBackend::Zlib))
                    ->Arg(static_cast<int>(mvd::DeflateBackend::Libdeflate))
                    ->Unit(benchmark::kMicrosecond);
            }
            benchmark::RegisterBenchmark(("BM_AnimationDeflated" + tail).c_str(),
                                         BM_AnimationDeflated, recorded, w, h)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("BM_FFmpegAnimation" + tail).c_str(), BM_FFmpeg, recorded,
                                         w, h, qtrle, "mov")
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("BM_FFmpegZMBV" + tail).c_str(), BM_FFmpeg, recorded, w,
                                         h, zmbv, "avi")
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    return 0;
}

const int registered = RegisterAll();

}  // namespace

// MVRCWriter::writeFrame at 1280 x 720 with the dirty rectangles a recorder
// reports (16 x 16 tiles that changed), on the recorded corpus (skipped when
// missing) and on generated screen changes.  The frames are walked in order
// and the walk starts again with the whole screen as the dirty rectangle.
//
// BM_WriteFrame: each compression type writing to memory; fps per CPU second
// of the writing thread, bytes_per_frame, file_MB for the whole walk,
// vs_memcpy (memcpy of the same dirty pixels over our time).
// BM_FileWriters: the same frames written through the asynchronous file
// writer (to a real file, its disk thread writing) and through the
// synchronous one, against writing to memory in the same run;
// vs_memory is the recording thread's time per frame over the time with the
// memory sink (1.10 = 10 % more).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "Capture/AsynchronousFileWriter.h"
#include "Capture/MVRCWriter.h"
#include "Capture/SynchronousFileWriter.h"
#include "support/Baselines.h"

namespace {

using mvdtest::Corpus;

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;
constexpr size_t kFrames = 240;

// Keeps the bytes in a reused block of memory, counting them.
class MemorySink : public FileWriter {
  public:
    void open(const std::string&) override { m_block.resize(64 << 20); }
    void write(const void* data, int n) override {
        if (n <= 0)
            return;
        const auto size = static_cast<size_t>(n);
        if (m_at + size > m_block.size())
            m_at = 0;
        std::memcpy(m_block.data() + m_at, data, std::min(size, m_block.size()));
        m_at += size;
        m_bytes += size;
    }
    void flush() override {}
    void setBufferSize(int) override {}
    void close() override {}
    uint64_t bytes() const { return m_bytes; }

  private:
    std::vector<uint8_t> m_block;
    size_t m_at = 0;
    uint64_t m_bytes = 0;
};

struct Frames {
    const Corpus& corpus;
    bool recorded = false;
    std::vector<std::unique_ptr<MVDImage>> images;
    mutable std::vector<std::vector<CGRect>> rects;  // writeFrame takes them non-const
    double dirtyPixelsPerFrame = 0;

    explicit Frames(const Corpus& c) : corpus(c) {
        for (size_t i = 0; i < c.size(); ++i) {
            images.push_back(std::make_unique<MVDImage>(
                c.width(), c.height(), kMVDPixelFormat32BGRA, 4, const_cast<uint8_t*>(c.frame(i))));
            rects.emplace_back();
            for (const mvdtest::ScreenRect& r : c.dirty(i)) {
                rects.back().push_back(
                    CGRectMake(float(r.x), float(r.y), float(r.width), float(r.height)));
                dirtyPixelsPerFrame += static_cast<double>(r.area());
            }
        }
        dirtyPixelsPerFrame /= static_cast<double>(c.size());
    }
};

// The frames of the corpus as writeFrame takes them; one set kept at a time.
const Frames* SharedFrames(benchmark::State& state, bool recorded) {
    static std::unique_ptr<Frames> frames;
    const Corpus* corpus = mvdtest::SharedCorpus(recorded, kWidth, kHeight, kFrames);
    if (corpus == nullptr) {
        state.SkipWithError(("no corpus at " + Corpus::PathFor(kWidth, kHeight) +
                             "; record it with scripts/corpus.sh")
                                .c_str());
        return nullptr;
    }
    // A corpus read after another may sit at the same address: the kind
    // tells them apart.
    if (!frames || &frames->corpus != corpus || frames->recorded != recorded) {
        frames = std::make_unique<Frames>(*corpus);
        frames->recorded = recorded;
    }
    return frames.get();
}

// CPU seconds per frame to copy the dirty pixels of every frame.
double MemcpySecondsPerFrame(const Frames& f) {
    std::vector<uint8_t> target(f.corpus.frameBytes());
    const size_t row = f.corpus.rowBytes();
    const double start = mvdtest::ThreadCpuSeconds();
    for (size_t i = 0; i < f.corpus.size(); ++i) {
        for (const mvdtest::ScreenRect& r : f.corpus.dirty(i)) {
            for (int32_t y = r.y; y < r.y + r.height; ++y) {
                const size_t at = size_t(y) * row + size_t(r.x) * 4;
                std::memcpy(target.data() + at, f.corpus.frame(i) + at, size_t(r.width) * 4);
            }
        }
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    return (mvdtest::ThreadCpuSeconds() - start) / static_cast<double>(f.corpus.size());
}

// Writes `count` frames of the walk from step k on, advancing k; returns
// the writing thread's CPU seconds.
double WriteFrames(MVRCWriter& writer, const Frames& f, size_t& k, size_t count) {
    const double start = mvdtest::ThreadCpuSeconds();
    for (size_t n = 0; n < count; ++n, ++k) {
        const size_t i = k % f.corpus.size();
        std::vector<CGRect>& rects = f.rects[i];
        writer.writeFrame(1, 30.0f, f.images[i].get(), static_cast<unsigned>(rects.size()),
                          rects.data());
    }
    return mvdtest::ThreadCpuSeconds() - start;
}

void Open(MVRCWriter& writer, MVRCCompressionType type, const std::string& path) {
    tagMVDImageFormat format{kWidth, kHeight, kMVDPixelFormat32BGRA, 4};
    writer.setCompressionType(type);
    writer.openFile(path);
    writer.writeHeader(&format);
}

void BM_WriteFrame(benchmark::State& state, bool recorded) {
    const Frames* f = SharedFrames(state, recorded);
    if (!f)
        return;
    const auto type = static_cast<MVRCCompressionType>(state.range(0));
    const double memcpySeconds = MemcpySecondsPerFrame(*f);
    auto sink = std::make_unique<MemorySink>();
    MemorySink* memory = sink.get();
    MVRCWriter writer(std::move(sink));
    Open(writer, type, "memory");
    size_t k = 0;
    double seconds = 0;
    for (auto _ : state)
        seconds += WriteFrames(writer, *f, k, 1);
    writer.closeFile();
    mvdtest::SetFrameCounters(state, f->corpus, seconds, memcpySeconds, state.iterations());
    const double bytesPerFrame =
        static_cast<double>(memory->bytes()) / static_cast<double>(state.iterations());
    state.counters["bytes_per_frame"] = bytesPerFrame;
    state.counters["file_MB"] = bytesPerFrame * static_cast<double>(f->corpus.size()) / 1e6;
    state.counters["dirty_px_per_frame"] = f->dirtyPixelsPerFrame;
}

// Passes over the whole walk, alternating the memory sink and the file
// writer so that both see the same machine load; medians of each.
void BM_FileWriters(benchmark::State& state, bool recorded, bool asynchronous) {
    const Frames* f = SharedFrames(state, recorded);
    if (!f)
        return;
    const auto type = static_cast<MVRCCompressionType>(state.range(0));
    const std::string path =
        (std::filesystem::temp_directory_path() / "mvd_capture_benchmark.mvrc").string();
    const size_t frames = f->corpus.size();
    std::vector<double> memory, file;
    uint64_t fileBytes = 0;
    for (auto _ : state) {
        {
            MVRCWriter writer(std::make_unique<MemorySink>());
            Open(writer, type, "memory");
            size_t k = 0;
            memory.push_back(WriteFrames(writer, *f, k, frames) / double(frames));
            writer.closeFile();
        }
        {
            std::unique_ptr<FileWriter> sink;
            if (asynchronous)
                sink = std::make_unique<AsynchronousFileWriter>();
            else
                sink = std::make_unique<SynchronousFileWriter>();
            MVRCWriter writer(std::move(sink));
            Open(writer, type, path);
            size_t k = 0;
            file.push_back(WriteFrames(writer, *f, k, frames) / double(frames));
            writer.closeFile();
        }
        std::error_code ignored;
        fileBytes = std::filesystem::file_size(path, ignored);
        std::filesystem::remove(path, ignored);
    }
    std::sort(memory.begin(), memory.end());
    std::sort(file.begin(), file.end());
    const double memorySeconds = memory[memory.size() / 2];
    const double fileSeconds = file[file.size() / 2];
    state.counters["fps"] = 1.0 / fileSeconds;
    state.counters["memory_fps"] = 1.0 / memorySeconds;
    state.counters["vs_memory"] = fileSeconds / memorySeconds;
    state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
    state.SetLabel(recorded ? "recorded" : "generated");
}

int RegisterAll() {
    for (const bool recorded : {true, false}) {
        const std::string source = recorded ? "/recorded" : "/generated";
        benchmark::RegisterBenchmark(("BM_WriteFrame" + source).c_str(), BM_WriteFrame, recorded)
            ->ArgName("type")
            ->DenseRange(0, 4)
            ->Unit(benchmark::kMicrosecond);
        for (const bool asynchronous : {true, false}) {
            const std::string name =
                (asynchronous ? "BM_FileWriters/asynchronous" : "BM_FileWriters/synchronous") +
                source;
            benchmark::RegisterBenchmark(name.c_str(), BM_FileWriters, recorded, asynchronous)
                ->ArgName("type")
                ->Arg(2)
                ->Arg(3)
                ->Iterations(5)
                ->Unit(benchmark::kMillisecond);
        }
    }
    return 0;
}

const int registered = RegisterAll();

}  // namespace

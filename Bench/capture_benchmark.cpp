// MVRCWriter::writeFrame at 1280 x 720 with the dirty rectangles a recorder
// sees: a few text-sized rectangles per frame and now and then a window
// region.  Reported per compression type as frames per second, as a ratio
// to memcpy of the same dirty pixels (measured in the same run), and with
// the bytes written per frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "Capture/MVRCWriter.h"
#include "Capture/SynchronousFileWriter.h"

namespace {

constexpr uint32_t kWidth = 1280;
constexpr uint32_t kHeight = 720;
constexpr int kFrameCycle = 240;

// Writes to /dev/null through the usual buffered stream, counting bytes.
class CountingSink : public FileWriter {
  public:
    void open(const std::string&) override { m_file.open("/dev/null"); }
    void write(const void* data, int n) override {
        m_bytes += static_cast<uint64_t>(n > 0 ? n : 0);
        m_file.write(data, n);
    }
    void flush() override { m_file.flush(); }
    void setBufferSize(int n) override { m_file.setBufferSize(n); }
    void close() override { m_file.close(); }
    uint64_t bytes() const { return m_bytes; }

  private:
    SynchronousFileWriter m_file;
    uint64_t m_bytes = 0;
};

void Put(unsigned char* p, uint8_t r, uint8_t g, uint8_t b) {
    p[0] = 255, p[1] = r, p[2] = g, p[3] = b;
}

// A desktop with windows of text; variant 1 has other text in the same
// places and a noisy picture, so dirty rectangles hold real changes.
void PaintDesktop(MVDImage& image, uint32_t variant) {
    std::mt19937 rng(variant + 1);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            unsigned char* p = image.m_pData + (size_t(y) * kWidth + x) * 4;
            const bool window = x > 100 && x < 1100 && y > 60 && y < 660;
            if (!window) {
                Put(p, 30, 80, uint8_t(120 + y / 12));  // gradient wallpaper
            } else if (y < 90) {
                Put(p, uint8_t(200 - (y - 60)), 200, 210);  // title bar
            } else if (x > 700 && y > 400 && variant == 1) {
                const uint32_t v = rng();
                Put(p, uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16));  // a picture
            } else {
                const bool ink = (y % 16) < 11 && rng() % 6 < 2;
                Put(p, ink ? 20 : 255, ink ? 20 : 255, ink ? 30 : 255);
            }
        }
    }
}

struct Workload {
    tagMVDImageFormat format{kWidth, kHeight, kMVDPixelFormat32ARGB, 4};
    MVDImage images[2]{MVDImage(&format), MVDImage(&format)};
    std::vector<std::vector<CGRect>> frames;
    uint64_t dirtyPixels = 0;

    Workload() {
        PaintDesktop(images[0], 0);
        PaintDesktop(images[1], 1);
        std::mt19937 rng(42);
        frames.resize(kFrameCycle);
        for (int f = 0; f < kFrameCycle; ++f) {
            const int count = 2 + int(rng() % 4);
            for (int i = 0; i < count; ++i) {
                const float w = float(8 + rng() % 240);
                const float h = float(12 + rng() % 10);
                frames[f].push_back(
                    CGRectMake(float(110 + rng() % 900), float(95 + rng() % 540), w, h));
            }
            if (f % 12 == 0) {
                frames[f].push_back(CGRectMake(600, 300, 480, 320));  // a window region
            }
            for (const CGRect& r : frames[f]) {
                dirtyPixels += uint64_t(r.size.width) * uint64_t(r.size.height);
            }
        }
    }
};

Workload& TheWorkload() {
    static Workload workload;
    return workload;
}

// Copies the dirty pixels of every frame of the cycle once; returns the
// seconds per frame.
double MemcpySecondsPerFrame(Workload& w) {
    std::vector<unsigned char> target(w.images[0].byteSize());
    const size_t row = size_t(kWidth) * 4;
    const int rounds = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        for (int f = 0; f < kFrameCycle; ++f) {
            const MVDImage& image = w.images[f % 2];
            for (const CGRect& r : w.frames[f]) {
                const size_t x = size_t(r.origin.x);
                const size_t width = size_t(r.size.width) * 4;
                for (size_t y = size_t(r.origin.y); y < size_t(r.origin.y + r.size.height); ++y) {
                    std::memcpy(target.data() + y * row + x * 4, image.m_pData + y * row + x * 4,
                                width);
                }
            }
        }
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / (rounds * kFrameCycle);
}

void BM_WriteFrame(benchmark::State& state) {
    Workload& w = TheWorkload();
    const double memcpySeconds = MemcpySecondsPerFrame(w);
    auto sink = std::make_unique<CountingSink>();
    CountingSink* counter = sink.get();
    MVRCWriter writer(std::move(sink));
    writer.setCompressionType(static_cast<MVRCCompressionType>(state.range(0)));
    writer.openFile("/dev/null");
    writer.writeHeader(&w.format);
    CGRect whole = CGRectMake(0, 0, kWidth, kHeight);
    writer.writeFrame(1, 30.0f, &w.images[0], 1, &whole);
    const uint64_t startBytes = counter->bytes();

    int f = 0;
    int64_t frames = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::vector<CGRect>& rects = w.frames[f];
        writer.writeFrame(1, 30.0f, &w.images[f % 2], unsigned(rects.size()), rects.data());
        f = (f + 1) % kFrameCycle;
        ++frames;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    writer.closeFile();
    const double perFrame = elapsed.count() / double(frames);
    state.counters["frames_per_s"] = 1.0 / perFrame;
    state.counters["x_memcpy"] = perFrame / memcpySeconds;
    state.counters["bytes_per_frame"] = double(counter->bytes() - startBytes) / double(frames);
    state.counters["dirty_px_per_frame"] = double(w.dirtyPixels) / kFrameCycle;
}

BENCHMARK(BM_WriteFrame)
    ->ArgName("type")
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0);

}  // namespace

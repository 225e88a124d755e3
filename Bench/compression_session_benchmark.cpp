// What a recorder thread spends per 1280 x 720 BGRA frame handed to a
// compression session running the screen codec, as "x_memcpy": the time per
// frame over one memcpy of the frame, measured in the same run.
//
//   BM_MemcpyFrame         the baseline
//   BM_RecorderCall        asynchronous session: the recorder copies the
//                          captured frame into a pooled pixel buffer and calls
//                          EncodeFrame; timed are these two alone, with room
//                          in the queue (the session drains between frames,
//                          untimed), as when encoding keeps up with capture;
//                          timed is the thread's CPU time (on a busy machine
//                          the woken worker may take the caller's processor
//                          for a while); the copy's share and EncodeFrame's
//                          own time are reported apart
//   BM_SynchronousFrame    the same frame encoded on the caller's thread
//   BM_AsynchronousStream  frames handed in back to back: time per frame of
//                          the whole pipeline, caller and worker together
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "Codec/MVDKCodecComponent.h"
#include "ImageCompression/ICMCompressionSession.h"
#include "support/ScreenRecordingFrames.h"

namespace {

using mvdbench::CapturedScreenFrames;
using mvdbench::MemcpySeconds;
using mvdbench::ThreadSeconds;
constexpr int kWidth = mvdbench::kScreenWidth;
constexpr int kHeight = mvdbench::kScreenHeight;
constexpr int kFrames = mvdbench::kScreenFrames;

void Report(benchmark::State& state) {
    mvdbench::ReportAgainstMemcpy(state);
}

// The screen codec registered, its preferences kept in a folder of the run.
void RegisterScreenCodec() {
    static const bool registered = [] {
        static std::string home = "/tmp/session_benchmark_XXXXXX";
        if (mkdtemp(home.data()) != nullptr) {
            setenv("XDG_CONFIG_HOME", home.c_str(), 1);
            std::atexit([] { std::filesystem::remove_all(home); });
        }
        return MVDKRegisterEncoderComponent() != nullptr;
    }();
    (void)registered;
}

// A session on the screen codec, told that its source is BGRA.
class Session {
  public:
    explicit Session(bool async) {
        RegisterScreenCodec();
        m_codec = OpenDefaultComponent(compressorComponentType, kMVDKCodecType);
        MVDK_SetSrcEndianSwapped(m_codec, 1);
        ICMCompressionSessionOptionsRef options = nullptr;
        ICMCompressionSessionOptionsCreate(nullptr, &options);
        ICMCompressionSessionOptionsSetAllowTemporalCompression(options, true);
        ICMCompressionSessionOptionsSetMaxKeyFrameInterval(options, 300);
        const Boolean allowAsync = async;
        ICMCompressionSessionOptionsSetProperty(
            options, kQTPropertyClass_ICMCompressionSessionOptions,
            kICMCompressionSessionOptionsPropertyID_AllowAsyncCompletion, 1, &allowAsync);
        ICMCompressionSessionOptionsSetProperty(
            options, kQTPropertyClass_ICMCompressionSessionOptions,
            kICMCompressionSessionOptionsPropertyID_CompressorComponent, sizeof(m_codec), &m_codec);
        ICMEncodedFrameOutputRecord record{
            [](void* bytes, ICMCompressionSessionRef, OSStatus, ICMEncodedFrameRef frame, void*) {
                *static_cast<size_t*>(bytes) += ICMEncodedFrameGetDataSize(frame);
                return OSStatus{noErr};
            },
            &m_bytes, nullptr};
        ICMCompressionSessionCreate(nullptr, kWidth, kHeight, kMVDKCodecType, 600, options, nullptr,
                                    &record, &m_session);
        ICMCompressionSessionOptionsRelease(options);
        for (auto& buffer : m_pool) {
            CVPixelBufferCreate(nullptr, kWidth, kHeight, kCVPixelFormatType_32BGRA, nullptr,
                                &buffer);
        }
    }
    ~Session() {
        ICMCompressionSessionRelease(m_session);
        for (CVPixelBufferRef buffer : m_pool) {
            CVPixelBufferRelease(buffer);
        }
        CloseComponent(m_codec);
    }

    // The recorder's part: copy the captured frame, hand it in.
    void handIn(int frame) {
        copy(frame);
        encode(frame);
    }
    void copy(int frame) {
        CVPixelBufferRef buffer = m_pool[frame % kPool];
        const mvdtest::ScreenImage& image = CapturedScreenFrames()[frame % kFrames];
        auto* base = static_cast<uint8_t*>(CVPixelBufferGetBaseAddress(buffer));
        const size_t rowBytes = CVPixelBufferGetBytesPerRow(buffer);
        for (int y = 0; y < kHeight; ++y) {
            std::memcpy(base + y * rowBytes, image.line(y), size_t{kWidth} * 4);
        }
    }
    void encode(int frame) {
        ICMCompressionSessionEncodeFrame(m_session, m_pool[frame % kPool], TimeValue64{frame} * 20,
                                         20, 3, nullptr, nullptr, nullptr);
    }
    void complete() { ICMCompressionSessionCompleteFrames(m_session, true, 0, 0); }
    size_t bytes() const { return m_bytes; }

  private:
    // More buffers than the queue holds, so none is reused while queued.
    static constexpr int kPool = kICMCompressionSessionMaxQueuedFrames + 2;
    ComponentInstance m_codec = nullptr;
    ICMCompressionSessionRef m_session = nullptr;
    CVPixelBufferRef m_pool[kPool]{};
    size_t m_bytes = 0;
};

void BM_MemcpyFrame(benchmark::State& state) {
    mvdbench::MemcpyFrames(state);
}

void BM_RecorderCall(benchmark::State& state) {
    Session session(true);
    int frame = 0;
    double copying = 0;
    double calling = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        session.copy(frame);
        const double copied = ThreadSeconds();
        session.encode(frame++);
        const double end = ThreadSeconds();
        copying += copied - start;
        calling += end - copied;
        state.SetIterationTime(end - start);
        session.complete();
    }
    Report(state);
    // The two parts of the call: the frame copy, and EncodeFrame itself.
    state.counters["copy_x_memcpy"] = copying / frame / MemcpySeconds();
    state.counters["EncodeFrame_us"] = 1e6 * calling / frame;
}

void BM_SynchronousFrame(benchmark::State& state) {
    Session session(false);
    int frame = 0;
    for (auto _ : state) {
        session.handIn(frame++);
    }
    Report(state);
    state.counters["KiB_per_frame"] = double(session.bytes()) / 1024 / double(frame);
}

void BM_AsynchronousStream(benchmark::State& state) {
    Session session(true);
    int frame = 0;
    for (auto _ : state) {
        session.handIn(frame++);
    }
    session.complete();
    Report(state);
}

BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecorderCall)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SynchronousFrame)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AsynchronousStream)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

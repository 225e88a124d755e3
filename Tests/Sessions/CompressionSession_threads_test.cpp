// Asynchronous compression sessions: frames are encoded and output on the
// session's own thread, in order; CompleteFrames drains the queue; errors
// reach the caller; releasing a session drops what it still queues.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <stdexcept>

#include "Sessions/SessionTestSupport.h"

namespace {

using namespace sessiontest;

constexpr int kWidth = 160;
constexpr int kHeight = 96;

class AsyncSessionTest : public ::testing::Test {
  protected:
    ICMCompressionSessionRef makeSession(SessionMovie& movie, CodecType codec,
                                         ComponentInstance compressor = nullptr) {
        ICMCompressionSessionOptionsRef options = MakeOptions(8, compressor, true);
        ICMEncodedFrameOutputRecord record = movie.record();
        ICMCompressionSessionRef session = nullptr;
        EXPECT_EQ(ICMCompressionSessionCreate(nullptr, kWidth, kHeight, codec, 600, options,
                                              nullptr, &record, &session),
                  noErr);
        ICMCompressionSessionOptionsRelease(options);
        return session;
    }

    ScreenCodecEnvironment m_codec;
    mvdtest::TempDir m_dir;
};

// Source tracking as seen from the session's thread.
struct Tracking {
    std::mutex mutex;
    std::vector<std::pair<uintptr_t, ICMSourceTrackingFlags>> calls;

    ICMSourceTrackingCallbackRecord record() {
        return {[](void* refCon, ICMSourceTrackingFlags flags, void* frame, void*) {
                    auto* self = static_cast<Tracking*>(refCon);
                    std::lock_guard lock(self->mutex);
                    self->calls.emplace_back(reinterpret_cast<uintptr_t>(frame), flags);
                },
                this};
    }
};

TEST_F(AsyncSessionTest, EncodesInOrderOnItsOwnThreadAndDrains) {
    auto frames = MakeFrames(kWidth, kHeight, 40, PixelOrder::BGRA, 11);
    Tracking tracking;
    ICMSourceTrackingCallbackRecord record = tracking.record();
    ComponentInstance compressor = OpenDefaultComponent(compressorComponentType, kMVDKCodecType);
    ASSERT_NE(compressor, nullptr);
    ASSERT_EQ(MVDK_SetSrcEndianSwapped(compressor, 1), noErr);
    SessionMovie movie(m_dir.file("async.mov"), kWidth, kHeight);
    ICMCompressionSessionRef session = makeSession(movie, kMVDKCodecType, compressor);
    ASSERT_NE(session, nullptr);
    ASSERT_EQ(EncodeAll(session, frames, &record), noErr);
    // CompleteFrames returned: every frame is in the media.
    EXPECT_EQ(GetMediaSampleCount(movie.media), static_cast<long>(frames.size()));
    ICMCompressionSessionRelease(session);
    CloseComponent(compressor);
    movie.finish();

    {
        std::lock_guard lock(movie.log.mutex);
        EXPECT_EQ(movie.log.threads.count(std::this_thread::get_id()), 0u);
        ASSERT_EQ(movie.log.decodeNumbers.size(), frames.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(movie.log.decodeNumbers[i], i + 1);
            EXPECT_EQ(movie.log.timeStamps[i], static_cast<TimeValue64>(i) * 20);
        }
    }
    {
        std::lock_guard lock(tracking.mutex);
        ASSERT_EQ(tracking.calls.size(), frames.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(tracking.calls[i].first, i);
            EXPECT_EQ(tracking.calls[i].second, kICMSourceTracking_LastCall |
                                                    kICMSourceTracking_ReleasedPixelBuffer |
                                                    kICMSourceTracking_FrameWasEncoded);
        }
    }
    const auto decoded = DecodeMovie(m_dir.file("async.mov"), kCVPixelFormatType_32BGRA);
    ASSERT_EQ(decoded.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(decoded[i], Pixels(frames[i])) << "frame " << i;
    }
    EXPECT_EQ(SyncSamples(m_dir.file("async.mov")), (std::vector<uint32_t>{0, 8, 16, 24, 32}));
}

TEST_F(AsyncSessionTest, AnOutputErrorReachesTheCaller) {
    auto frames = MakeFrames(kWidth, kHeight, 30, PixelOrder::ARGB, 12);
    Tracking tracking;
    ICMSourceTrackingCallbackRecord record = tracking.record();
    SessionMovie movie(m_dir.file("failing.mov"), kWidth, kHeight);
    movie.log.failAt = 3;
    ICMCompressionSessionRef session = makeSession(movie, kAnimationCodecType);
    ASSERT_NE(session, nullptr);
    OSStatus first = noErr;
    size_t handed = 0;
    for (; handed < frames.size() && first == noErr; ++handed) {
        CVPixelBufferRef buffer = Wrap(frames[handed]);
        first = ICMCompressionSessionEncodeFrame(session, buffer,
                                                 static_cast<TimeValue64>(handed) * 20, 20, 3,
                                                 nullptr, &record, reinterpret_cast<void*>(handed));
        CVPixelBufferRelease(buffer);
    }
    EXPECT_EQ(ICMCompressionSessionCompleteFrames(session, true, 0, 0), ioErr);
    EXPECT_TRUE(first == noErr || first == ioErr);
    ICMCompressionSessionRelease(session);
    EXPECT_EQ(GetMediaSampleCount(movie.media), 3);
    std::lock_guard lock(tracking.mutex);
    // Every frame accepted got its last call: encoded up to the failure,
    // dropped after it.
    size_t accepted = first == noErr ? handed : handed - 1;
    ASSERT_EQ(tracking.calls.size(), accepted);
    for (size_t i = 0; i < accepted; ++i) {
        const ICMSourceTrackingFlags outcome =
            i <= 3 ? kICMSourceTracking_FrameWasEncoded : kICMSourceTracking_FrameWasDropped;
        EXPECT_EQ(tracking.calls[i].second,
                  kICMSourceTracking_LastCall | kICMSourceTracking_ReleasedPixelBuffer | outcome)
            << "frame " << i;
    }
}

// An exception thrown by the output callback on the session's thread
// becomes the session's error instead of ending the process.
TEST_F(AsyncSessionTest, AThrowingCallbackBecomesAnError) {
    auto frames = MakeFrames(kWidth, kHeight, 3, PixelOrder::ARGB, 14);
    ICMEncodedFrameOutputRecord output{
        [](void*, ICMCompressionSessionRef, OSStatus, ICMEncodedFrameRef, void*) -> OSStatus {
            throw std::runtime_error("disk full");
        },
        nullptr, nullptr};
    ICMCompressionSessionOptionsRef options = MakeOptions(0, nullptr, true);
    ICMCompressionSessionRef session = nullptr;
    ASSERT_EQ(ICMCompressionSessionCreate(nullptr, kWidth, kHeight, kRawCodecType, 600, options,
                                          nullptr, &output, &session),
              noErr);
    ICMCompressionSessionOptionsRelease(options);
    const OSStatus err = EncodeAll(session, frames);
    EXPECT_EQ(err, internalQuickTimeError);
    ICMCompressionSessionRelease(session);
}

// Releasing a session with frames still queued drops them and tells the
// client so; a frame being encoded finishes first.
TEST_F(AsyncSessionTest, ReleaseDropsQueuedFrames) {
    auto frames = MakeFrames(kWidth, kHeight, 8, PixelOrder::ARGB, 13);
    Tracking tracking;
    ICMSourceTrackingCallbackRecord record = tracking.record();
    SessionMovie movie(m_dir.file("dropped.mov"), kWidth, kHeight);
    // The output callback of the first frame waits until every frame is queued.
    struct Gate {
        std::mutex mutex;
        std::condition_variable cv;
        bool open = false;
    } gate;
    ICMEncodedFrameOutputRecord output{
        [](void* refCon, ICMCompressionSessionRef, OSStatus, ICMEncodedFrameRef, void*) {
            auto* g = static_cast<Gate*>(refCon);
            std::unique_lock lock(g->mutex);
            g->cv.wait(lock, [&] { return g->open; });
            return OSStatus{noErr};
        },
        &gate, nullptr};
    ICMCompressionSessionOptionsRef options = MakeOptions(0, nullptr, true);
    ICMCompressionSessionRef session = nullptr;
    ASSERT_EQ(ICMCompressionSessionCreate(nullptr, kWidth, kHeight, kRawCodecType, 600, options,
                                          nullptr, &output, &session),
              noErr);
    ICMCompressionSessionOptionsRelease(options);
    const size_t queued = 1 + kICMCompressionSessionMaxQueuedFrames;
    for (size_t i = 0; i < queued; ++i) {
        CVPixelBufferRef buffer = Wrap(frames[i]);
        ASSERT_EQ(
            ICMCompressionSessionEncodeFrame(session, buffer, static_cast<TimeValue64>(i) * 20, 20,
                                             3, nullptr, &record, reinterpret_cast<void*>(i)),
            noErr);
        CVPixelBufferRelease(buffer);
    }
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard lock(gate.mutex);
        gate.open = true;
        gate.cv.notify_all();
    });
    ICMCompressionSessionRelease(session);
    opener.join();
    std::lock_guard lock(tracking.mutex);
    ASSERT_EQ(tracking.calls.size(), queued);
    int dropped = 0;
    for (const auto& call : tracking.calls) {
        EXPECT_NE(call.second & kICMSourceTracking_LastCall, 0u);
        dropped += (call.second & kICMSourceTracking_FrameWasDropped) != 0;
    }
    EXPECT_GE(dropped, 1);
}

}  // namespace

// The thread of an asynchronous compression session: a bounded queue of
// jobs taken in order by one worker thread.  Used by the ImageCompression
// sources only.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "CoreVideo/CVPixelBuffer.h"
#include "ImageCompression/ICMCompressionSession.h"

namespace icm {

// One frame to encode, or a request to finish the frames before it.
struct FrameJob {
    enum Kind { kFrame, kFlush };
    Kind kind = kFrame;
    CVPixelBufferRef buffer = nullptr;  // retained while the job holds it
    TimeValue64 timeStamp = 0;
    TimeValue64 duration = 0;
    bool durationValid = false;
    bool forceKeyFrame = false;
    CodecQ quality = codecNormalQuality;
    ICMSourceTrackingCallbackRecord tracking{};
    void* sourceFrameRefCon = nullptr;
    // kFlush: the time stamp of the frame that will follow, when known.
    TimeValue64 nextTimeStamp = 0;
    bool nextTimeStampValid = false;
};

class CompressionWorker {
  public:
    using Handler = std::function<void(FrameJob&)>;

    // process runs each job on the worker thread, in order; drop takes the
    // jobs still queued when the worker stops (on the stopping thread).
    CompressionWorker(size_t maxQueued, Handler process, Handler drop);
    // Stops: the job being processed finishes, queued jobs are dropped.
    ~CompressionWorker();
    CompressionWorker(const CompressionWorker&) = delete;
    CompressionWorker& operator=(const CompressionWorker&) = delete;

    // Queues a job, waiting while the queue is full; returns its ticket.
    uint64_t push(FrameJob job);
    // Waits until the job with this ticket (and all before it) is done.
    void waitFor(uint64_t ticket);
    // True on the worker thread itself (inside a job), where pushing or
    // waiting could only wait for itself.
    bool onWorkerThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

  private:
    void run();

    const size_t m_maxQueued;
    Handler m_process;
    Handler m_drop;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<FrameJob> m_queue;
    uint64_t m_pushed = 0;  // tickets handed out
    uint64_t m_done = 0;    // tickets finished
    bool m_stopping = false;
    std::thread m_thread;  // last: starts once everything else is ready
};

}  // namespace icm

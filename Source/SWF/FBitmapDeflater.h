// Compresses the zlib streams of lossless bitmaps on worker threads, so that
// the frames of a movie are converted while earlier bitmaps are deflated.
//
// A bitmap's stream depends on nothing but its bytes (zlib level 9, the same
// deflater everywhere), and each bitmap collects its own result, so a movie
// written with workers is byte for byte the one written without them,
// whatever their number or timing.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

class FBitmapDeflater {
  public:
    using Result = std::shared_future<std::vector<uint8_t>>;
    // Bitmaps smaller than this are compressed where they are made: waking
    // a worker and copying the bytes would cost more than the compression.
    static constexpr size_t kMinQueuedBytes = 64 * 1024;

    // Starts `workers` threads (at least one).
    explicit FBitmapDeflater(unsigned workers);
    // Compresses every bitmap handed in, then stops the workers.
    ~FBitmapDeflater();
    FBitmapDeflater(const FBitmapDeflater&) = delete;
    FBitmapDeflater& operator=(const FBitmapDeflater&) = delete;

    // Queues the bytes of one bitmap; waits while as many bitmaps as there
    // is room for are already waiting, so memory stays bounded.  A failure
    // to compress is thrown by the result's get().
    Result submit(std::vector<uint8_t> raw);

    // The stream of n bytes at raw, compressed on the calling thread;
    // std::runtime_error when zlib fails.
    static std::vector<uint8_t> Compress(const uint8_t* raw, size_t n);

  private:
    struct Job {
        std::vector<uint8_t> raw;
        std::promise<std::vector<uint8_t>> result;
    };

    void work();

    std::mutex m_mutex;
    std::condition_variable m_ready;  // a job waits, or the workers stop
    std::condition_variable m_room;   // the queue has room again
    std::deque<Job> m_jobs;
    size_t m_capacity;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

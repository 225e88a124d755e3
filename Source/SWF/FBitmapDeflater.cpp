#include "SWF/FBitmapDeflater.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

#include "Compression/ZlibCompressor.h"

namespace {
constexpr int kLevel = 9;
constexpr size_t kQueuedPerWorker = 2;
}  // namespace

FBitmapDeflater::FBitmapDeflater(unsigned workers)
    : m_capacity(kQueuedPerWorker * std::max(1u, workers)) {
    for (unsigned i = 0; i < std::max(1u, workers); ++i)
        m_workers.emplace_back([this] { work(); });
}

FBitmapDeflater::~FBitmapDeflater() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_ready.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

FBitmapDeflater::Result FBitmapDeflater::submit(std::vector<uint8_t> raw) {
    Job job{std::move(raw), {}};
    Result result = job.result.get_future().share();
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_jobs.size() < m_capacity; });
        m_jobs.push_back(std::move(job));
    }
    m_ready.notify_one();
    return result;
}

// Workers leave only once the queue is empty, so every result is set.
void FBitmapDeflater::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        m_room.notify_one();
        try {
            job.result.set_value(Compress(job.raw.data(), job.raw.size()));
        } catch (...) {
            job.result.set_exception(std::current_exception());
        }
    }
}

std::vector<uint8_t> FBitmapDeflater::Compress(const uint8_t* raw, size_t n) {
    // One compressor per thread, kept: its tables are allocated once.
    thread_local mvd::ZlibCompressor compressor;
    size_t length = compressBound(n);
    std::vector<uint8_t> out(length);
    if (compressor.compress(out.data(), &length, raw, n, kLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("zlib could not compress a lossless bitmap");
    }
    out.resize(length);
    out.shrink_to_fit();
    return out;
}

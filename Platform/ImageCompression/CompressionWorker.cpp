#include "ImageCompression/CompressionWorker.h"

namespace icm {

CompressionWorker::CompressionWorker(size_t maxQueued, Handler process, Handler drop)
    : m_maxQueued(maxQueued),
      m_process(std::move(process)),
      m_drop(std::move(drop)),
      m_thread([this] { run(); }) {}

CompressionWorker::~CompressionWorker() {
    std::deque<FrameJob> left;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        left.swap(m_queue);
    }
    m_changed.notify_all();
    m_thread.join();
    for (FrameJob& job : left) {
        m_drop(job);
    }
}

uint64_t CompressionWorker::push(FrameJob job) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.size() < m_maxQueued || m_stopping; });
    if (m_stopping) {
        lock.unlock();
        m_drop(job);
        return 0;
    }
    m_queue.push_back(std::move(job));
    const uint64_t ticket = ++m_pushed;
    lock.unlock();
    m_changed.notify_all();
    return ticket;
}

void CompressionWorker::waitFor(uint64_t ticket) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_done >= ticket || m_stopping; });
}

void CompressionWorker::run() {
    for (;;) {
        FrameJob job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_stopping; });
            if (m_stopping) {
                return;
            }
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_changed.notify_all();  // room in the queue
        m_process(job);
        {
            std::lock_guard lock(m_mutex);
            ++m_done;
        }
        m_changed.notify_all();
    }
}

}  // namespace icm

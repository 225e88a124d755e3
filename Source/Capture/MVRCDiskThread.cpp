#include "Capture/MVRCDiskThread.h"

#include <unistd.h>

#include <utility>

#include "Capture/FileWriter.h"

namespace {
// Scheduling hints of the disk thread (see Thread).
constexpr int kDiskThreadPriority = 15;
constexpr int kDiskThreadPolicy = 2;
constexpr useconds_t kIdleSleepMicroseconds = 1000;
}  // namespace

MVRCDiskThread::MVRCDiskThread(std::string path, MVRCDiskWritingJobs* jobs)
    : Thread(kDiskThreadPriority, kDiskThreadPolicy), m_path(std::move(path)), m_jobs(jobs) {
    m_stream = std::fopen(m_path.c_str(), "w");
    if (m_stream == nullptr) {
        throw FileWriterException("fopen failed");
    }
}

MVRCDiskThread::~MVRCDiskThread() {
    setReadyToStop(true);
    join();
    if (m_stream != nullptr) {
        std::fclose(m_stream);
    }
}

bool MVRCDiskThread::readyToStop() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_readyToStop;
}

void MVRCDiskThread::setReadyToStop(bool ready) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_readyToStop = ready;
}

bool MVRCDiskThread::closeStream() {
    if (m_stream == nullptr) {
        return true;
    }
    FILE* stream = m_stream;
    m_stream = nullptr;
    const bool failedBefore = std::ferror(stream) != 0;
    return std::fclose(stream) == 0 && !failedBefore;
}

void MVRCDiskThread::executeAll() {
    while (m_jobs->numJobs() > 0) {
        FILE* target = writeFailed() ? nullptr : m_stream;
        if (!m_jobs->executeNextJob(target)) {
            m_writeFailed.store(true, std::memory_order_release);
        }
    }
}

// The flag is looked at only after the queue was found empty, and the queue
// is drained once more after the flag is seen: every job queued before the
// flag was set reaches the file, in order.
void MVRCDiskThread::run() {
    while (!readyToStop()) {
        executeAll();
        usleep(kIdleSleepMicroseconds);
    }
    executeAll();
}

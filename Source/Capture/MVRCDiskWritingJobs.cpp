#include "Capture/MVRCDiskWritingJobs.h"

void MVRCDiskWritingJobs::addJob(const void* data, int size) {
    if (size <= 0) {
        return;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::list<std::vector<unsigned char>> job;
    job.emplace_back(bytes, bytes + size);
    std::lock_guard<std::mutex> guard(m_mutex);
    m_jobs.splice(m_jobs.begin(), job);
}

int MVRCDiskWritingJobs::numJobs() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return static_cast<int>(m_jobs.size());
}

bool MVRCDiskWritingJobs::executeNextJob(FILE* stream) {
    const std::vector<unsigned char>* job;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_jobs.empty()) {
            return true;
        }
        job = &m_jobs.back();
    }
    const bool written =
        stream == nullptr || std::fwrite(job->data(), 1, job->size(), stream) == job->size();
    std::list<std::vector<unsigned char>> done;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        done.splice(done.begin(), m_jobs, std::prev(m_jobs.end()));
    }
    return written;
}

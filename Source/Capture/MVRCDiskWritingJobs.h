// The locked queue of pending writes between a producer and the disk thread.
#pragma once

#include <cstdio>
#include <list>
#include <mutex>
#include <vector>

class MVRCDiskWritingJobs {
  public:
    MVRCDiskWritingJobs() = default;
    MVRCDiskWritingJobs(const MVRCDiskWritingJobs&) = delete;
    MVRCDiskWritingJobs& operator=(const MVRCDiskWritingJobs&) = delete;
    // Jobs still queued are discarded.
    ~MVRCDiskWritingJobs() = default;

    // Copies size bytes into a new job (outside the lock) and queues it.
    void addJob(const void* data, int size);
    int numJobs();
    // Writes the oldest job to stream with one fwrite outside the lock, then
    // removes it.  A null stream drops the job unwritten.  Returns false when
    // the stream took fewer bytes than the job holds.  Only the disk thread
    // calls it, and only when the queue is not empty.
    bool executeNextJob(FILE* stream);

    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }

  private:
    std::mutex m_mutex;
    // New jobs go in at the front; the oldest is at the back.  Only the disk
    // thread removes jobs, so the back job stays put while it is written.
    std::list<std::vector<unsigned char>> m_jobs;
};

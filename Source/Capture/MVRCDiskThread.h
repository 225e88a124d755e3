// The background thread that writes queued jobs to the capture file, in the
// order they were queued, until it is told to stop and the queue is empty.
#pragma once

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "Capture/MVRCDiskWritingJobs.h"
#include "MVDCommon/Thread.h"

class MVRCDiskThread : public Thread {
  public:
    // Opens path for writing on the constructing thread;
    // FileWriterException("fopen failed") when it cannot.
    MVRCDiskThread(std::string path, MVRCDiskWritingJobs* jobs);
    // Stops and joins a thread still running, then closes the stream.
    ~MVRCDiskThread() override;

    bool readyToStop();
    void setReadyToStop(bool ready);
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }

    // True once a job could not be written.  The thread then drops the jobs
    // that follow instead of leaving a hole in the middle of the file.
    bool writeFailed() const { return m_writeFailed.load(std::memory_order_acquire); }
    // Closes the stream once the thread has been joined; false when the last
    // buffered bytes could not be written.
    bool closeStream();

  protected:
    void run() override;

  private:
    void executeAll();

    std::mutex m_mutex;  // guards m_readyToStop
    bool m_readyToStop = false;
    std::string m_path;
    FILE* m_stream = nullptr;
    MVRCDiskWritingJobs* m_jobs;
    std::atomic<bool> m_writeFailed{false};
};

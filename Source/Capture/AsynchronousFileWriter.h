// Gathers bytes in a staging buffer and hands each full buffer to a disk
// thread through a queue, so that the writing thread never waits for the
// disk.  Bytes reach the file in the order they were written.
#pragma once

#include <vector>

#include "Capture/FileWriter.h"
#include "Capture/MVRCDiskWritingJobs.h"

class MVRCDiskThread;

class AsynchronousFileWriter : public FileWriter {
  public:
    static constexpr int kDefaultBufferSize = 0x100000;

    AsynchronousFileWriter() = default;
    AsynchronousFileWriter(const AsynchronousFileWriter&) = delete;
    AsynchronousFileWriter& operator=(const AsynchronousFileWriter&) = delete;
    // Does what close() does when the writer is still open, so staged bytes
    // are written; a failure is printed to standard error.
    ~AsynchronousFileWriter() override;

    // Allocates the staging buffer and starts the disk thread;
    // "fopen failed" (and no thread) when the file cannot be created.
    void open(const std::string& path) override;
    // Stages n bytes, handing the staged bytes to the queue first when they
    // would not fit.  A write larger than the buffer is queued as one job of
    // its own.  "fwrite failed" once the disk thread could not write.
    void write(const void* data, int n) override;
    // Queues the staged bytes, if any.
    void flush() override;
    // Sets the staging capacity; when open, the staged bytes are queued
    // first and the buffer is reallocated.
    void setBufferSize(int n) override;
    // Queues the staged bytes, stops and joins the disk thread and closes
    // the file; "fwrite failed" or "fclose failed" when bytes were lost.
    void close() override;

    int bufferSize() const { return m_capacity; }
    int stagedBytes() const { return m_cursor; }
    bool isOpen() const { return m_diskThread != nullptr; }

  private:
    void handOver();
    void throwIfDiskFailed() const;

    std::vector<unsigned char> m_staging;
    int m_capacity = kDefaultBufferSize;
    int m_cursor = 0;
    MVRCDiskWritingJobs m_jobs;
    MVRCDiskThread* m_diskThread = nullptr;
};

#include "Capture/AsynchronousFileWriter.h"

#include <cstring>

#include "Capture/MVRCDiskThread.h"

AsynchronousFileWriter::~AsynchronousFileWriter() {
    try {
        close();
    } catch (const FileWriterException& e) {
        std::fprintf(stderr, "AsynchronousFileWriter: %s\n", e.what());
    }
}

void AsynchronousFileWriter::open(const std::string& path) {
    if (m_diskThread != nullptr) {
        close();
    }
    m_staging.assign(static_cast<size_t>(m_capacity), 0);
    m_cursor = 0;
    m_diskThread = new MVRCDiskThread(path, &m_jobs);
    m_diskThread->retain();
    m_diskThread->start();
}

void AsynchronousFileWriter::throwIfDiskFailed() const {
    if (m_diskThread == nullptr || m_diskThread->writeFailed()) {
        throw FileWriterException("fwrite failed");
    }
}

void AsynchronousFileWriter::handOver() {
    if (m_cursor > 0) {
        m_jobs.addJob(m_staging.data(), m_cursor);
        m_cursor = 0;
    }
}

void AsynchronousFileWriter::write(const void* data, int n) {
    throwIfDiskFailed();
    if (n <= 0) {
        return;
    }
    if (n > m_capacity - m_cursor) {
        handOver();
    }
    if (n > m_capacity) {
        m_jobs.addJob(data, n);
        return;
    }
    std::memcpy(m_staging.data() + m_cursor, data, static_cast<size_t>(n));
    m_cursor += n;
}

void AsynchronousFileWriter::flush() {
    throwIfDiskFailed();
    handOver();
}

void AsynchronousFileWriter::setBufferSize(int n) {
    const int capacity = n < 0 ? 0 : n;
    if (m_diskThread != nullptr) {
        flush();
        m_staging.assign(static_cast<size_t>(capacity), 0);
    }
    m_capacity = capacity;
}

void AsynchronousFileWriter::close() {
    if (m_diskThread == nullptr) {
        return;
    }
    handOver();
    m_diskThread->setReadyToStop(true);
    m_diskThread->join();
    const bool writeFailed = m_diskThread->writeFailed();
    const bool closed = m_diskThread->closeStream();
    m_diskThread->release();
    m_diskThread = nullptr;
    if (writeFailed) {
        throw FileWriterException("fwrite failed");
    }
    if (!closed) {
        throw FileWriterException("fclose failed");
    }
}

#include "Capture/SynchronousFileWriter.h"

void SynchronousFileWriter::open(const std::string& path) {
    if (m_stream != nullptr) {
        close();
    }
    m_stream = std::fopen(path.c_str(), "w");
    if (m_stream == nullptr) {
        throw FileWriterException("fopen failed");
    }
    m_written = false;
    m_failed = false;
}

void SynchronousFileWriter::write(const void* data, int n) {
    if (m_stream == nullptr || m_failed) {
        throw FileWriterException("fwrite failed");
    }
    if (n <= 0) {
        return;
    }
    m_written = true;
    const size_t count = static_cast<size_t>(n);
    if (std::fwrite(data, 1, count, m_stream) != count) {
        m_failed = true;
        throw FileWriterException("fwrite failed");
    }
}

void SynchronousFileWriter::flush() {}

void SynchronousFileWriter::setBufferSize(int n) {
    if (m_stream == nullptr || m_written || n <= 0) {
        return;
    }
    std::setvbuf(m_stream, nullptr, _IOFBF, static_cast<size_t>(n));
}

void SynchronousFileWriter::close() {
    if (m_stream == nullptr) {
        return;
    }
    FILE* stream = m_stream;
    m_stream = nullptr;
    const bool failedBefore = std::ferror(stream) != 0;
    if (std::fclose(stream) != 0 || failedBefore) {
        throw FileWriterException("fclose failed");
    }
}

SynchronousFileWriter::~SynchronousFileWriter() {
    try {
        close();
    } catch (const FileWriterException& e) {
        std::fprintf(stderr, "SynchronousFileWriter: %s\n", e.what());
    }
}

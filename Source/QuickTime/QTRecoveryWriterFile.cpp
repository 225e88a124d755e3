#include "QuickTime/QTRecoveryWriterFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "MVDCommon/MVDException.h"

namespace {

const char kCreateError[] = "Error creating recovery file";
const char kOpenError[] = "Error opening recovery file";
const char kWriteError[] = "Error writing recovery file";

// Writes all bytes to a descriptor; false when some could not be written.
bool WriteAll(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        ssize_t done = ::write(fd, bytes, size);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

// A record assembled in memory through a stream.
class RecordBuffer {
  public:
    RecordBuffer() : m_stream(open_memstream(&m_bytes, &m_size)) {
        if (m_stream == nullptr) {
            throw MVDException(kWriteError);
        }
    }
    ~RecordBuffer() {
        if (m_stream != nullptr) {
            std::fclose(m_stream);
        }
        std::free(m_bytes);
    }
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;

    FILE* stream() const { return m_stream; }
    // Ends the record; its bytes stay valid while the buffer lives.
    void finish() {
        bool failed = std::ferror(m_stream) != 0;
        failed = std::fclose(m_stream) != 0 || failed;
        m_stream = nullptr;
        if (failed) {
            throw MVDException(kWriteError);
        }
    }
    const char* bytes() const { return m_bytes; }
    size_t size() const { return m_size; }

  private:
    char* m_bytes = nullptr;
    size_t m_size = 0;
    FILE* m_stream;
};

// Closes the file's stream when a record ends early.
class OpenStream {
  public:
    explicit OpenStream(QTRecoveryWriterFile& file) : m_file(file), m_stream(file.openFile()) {}
    ~OpenStream() {
        if (m_stream != nullptr) {
            m_file.closeFile();
        }
    }
    OpenStream(const OpenStream&) = delete;
    OpenStream& operator=(const OpenStream&) = delete;

    FILE* stream() const { return m_stream; }
    bool close() {
        m_stream = nullptr;
        return m_file.closeFile();
    }

  private:
    QTRecoveryWriterFile& m_file;
    FILE* m_stream;
};

}  // namespace

QTRecoveryWriterFile::QTRecoveryWriterFile(const char* path, uint32_t width, uint32_t height) {
    // A path that does not fit would silently name another file.
    if (path == nullptr || std::strlen(path) > kMaxPathLength) {
        throw MVDException(kCreateError);
    }
    std::strcpy(m_path, path);
    FILE* stream = std::fopen(m_path, "w");
    if (stream == nullptr) {
        throw MVDException(kCreateError);
    }
    recovery::putLabel(stream, "RCVR");
    recovery::putU32(stream, width);
    recovery::putU32(stream, height);
    bool failed = std::ferror(stream) != 0;
    failed = std::fclose(stream) != 0 || failed;
    if (failed) {
        throw MVDException(kCreateError);
    }
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

QTRecoveryWriterFile::~QTRecoveryWriterFile() {
    pthread_mutex_lock(&m_mutex);
    if (m_stream != nullptr) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    pthread_mutex_unlock(&m_mutex);
    pthread_mutex_destroy(&m_mutex);
}

void QTRecoveryWriterFile::lock() {
    pthread_mutex_lock(&m_mutex);
}

void QTRecoveryWriterFile::unlock() {
    pthread_mutex_unlock(&m_mutex);
}

FILE* QTRecoveryWriterFile::openFile() {
    m_stream = std::fopen(m_path, "a+");
    if (m_stream == nullptr) {
        throw MVDException(kOpenError);
    }
    return m_stream;
}

bool QTRecoveryWriterFile::closeFile() {
    if (m_stream == nullptr) {
        return true;
    }
    bool closed = std::fclose(m_stream) == 0;
    m_stream = nullptr;
    return closed;
}

void QTRecoveryWriterFile::writeRecord(const std::function<void(FILE*)>& fill) {
    RecoveryFileLock lock(this);
    RecordBuffer record;
    fill(record.stream());
    record.finish();

    OpenStream file(*this);
    // The record goes straight to the descriptor (appending), so nothing of
    // it waits in the stream's buffer once a write has failed.
    int fd = fileno(file.stream());
    off_t before = ::lseek(fd, 0, SEEK_END);
    bool written = before >= 0 && WriteAll(fd, record.bytes(), record.size());
    if (!written && before >= 0) {
        // Keep the file a sequence of whole records for the reader.
        [[maybe_unused]] int ignored = ::ftruncate(fd, before);
    }
    bool closed = file.close();
    if (!written || !closed) {
        throw MVDException(kWriteError);
    }
}

namespace recovery {

void putBytes(FILE* stream, const void* bytes, size_t size) {
    if (size > 0) {
        std::fwrite(bytes, 1, size, stream);
    }
}

void putLabel(FILE* stream, const char* label) {
    putBytes(stream, label, 4);
}

void putU32(FILE* stream, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    putBytes(stream, bytes, sizeof bytes);
}

void putS32(FILE* stream, int32_t value) {
    putU32(stream, static_cast<uint32_t>(value));
}

void putS16(FILE* stream, int16_t value) {
    auto bits = static_cast<uint16_t>(value);
    const uint8_t bytes[2] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8)};
    putBytes(stream, bytes, sizeof bytes);
}

void putS64(FILE* stream, int64_t value) {
    auto bits = static_cast<uint64_t>(value);
    putU32(stream, static_cast<uint32_t>(bits));
    putU32(stream, static_cast<uint32_t>(bits >> 32));
}

}  // namespace recovery

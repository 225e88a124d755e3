// The recovery file written beside a movie while it is recorded: a header
// with the movie's size, then one header record per track and one record per
// sample added to a track, so that the movie can be rebuilt from the sample
// data already in its file after a crash.  The format is described in
// docs/formats/recovery-file.md.
//
// Records come from several threads (the compression session may add video
// frames on its own thread); the file's mutex serialises whole records.  The
// file is opened for each record and closed after it, so a crash loses at
// most the record being written, and a record that cannot be written in full
// is taken back out of the file.
#pragma once

#include <pthread.h>

#include <cstdint>
#include <cstdio>
#include <functional>

#include "MVDCommon/Object.h"

class QTRecoveryWriterFile : public Object {
  public:
    // Creates (or truncates) the file at path and writes its header.
    // MVDException "Error creating recovery file" when it cannot.
    QTRecoveryWriterFile(const char* path, uint32_t width, uint32_t height);
    ~QTRecoveryWriterFile() override;

    // The record mutex.  It is recursive, so a track may hold it across
    // adding a sample and logging it (keeping records in the order samples
    // were added) while the record itself takes it again.
    void lock();
    void unlock();

    // Opens the file for appending and returns the stream; MVDException
    // "Error opening recovery file" when it cannot.  Callers hold the lock.
    FILE* openFile();
    // Closes the stream; false when the bytes could not be handed over.
    bool closeFile();

    // Writes one record: `fill` writes its fields to a stream in memory,
    // then the record is appended to the file in one piece, under the lock.
    // A record that does not reach the file in full is cut off again and
    // reported as MVDException "Error writing recovery file".
    void writeRecord(const std::function<void(FILE*)>& fill);

    const char* path() const { return m_path; }

    static constexpr size_t kMaxPathLength = 1023;

  private:
    FILE* m_stream = nullptr;
    char m_path[kMaxPathLength + 1] = {};
    pthread_mutex_t m_mutex;
};

// Holds a recovery file's lock for a scope; does nothing for a null file.
class RecoveryFileLock {
  public:
    explicit RecoveryFileLock(QTRecoveryWriterFile* file) : m_file(file) {
        if (m_file != nullptr) {
            m_file->lock();
        }
    }
    ~RecoveryFileLock() {
        if (m_file != nullptr) {
            m_file->unlock();
        }
    }
    RecoveryFileLock(const RecoveryFileLock&) = delete;
    RecoveryFileLock& operator=(const RecoveryFileLock&) = delete;

  private:
    QTRecoveryWriterFile* m_file;
};

// Little-endian fields of recovery records.
namespace recovery {

void putLabel(FILE* stream, const char* label);  // four characters
void putU32(FILE* stream, uint32_t value);
void putS32(FILE* stream, int32_t value);
void putS16(FILE* stream, int16_t value);
void putS64(FILE* stream, int64_t value);
void putBytes(FILE* stream, const void* bytes, size_t size);

}  // namespace recovery

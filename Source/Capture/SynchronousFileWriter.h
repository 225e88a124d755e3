// Writes through a buffered standard I/O stream on the caller's thread.
#pragma once

#include <cstdio>

#include "Capture/FileWriter.h"

class SynchronousFileWriter : public FileWriter {
  public:
    SynchronousFileWriter() = default;
    SynchronousFileWriter(const SynchronousFileWriter&) = delete;
    SynchronousFileWriter& operator=(const SynchronousFileWriter&) = delete;
    // Closes a stream still open; a failure can no longer be thrown and is
    // printed to standard error.
    ~SynchronousFileWriter() override;

    void open(const std::string& path) override;
    // One fwrite; "fwrite failed" when the stream takes fewer bytes, and
    // for every write after such a failure, so that the file ends where the
    // failure was instead of going on after a hole.
    void write(const void* data, int n) override;
    // Nothing: the stream's buffer decides when bytes reach the file.
    void flush() override;
    // Makes the stream fully buffered with an n-byte buffer.  Takes effect
    // only between open and the first write, as setvbuf requires.
    void setBufferSize(int n) override;
    // "fclose failed" when the last bytes cannot be written or an earlier
    // write failed.
    void close() override;

  private:
    FILE* m_stream = nullptr;
    bool m_written = false;
    bool m_failed = false;
};

// Where the capture writer sends its bytes.  Two implementations:
// SynchronousFileWriter (a buffered stream on the caller's thread) and
// AsynchronousFileWriter (a staging buffer handed to a disk thread).
#pragma once

#include <string>

#include "MVDCommon/MVDException.h"

// A file that cannot be created ("fopen failed") or bytes that did not reach
// it ("fwrite failed", "fclose failed").
class FileWriterException : public MVDException {
  public:
    explicit FileWriterException(const std::string& message) : MVDException(message) {}
};

class FileWriter {
  public:
    virtual ~FileWriter() = default;

    // Creates or truncates the file; FileWriterException("fopen failed")
    // when it cannot.
    virtual void open(const std::string& path) = 0;
    // Writes n bytes.  A failure to write is thrown as FileWriterException,
    // here or, for bytes still buffered, by a later write, flush or close.
    virtual void write(const void* data, int n) = 0;
    // Hands what is buffered on (the implementation says how far).
    virtual void flush() = 0;
    // Sets the size of the writer's buffer.
    virtual void setBufferSize(int n) = 0;
    // Writes what is left and closes the file; FileWriterException when any
    // byte did not reach the file.  A closed writer can be opened again.
    virtual void close() = 0;
};

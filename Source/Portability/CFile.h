// A file opened by its POSIX path through its data fork, with the names and
// calling shapes of the Windows class library.  Construction and destruction
// do nothing: a file is closed only by Close.
#pragma once

#include "Files/Files.h"
#include "Portability/CString.h"

// Thrown by value by readers that could not read a byte they needed.
class CFileException {};

class CFile {
  public:
    enum OpenFlags : unsigned int {
        modeRead = 0x0000,       // the default permission: read-write when allowed, else read
        modeWrite = 0x0001,      // write only
        modeReadWrite = 0x0002,  // read and write
        modeCreate = 0x1000,     // also empty an existing file
    };
    enum SeekPosition : unsigned int { begin = 0, current = 1, end = 2 };

    CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // The parent folder must exist; a missing file is created in it, an
    // existing one opened as it is (emptied only with modeCreate).  An open
    // file is closed first.  False on any failure.
    bool Open(const CString& path, unsigned int flags);
    // Closes the fork and clears the reference; the platform's result.
    OSErr Close();
    // Reads up to count bytes at the current position; the number read.
    unsigned int Read(void* buffer, unsigned int count);
    // Writes count bytes at the current position; the platform's result
    // (dskFulErr when not all could be written).
    OSErr Write(const void* buffer, unsigned int count);
    // 0 when no file is open.
    unsigned long long GetPosition() const;
    unsigned long long GetLength() const;
    // Moves from the start (0), the position (1) or the end (2); any other
    // `from` stays.  The new position, or 0 when the move fails (before the
    // start or past the end).
    unsigned long long Seek(long long offset, unsigned int from);

  private:
    FSRef m_fileRef;
    FSIORefNum m_refNum;
};

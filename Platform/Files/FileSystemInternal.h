// Shared plumbing of the File Manager calls: errno translation, the folder
// id registry, path naming rules and the table of open files.  Used by the
// Files sources only.
#pragma once

#include <memory>
#include <string>

#include "Files/Files.h"

namespace fileimpl {

// The File Manager result for an errno value.
OSErr ErrorFromErrno(int error);

// The id of a folder, given its canonical absolute path; ids are handed out
// the first time a folder is met and stay bound to it.
SInt32 FolderID(const std::string& canonicalPath);
// The path of a folder id; false for an unknown id.
bool FolderPath(SInt32 folderID, std::string& path);

// Canonical absolute path of an existing item; an error when it is missing.
OSErr CanonicalPath(const std::string& path, std::string& canonical);
// Canonical path of an item that may not exist: its parent is resolved
// (dirNFErr when missing) and the last name appended.  fnfErr (with `out`
// set) when the item does not exist.
OSErr ResolveItemPath(const std::string& path, std::string& out);
// Path of `name` inside folder `dirID` (name is a whole path for dirID 0).
// An empty name gives the folder itself.
OSErr ResolveName(SInt32 dirID, const std::string& name, std::string& out);
// The last name of a path and the folder holding it.
std::string ParentOf(const std::string& path);
bool IsValidName(const std::string& name);

// Checks a NUL-terminated path held in a fixed-size field.
OSErr PathFromField(const char* field, std::string& path);
OSErr StorePath(const std::string& path, char (&field)[kFSPathMax]);

OSErr CreateFileAt(const std::string& path);
OSErr DeleteItemAt(const std::string& path);
OSErr OpenFileAt(const std::string& path, SInt8 permission, SInt16* refNum);

// One open file: its descriptor stays open while a call uses it, even if
// another thread closes the reference number meanwhile.
struct OpenFork {
    OpenFork(int descriptor, bool readable, bool writable)
        : fd(descriptor), canRead(readable), canWrite(writable) {}
    ~OpenFork();
    OpenFork(const OpenFork&) = delete;
    OpenFork& operator=(const OpenFork&) = delete;

    int fd;
    const bool canRead;
    const bool canWrite;
};

std::shared_ptr<OpenFork> FindFork(SInt16 refNum);
OSErr CloseFork(SInt16 refNum);

// Moves the mark as SetFPos does (mode in the low two bits).
OSErr MoveMark(OpenFork& fork, UInt16 mode, SInt64 offset);
OSErr GetMark(OpenFork& fork, SInt64& mark);
OSErr GetSize(OpenFork& fork, SInt64& size);
OSErr SetSize(OpenFork& fork, UInt16 mode, SInt64 offset);
// Reads until `count` bytes or the end (eofErr); `done` gets the bytes read.
OSErr ReadBytes(OpenFork& fork, void* buffer, size_t count, size_t& done);
// Writes all `count` bytes or reports why not; `done` gets the bytes written.
OSErr WriteBytes(OpenFork& fork, const void* buffer, size_t count, size_t& done);

}  // namespace fileimpl

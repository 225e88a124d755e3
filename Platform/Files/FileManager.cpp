// The File Manager calls over POSIX: FSSpecs, folders, catalog information,
// refs and open files.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "CoreFoundation/CFString.h"
#include "Files/FileSystemInternal.h"

using namespace fileimpl;

namespace {

std::string PascalToString(ConstStr255Param name) {
    return name != nullptr ? std::string(reinterpret_cast<const char*>(name + 1), name[0])
                           : std::string();
}

OSErr FilePathOf(const FSSpec* location, std::string& path) {
    return location != nullptr ? PathFromField(location->path, path) : OSErr(paramErr);
}

OSErr RefPath(const FSRef* ref, std::string& path) {
    return ref != nullptr ? PathFromField(ref->path, path) : OSErr(paramErr);
}

// Makes every missing folder of an absolute path, as mkdir -p does.
OSErr MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (!prefix.empty() && mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return ErrorFromErrno(errno);
        }
        if (slash == std::string::npos) {
            return noErr;
        }
    }
}

// An absolute folder path from the environment, or the fallback.
std::string FolderFromEnvironment(const char* variable, const std::string& fallback) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] == '/' ? std::string(value) : fallback;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    struct passwd entry;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return std::string();
}

template <typename F>
OSErr WithFork(SInt16 refNum, F&& action) {
    std::shared_ptr<OpenFork> fork = FindFork(refNum);
    return fork != nullptr ? action(*fork) : OSErr(rfNumErr);
}

// Positions, then reads or writes, as the fork calls do.
template <typename Buffer, typename Transfer>
OSErr PositionAndTransfer(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset,
                          ByteCount requestCount, Buffer buffer, ByteCount* actualCount,
                          Transfer transfer) {
    if (actualCount != nullptr) {
        *actualCount = 0;
    }
    if (buffer == nullptr && requestCount > 0) {
        return paramErr;
    }
    return WithFork(forkRefNum, [&](OpenFork& fork) {
        OSErr err = MoveMark(fork, positionMode, positionOffset);
        if (err != noErr) {
            return err;
        }
        size_t done = 0;
        err = transfer(fork, buffer, requestCount, done);
        if (actualCount != nullptr) {
            *actualCount = done;
        }
        return err;
    });
}

}  // namespace

// --- FSSpec calls ---------------------------------------------------------------

OSErr FSMakeFSSpec(SInt16 vRefNum, SInt32 dirID, ConstStr255Param fileName, FSSpec* location) {
    if (location == nullptr) {
        return paramErr;
    }
    std::string path;
    const OSErr err = ResolveName(dirID, PascalToString(fileName), path);
    if (err != noErr && err != fnfErr) {
        return err;
    }
    const OSErr stored = StorePath(path, location->path);
    if (stored != noErr) {
        return stored;
    }
    location->vRefNum = vRefNum == kOnSystemDisk || vRefNum == kUserDomain ? 0 : vRefNum;
    std::string parent;
    location->parID = CanonicalPath(ParentOf(path), parent) == noErr ? FolderID(parent) : 0;
    if (path == "/") {
        location->parID = fsRtParID;
    }
    return err;
}

OSErr FSpCreate(const FSSpec* location, OSType, OSType, ScriptCode) {
    std::string path;
    const OSErr err = FilePathOf(location, path);
    return err != noErr ? err : CreateFileAt(path);
}

OSErr FSpDirCreate(const FSSpec* location, ScriptCode, SInt32* createdDirID) {
    std::string path, canonical;
    OSErr err = FilePathOf(location, path);
    if (err != noErr) {
        return err;
    }
    if (mkdir(path.c_str(), 0777) != 0) {
        return errno == ENOENT ? OSErr(dirNFErr) : ErrorFromErrno(errno);
    }
    err = CanonicalPath(path, canonical);
    if (err == noErr && createdDirID != nullptr) {
        *createdDirID = FolderID(canonical);
    }
    return err;
}

OSErr FSpDelete(const FSSpec* location) {
    std::string path;
    const OSErr err = FilePathOf(location, path);
    return err != noErr ? err : DeleteItemAt(path);
}

OSErr FSpOpenDF(const FSSpec* location, SInt8 permission, SInt16* refNum) {
    std::string path;
    const OSErr err = FilePathOf(location, path);
    return err != noErr ? err : OpenFileAt(path, permission, refNum);
}

OSErr FSpMakeFSRef(const FSSpec* source, FSRef* newRef) {
    std::string path;
    const OSErr err = FilePathOf(source, path);
    return err != noErr
               ? err
               : FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), newRef, nullptr);
}

// --- Open files -----------------------------------------------------------------

OSErr FSRead(SInt16 refNum, long* count, void* buffer) {
    if (count == nullptr || *count < 0 || (buffer == nullptr && *count > 0)) {
        return paramErr;
    }
    return WithFork(refNum, [&](OpenFork& fork) {
        size_t done = 0;
        const OSErr err = ReadBytes(fork, buffer, static_cast<size_t>(*count), done);
        *count = static_cast<long>(done);
        return err;
    });
}

OSErr FSWrite(SInt16 refNum, long* count, const void* buffer) {
    if (count == nullptr || *count < 0 || (buffer == nullptr && *count > 0)) {
        return paramErr;
    }
    return WithFork(refNum, [&](OpenFork& fork) {
        size_t done = 0;
        const OSErr err = WriteBytes(fork, buffer, static_cast<size_t>(*count), done);
        *count = static_cast<long>(done);
        return err;
    });
}

OSErr SetFPos(SInt16 refNum, SInt16 posMode, long posOff) {
    if (posMode < fsAtMark || posMode > fsFromMark) {
        return paramErr;
    }
    return WithFork(refNum, [&](OpenFork& fork) {
        return MoveMark(fork, static_cast<UInt16>(posMode), posOff);
    });
}

OSErr GetFPos(SInt16 refNum, long* filePos) {
    if (filePos == nullptr) {
        return paramErr;
    }
    return WithFork(refNum, [&](OpenFork& fork) {
        SInt64 mark = 0;
        const OSErr err = GetMark(fork, mark);
        *filePos = static_cast<long>(mark);
        return err;
    });
}

OSErr GetEOF(SInt16 refNum, long* logEOF) {
    if (logEOF == nullptr) {
        return paramErr;
    }
    return WithFork(refNum, [&](OpenFork& fork) {
        SInt64 size = 0;
        const OSErr err = GetSize(fork, size);
        *logEOF = static_cast<long>(size);
        return err;
    });
}

OSErr SetEOF(SInt16 refNum, long logEOF) {
    return FSSetForkSize(refNum, fsFromStart, logEOF);
}

OSErr FSClose(SInt16 refNum) {
    return CloseFork(refNum);
}

OSErr FlushVol(ConstStr63Param, SInt16) {
    sync();
    return noErr;
}

// --- Folders --------------------------------------------------------------------

OSErr FindFolder(SInt16, OSType folderType, Boolean createFolder, SInt16* foundVRefNum,
                 SInt32* foundDirID) {
    if (foundVRefNum == nullptr || foundDirID == nullptr) {
        return paramErr;
    }
    std::string folder;
    if (folderType == kPreferencesFolderType) {
        const std::string home = HomeFolder();
        folder = FolderFromEnvironment("XDG_CONFIG_HOME", home.empty() ? "" : home + "/.config");
    } else if (folderType == kTemporaryFolderType) {
        folder = FolderFromEnvironment("TMPDIR", "/tmp");
    }
    if (folder.empty()) {
        return fnfErr;
    }
    struct stat info;
    if (stat(folder.c_str(), &info) != 0) {
        if (!createFolder) {
            return fnfErr;
        }
        const OSErr err = MakeFolders(folder);
        if (err != noErr) {
            return err;
        }
    } else if (!S_ISDIR(info.st_mode)) {
        return fnfErr;
    }
    std::string canonical;
    const OSErr err = CanonicalPath(folder, canonical);
    if (err != noErr) {
        return err;
    }
    *foundVRefNum = 0;
    *foundDirID = FolderID(canonical);
    return noErr;
}

OSErr PBGetCatInfoSync(CInfoPBPtr paramBlock) {
    if (paramBlock == nullptr) {
        return paramErr;
    }
    DirInfo& dir = paramBlock->dirInfo;
    auto finish = [&](OSErr err) { return dir.ioResult = err; };
    if (dir.ioFDirIndex > 0) {
        return finish(paramErr);
    }
    const std::string name = dir.ioFDirIndex < 0 ? std::string() : PascalToString(dir.ioNamePtr);
    if (dir.ioDrDirID == 0 && name.empty()) {
        return finish(paramErr);
    }
    std::string path;
    OSErr err = ResolveName(dir.ioDrDirID, name, path);
    struct stat info;
    if (err == noErr && stat(path.c_str(), &info) != 0) {
        err = ErrorFromErrno(errno);
    }
    if (err != noErr) {
        return finish(err);
    }
    std::string parent;
    const SInt32 parentID = path == "/"                                      ? fsRtParID
                            : CanonicalPath(ParentOf(path), parent) == noErr ? FolderID(parent)
                                                                             : 0;
    if (S_ISDIR(info.st_mode)) {
        std::string canonical;
        err = CanonicalPath(path, canonical);
        dir.ioFlAttrib = kioFlAttribDirMask;
        dir.ioDrDirID = err == noErr ? FolderID(canonical) : 0;
        dir.ioDrParID = parentID;
        return finish(err);
    }
    HFileInfo& file = paramBlock->hFileInfo;
    file.ioFlAttrib = 0;
    file.ioDirID = 0;
    file.ioFlParID = parentID;
    file.ioFlLgLen = info.st_size;
    return finish(noErr);
}

// --- Refs -----------------------------------------------------------------------

OSErr FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory) {
    if (path == nullptr || ref == nullptr) {
        return paramErr;
    }
    std::string canonical;
    OSErr err = CanonicalPath(reinterpret_cast<const char*>(path), canonical);
    if (err != noErr) {
        return err;
    }
    if (canonical.size() >= kFSPathMax) {
        return errFSNameTooLong;
    }
    StorePath(canonical, ref->path);
    if (isDirectory != nullptr) {
        struct stat info;
        *isDirectory = stat(canonical.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    return noErr;
}

OSErr FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize) {
    std::string text;
    const OSErr err = RefPath(ref, text);
    if (err != noErr || path == nullptr) {
        return err != noErr ? err : OSErr(paramErr);
    }
    if (text.size() + 1 > maxPathSize) {
        return errFSNameTooLong;
    }
    std::copy(text.c_str(), text.c_str() + text.size() + 1, path);
    return noErr;
}

OSErr FSCreateFileUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                          FSCatalogInfoBitmap whichInfo, const FSCatalogInfo*, FSRef* newRef,
                          FSSpec* newLocation) {
    std::string folder;
    OSErr err = RefPath(parentRef, folder);
    if (err != noErr || whichInfo != kFSCatInfoNone || (name == nullptr && nameLength > 0)) {
        return err != noErr ? err : OSErr(paramErr);
    }
    // The name in UTF-8: at most 255 units, 3 bytes each.
    char utf8[256 * 3 + 1];
    CFStringRef text =
        nameLength <= 255 ? CFStringCreateWithCharacters(nullptr, name, nameLength) : nullptr;
    const bool converted =
        text != nullptr && CFStringGetCString(text, utf8, sizeof utf8, kCFStringEncodingUTF8);
    CFRelease(text);
    if (!converted || !IsValidName(utf8)) {
        return bdNamErr;
    }
    const std::string path = (folder == "/" ? "" : folder) + "/" + utf8;
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return dirNFErr;
    }
    if (path.size() >= kFSPathMax) {
        return bdNamErr;
    }
    err = CreateFileAt(path);
    if (err == noErr && newRef != nullptr) {
        err = FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), newRef, nullptr);
    }
    if (err == noErr && newLocation != nullptr) {
        newLocation->vRefNum = 0;
        newLocation->parID = FolderID(folder);
        StorePath(path, newLocation->path);
    }
    return err;
}

OSErr FSDeleteObject(const FSRef* ref) {
    std::string path;
    const OSErr err = RefPath(ref, path);
    return err != noErr ? err : DeleteItemAt(path);
}

OSErr FSGetDataForkName(HFSUniStr255* dataForkName) {
    if (dataForkName == nullptr) {
        return paramErr;
    }
    dataForkName->length = 0;
    return noErr;
}

OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar*, SInt8 permissions,
                 FSIORefNum* forkRefNum) {
    std::string path;
    const OSErr err = RefPath(ref, path);
    if (err != noErr) {
        return err;
    }
    if (forkNameLength != 0) {
        return errFSForkNotFound;
    }
    return OpenFileAt(path, permissions, forkRefNum);
}

OSErr FSReadFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset,
                 ByteCount requestCount, void* buffer, ByteCount* actualCount) {
    return PositionAndTransfer(forkRefNum, positionMode, positionOffset, requestCount, buffer,
                               actualCount, ReadBytes);
}

OSErr FSWriteFork(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset,
                  ByteCount requestCount, const void* buffer, ByteCount* actualCount) {
    return PositionAndTransfer(forkRefNum, positionMode, positionOffset, requestCount, buffer,
                               actualCount, WriteBytes);
}

OSErr FSGetForkPosition(FSIORefNum forkRefNum, SInt64* position) {
    if (position == nullptr) {
        return paramErr;
    }
    return WithFork(forkRefNum, [&](OpenFork& fork) { return GetMark(fork, *position); });
}

OSErr FSSetForkPosition(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset) {
    return WithFork(forkRefNum,
                    [&](OpenFork& fork) { return MoveMark(fork, positionMode, positionOffset); });
}

OSErr FSGetForkSize(FSIORefNum forkRefNum, SInt64* forkSize) {
    if (forkSize == nullptr) {
        return paramErr;
    }
    return WithFork(forkRefNum, [&](OpenFork& fork) { return GetSize(fork, *forkSize); });
}

OSErr FSSetForkSize(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset) {
    return WithFork(forkRefNum,
                    [&](OpenFork& fork) { return SetSize(fork, positionMode, positionOffset); });
}

OSErr FSCloseFork(FSIORefNum forkRefNum) {
    return CloseFork(forkRefNum);
}

// --- Shared by FSSpec and FSRef calls -------------------------------------------

namespace fileimpl {

OSErr CreateFileAt(const std::string& path) {
    const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        return errno == ENOENT ? OSErr(dirNFErr) : ErrorFromErrno(errno);
    }
    return close(fd) == 0 ? OSErr(noErr) : ErrorFromErrno(errno);
}

OSErr DeleteItemAt(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        return ErrorFromErrno(errno);
    }
    const int result = S_ISDIR(info.st_mode) ? rmdir(path.c_str()) : unlink(path.c_str());
    if (result != 0) {
        return errno == EEXIST ? OSErr(fBsyErr) : ErrorFromErrno(errno);
    }
    return noErr;
}

}  // namespace fileimpl

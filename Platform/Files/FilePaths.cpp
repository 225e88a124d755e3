// Naming of files and folders: errno translation, the folder id registry
// and the resolution of names and paths.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "Files/FileSystemInternal.h"

namespace fileimpl {
namespace {

class FolderRegistry {
  public:
    SInt32 IdOf(const std::string& path) {
        if (path == "/") {
            return fsRtDirID;
        }
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = m_ids.find(path);
        if (found != m_ids.end()) {
            return found->second;
        }
        const SInt32 id = m_next++;
        m_ids.emplace(path, id);
        m_paths.emplace(id, path);
        return id;
    }

    bool PathOf(SInt32 id, std::string& path) {
        if (id == fsRtDirID) {
            path = "/";
            return true;
        }
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = m_paths.find(id);
        if (found == m_paths.end()) {
            return false;
        }
        path = found->second;
        return true;
    }

  private:
    std::mutex m_lock;
    std::unordered_map<std::string, SInt32> m_ids;
    std::unordered_map<SInt32, std::string> m_paths;
    SInt32 m_next = 100;
};

FolderRegistry& Registry() {
    static FolderRegistry registry;
    return registry;
}

std::string LastNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

}  // namespace

OSErr ErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return noErr;
        case ENOENT:
            return fnfErr;
        case ENOTDIR:
            return dirNFErr;
        case EEXIST:
            return dupFNErr;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return dskFulErr;
        case EACCES:
        case EPERM:
            return permErr;
        case EROFS:
            return vLckdErr;
        case ENOTEMPTY:
        case EBUSY:
        case ETXTBSY:
            return fBsyErr;
        case EMFILE:
        case ENFILE:
            return tmfoErr;
        case ENAMETOOLONG:
        case ELOOP:
            return bdNamErr;
        case EISDIR:
            return notAFileErr;
        case EINVAL:
            return paramErr;
        case ENOMEM:
            return memFullErr;
        case EBADF:
            return rfNumErr;
        default:
            return ioErr;
    }
}

SInt32 FolderID(const std::string& canonicalPath) {
    return Registry().IdOf(canonicalPath);
}

bool FolderPath(SInt32 folderID, std::string& path) {
    return Registry().PathOf(folderID, path);
}

OSErr CanonicalPath(const std::string& path, std::string& canonical) {
    if (path.empty()) {
        return fnfErr;
    }
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) {
        return ErrorFromErrno(errno);
    }
    canonical = resolved;
    return noErr;
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsValidName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos && name.size() < 256;
}

OSErr ResolveItemPath(const std::string& path, std::string& out) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return bdNamErr;
    }
    if (CanonicalPath(path, out) == noErr) {
        return noErr;
    }
    const std::string name = LastNameOf(path);
    if (!IsValidName(name)) {
        return bdNamErr;
    }
    std::string folder;
    OSErr err = CanonicalPath(ParentOf(path), folder);
    if (err == fnfErr || err == dirNFErr) {
        return dirNFErr;
    }
    if (err != noErr) {
        return err;
    }
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return dirNFErr;
    }
    out = Join(folder, name);
    return access(out.c_str(), F_OK) == 0 ? OSErr(noErr) : OSErr(fnfErr);
}

OSErr ResolveName(SInt32 dirID, const std::string& name, std::string& out) {
    if (dirID == 0) {
        return ResolveItemPath(name, out);
    }
    std::string folder;
    if (!FolderPath(dirID, folder)) {
        return dirNFErr;
    }
    if (name.empty()) {
        out = folder;
        return access(folder.c_str(), F_OK) == 0 ? OSErr(noErr) : OSErr(dirNFErr);
    }
    if (!IsValidName(name)) {
        return bdNamErr;
    }
    return ResolveItemPath(Join(folder, name), out);
}

OSErr PathFromField(const char* field, std::string& path) {
    if (field == nullptr) {
        return paramErr;
    }
    const void* end = std::memchr(field, '\0', kFSPathMax);
    if (end == nullptr || end == field) {
        return paramErr;
    }
    path.assign(field, static_cast<const char*>(end));
    return noErr;
}

OSErr StorePath(const std::string& path, char (&field)[kFSPathMax]) {
    if (path.size() >= kFSPathMax) {
        return bdNamErr;
    }
    std::memcpy(field, path.c_str(), path.size() + 1);
    return noErr;
}

}  // namespace fileimpl

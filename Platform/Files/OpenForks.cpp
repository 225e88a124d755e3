// The table of open files behind reference numbers, and the reads, writes
// and mark moves on them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "Files/FileSystemInternal.h"

namespace fileimpl {
namespace {

class ForkTable {
  public:
    OSErr Add(std::shared_ptr<OpenFork> fork, SInt16* refNum) {
        std::lock_guard<std::mutex> guard(m_lock);
        // Reference numbers run 1..32767 and are reused once closed.
        for (int tries = 0; tries < kLast; ++tries) {
            const SInt16 candidate = m_next;
            m_next = m_next == kLast ? 1 : static_cast<SInt16>(m_next + 1);
            if (m_forks.emplace(candidate, fork).second) {
                *refNum = candidate;
                return noErr;
            }
        }
        return tmfoErr;
    }

    std::shared_ptr<OpenFork> Find(SInt16 refNum) {
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = m_forks.find(refNum);
        return found != m_forks.end() ? found->second : nullptr;
    }

    std::shared_ptr<OpenFork> Remove(SInt16 refNum) {
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = m_forks.find(refNum);
        if (found == m_forks.end()) {
            return nullptr;
        }
        std::shared_ptr<OpenFork> fork = std::move(found->second);
        m_forks.erase(found);
        return fork;
    }

  private:
    static constexpr SInt16 kLast = 32767;
    std::mutex m_lock;
    std::map<SInt16, std::shared_ptr<OpenFork>> m_forks;
    SInt16 m_next = 1;
};

ForkTable& Table() {
    static ForkTable table;
    return table;
}

int OpenFlags(SInt8 permission) {
    switch (permission & fsRdWrPerm) {
        case fsRdPerm:
            return O_RDONLY;
        case fsWrPerm:
            return O_WRONLY;
        default:
            return O_RDWR;
    }
}

}  // namespace

OpenFork::~OpenFork() {
    if (fd >= 0) {
        close(fd);
    }
}

OSErr OpenFileAt(const std::string& path, SInt8 permission, SInt16* refNum) {
    if (refNum == nullptr) {
        return paramErr;
    }
    // Non-blocking, so that opening a pipe or device never waits.
    const int common = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int flags = OpenFlags(permission);
    int fd = open(path.c_str(), flags | common);
    if (fd < 0 && permission == fsCurPerm && (errno == EACCES || errno == EROFS)) {
        flags = O_RDONLY;
        fd = open(path.c_str(), flags | common);
    }
    if (fd < 0) {
        return ErrorFromErrno(errno);
    }
    auto fork = std::make_shared<OpenFork>(fd, flags != O_WRONLY, flags != O_RDONLY);
    struct stat info;
    if (fstat(fd, &info) != 0) {
        return ErrorFromErrno(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return notAFileErr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return Table().Add(std::move(fork), refNum);
}

std::shared_ptr<OpenFork> FindFork(SInt16 refNum) {
    return Table().Find(refNum);
}

OSErr CloseFork(SInt16 refNum) {
    std::shared_ptr<OpenFork> fork = Table().Remove(refNum);
    if (fork == nullptr) {
        return rfNumErr;
    }
    // Report what close says unless another thread's call still uses the
    // file; then the descriptor closes when that call ends.
    if (fork.use_count() == 1) {
        const int fd = fork->fd;
        fork->fd = -1;
        if (close(fd) != 0 && errno != EINTR) {
            return ErrorFromErrno(errno);
        }
    }
    return noErr;
}

OSErr GetMark(OpenFork& fork, SInt64& mark) {
    const off_t at = lseek(fork.fd, 0, SEEK_CUR);
    if (at < 0) {
        return ErrorFromErrno(errno);
    }
    mark = at;
    return noErr;
}

OSErr GetSize(OpenFork& fork, SInt64& size) {
    struct stat info;
    if (fstat(fork.fd, &info) != 0) {
        return ErrorFromErrno(errno);
    }
    size = info.st_size;
    return noErr;
}

namespace {

// The position `offset` bytes from the base that `mode` names.
OSErr Target(OpenFork& fork, UInt16 mode, SInt64 offset, SInt64& target) {
    SInt64 base = 0;
    OSErr err = noErr;
    switch (mode & 3) {
        case fsAtMark:
            return GetMark(fork, target);
        case fsFromLEOF:
            err = GetSize(fork, base);
            break;
        case fsFromMark:
            err = GetMark(fork, base);
            break;
        default:
            break;
    }
    if (err != noErr) {
        return err;
    }
    if (__builtin_add_overflow(base, offset, &target) || target < 0) {
        return posErr;
    }
    return noErr;
}

OSErr SeekTo(OpenFork& fork, SInt64 position) {
    return lseek(fork.fd, position, SEEK_SET) < 0 ? ErrorFromErrno(errno) : OSErr(noErr);
}

}  // namespace

OSErr MoveMark(OpenFork& fork, UInt16 mode, SInt64 offset) {
    SInt64 target = 0, size = 0;
    OSErr err = Target(fork, mode, offset, target);
    if (err == noErr) {
        err = GetSize(fork, size);
    }
    if (err != noErr) {
        return err;
    }
    if (target > size) {
        err = SeekTo(fork, size);
        return err != noErr ? err : OSErr(eofErr);
    }
    return SeekTo(fork, target);
}

OSErr SetSize(OpenFork& fork, UInt16 mode, SInt64 offset) {
    SInt64 size = 0, mark = 0;
    OSErr err = Target(fork, mode, offset, size);
    if (err == noErr) {
        err = GetMark(fork, mark);
    }
    if (err != noErr) {
        return err;
    }
    if (!fork.canWrite) {
        return wrPermErr;
    }
    if (ftruncate(fork.fd, size) != 0) {
        return ErrorFromErrno(errno);
    }
    return mark > size ? SeekTo(fork, size) : OSErr(noErr);
}

namespace {

// Repeats a read or write call until `count` bytes are done, an error
// occurs, or the call does nothing (then `atZero` is the result).
template <typename Byte, typename Call>
OSErr TransferAll(Byte* bytes, size_t count, size_t& done, OSErr atZero, Call call) {
    done = 0;
    while (done < count) {
        const ssize_t n = call(bytes + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return ErrorFromErrno(errno);
        }
        if (n == 0) {
            return atZero;
        }
        done += static_cast<size_t>(n);
    }
    return noErr;
}

}  // namespace

OSErr ReadBytes(OpenFork& fork, void* buffer, size_t count, size_t& done) {
    if (!fork.canRead) {
        done = 0;
        return permErr;
    }
    return TransferAll(static_cast<char*>(buffer), count, done, eofErr,
                       [&](char* at, size_t n) { return read(fork.fd, at, n); });
}

OSErr WriteBytes(OpenFork& fork, const void* buffer, size_t count, size_t& done) {
    if (!fork.canWrite) {
        done = 0;
        return wrPermErr;
    }
    return TransferAll(static_cast<const char*>(buffer), count, done, ioErr,
                       [&](const char* at, size_t n) { return write(fork.fd, at, n); });
}

}  // namespace fileimpl

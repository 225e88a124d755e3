#include "MovieToolbox/MovieDataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "MovieToolbox/AtomIO.h"
#include "MovieToolbox/MovieAtoms.h"
#include "MovieToolbox/Movies.h"

namespace mtb {

namespace {

constexpr uint64_t kPlaceholderAndHeader = 16;  // 'wide' atom + 'mdat' header

}  // namespace

OSErr OSErrFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return fnfErr;
        case ENOTDIR:
            return dirNFErr;
        case EEXIST:
            return dupFNErr;
        case EACCES:
        case EPERM:
        case EROFS:
            return permErr;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return dskFulErr;
        case ENAMETOOLONG:
            return paramErr;
        default:
            return ioErr;
    }
}

OSErr MovieDataFile::Create(const std::string& path, bool replaceExisting,
                            std::shared_ptr<MovieDataFile>& file) {
    // Only a file (or a link) is replaced: a device, pipe or folder at the
    // path is left alone, and creating the movie there fails.
    struct stat existing;
    if (replaceExisting && ::lstat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) &&
        !S_ISLNK(existing.st_mode)) {
        return OSErrFromErrno(EEXIST);
    }
    if (replaceExisting && ::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return OSErrFromErrno(errno);
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return OSErrFromErrno(errno);
    }
    std::shared_ptr<MovieDataFile> created(new MovieDataFile(fd, path));
    qtfile::ByteWriter out;
    if (!qtfile::WriteAtom(out, qtfile::FileTypeAtom{})) {
        return internalQuickTimeError;
    }
    OSErr err = created->writeAt(0, out.data().data(), out.size());
    if (err == noErr) {
        created->m_end = out.size();
        err = created->openMediaData();
    }
    if (err != noErr) {
        created.reset();
        ::unlink(path.c_str());
        return err;
    }
    file = std::move(created);
    return noErr;
}

MovieDataFile::~MovieDataFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

OSErr MovieDataFile::writeAt(uint64_t offset, const void* data, size_t size) {
    auto bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        ssize_t done = ::pwrite(m_fd, bytes, size, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return done < 0 ? OSErrFromErrno(errno) : OSErr{dskFulErr};
        }
        bytes += done;
        offset += static_cast<uint64_t>(done);
        size -= static_cast<size_t>(done);
    }
    return noErr;
}

OSErr MovieDataFile::WriteMediaDataHeader(int fd, uint64_t atomStart, uint64_t dataSize) {
    qtfile::ByteWriter out;
    if (dataSize == kOpenMediaData) {
        // Size 0: the atom runs to the end of the file, which stays true of
        // a recording cut short.
        qtfile::WriteAtomHeader(out, 'wide', 0);
        out.u32(0);
        out.fourcc('mdat');
    } else if (dataSize + 8 <= std::numeric_limits<uint32_t>::max()) {
        qtfile::WriteAtomHeader(out, 'wide', 0);
        qtfile::WriteAtomHeader(out, 'mdat', dataSize);
    } else {
        // The 64-bit header takes the 'wide' atom's place: 16 bytes in all.
        out.u32(1);
        out.fourcc('mdat');
        out.u64(dataSize + 16);
    }
    MovieDataFile writer(fd, std::string());
    OSErr err = writer.writeAt(atomStart, out.data().data(), out.size());
    writer.m_fd = -1;
    return err;
}

OSErr MovieDataFile::openMediaData() {
    uint64_t start = m_end;
    OSErr err = WriteMediaDataHeader(m_fd, start, kOpenMediaData);
    if (err != noErr) {
        return err;
    }
    m_mediaDataStart = start;
    m_end = start + kPlaceholderAndHeader;
    return noErr;
}

OSErr MovieDataFile::closeMediaData() {
    if (!m_mediaDataStart) {
        return noErr;
    }
    uint64_t dataSize = m_end - *m_mediaDataStart - kPlaceholderAndHeader;
    OSErr err = WriteMediaDataHeader(m_fd, *m_mediaDataStart, dataSize);
    if (err == noErr) {
        m_mediaDataStart.reset();
    }
    return err;
}

OSErr MovieDataFile::appendSampleData(const void* data, size_t size, uint64_t& offset) {
    if (!m_mediaDataStart) {
        OSErr err = openMediaData();
        if (err != noErr) {
            return err;
        }
    }
    OSErr err = writeAt(m_end, data, size);
    if (err != noErr) {
        // Whatever part was written is overwritten by the next sample.
        return err;
    }
    offset = m_end;
    m_end += size;
    return noErr;
}

OSErr MovieDataFile::writeMovieAtom(std::span<const uint8_t> moov) {
    OSErr err = closeMediaData();
    if (err != noErr) {
        return err;
    }
    uint64_t start = m_end;
    err = writeAt(start, moov.data(), moov.size());
    if (err != noErr) {
        return err;
    }
    if (m_movieAtomStart) {
        static const uint8_t kFree[4] = {'f', 'r', 'e', 'e'};
        err = writeAt(*m_movieAtomStart + 4, kFree, sizeof kFree);
        if (err != noErr) {
            return err;
        }
    }
    m_movieAtomStart = start;
    m_end = start + moov.size();
    return noErr;
}

}  // namespace mtb

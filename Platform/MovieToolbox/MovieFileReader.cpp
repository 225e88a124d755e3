#include "MovieToolbox/MovieFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qtfile {

// The bytes of the file: either an open file read with pread, or a caller's
// buffer.
class MovieFileReader::Source {
  public:
    explicit Source(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    explicit Source(std::span<const uint8_t> bytes) : m_bytes(bytes), m_size(bytes.size()) {}
    ~Source() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    uint64_t size() const { return m_size; }

    bool read(uint64_t offset, uint8_t* out, size_t count) const {
        if (offset > m_size || count > m_size - offset) {
            return false;
        }
        if (count == 0) {
            return true;
        }
        if (m_fd < 0) {
            std::memcpy(out, m_bytes.data() + offset, count);
            return true;
        }
        while (count > 0) {
            ssize_t got = ::pread(m_fd, out, count, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            out += got;
            offset += static_cast<uint64_t>(got);
            count -= static_cast<size_t>(got);
        }
        return true;
    }

  private:
    int m_fd = -1;
    std::span<const uint8_t> m_bytes;
    uint64_t m_size = 0;
};

namespace {

ReadStatus Fail(ReadError code, std::string message) {
    return ReadStatus{code, std::move(message)};
}

}  // namespace

MovieFileReader::MovieFileReader() = default;
MovieFileReader::~MovieFileReader() = default;

ReadStatus MovieFileReader::open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Fail(ReadError::cannotOpen, "cannot open " + path + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Fail(ReadError::cannotOpen, path + " is not a regular file");
    }
    m_source = std::make_unique<Source>(fd, static_cast<uint64_t>(info.st_size));
    return parse();
}

ReadStatus MovieFileReader::openBytes(std::span<const uint8_t> bytes) {
    m_source = std::make_unique<Source>(bytes);
    return parse();
}

uint64_t MovieFileReader::fileSize() const {
    return m_source ? m_source->size() : 0;
}

ReadStatus MovieFileReader::parse() {
    m_fileType.reset();
    m_topLevel.clear();
    m_movie = MovieAtom{};
    m_indexes.clear();
    std::optional<TopLevelAtom> moov;
    ReadStatus status = scanTopLevel(moov);
    if (!status.ok()) {
        return status;
    }
    if (!moov) {
        return Fail(ReadError::noMovie, "the file holds no movie atom");
    }
    return parseMovie(*moov);
}

ReadStatus MovieFileReader::scanTopLevel(std::optional<TopLevelAtom>& moov) {
    uint64_t size = m_source->size();
    uint64_t offset = 0;
    while (offset < size) {
        uint8_t header[16];
        uint64_t left = size - offset;
        if (left < 8) {
            return Fail(ReadError::malformed, "stray bytes at the end of the file");
        }
        size_t headerBytes = left >= 16 ? 16 : 8;
        if (!m_source->read(offset, header, headerBytes)) {
            return Fail(ReadError::ioError, "cannot read an atom header");
        }
        ByteReader in(std::span<const uint8_t>(header, headerBytes));
        TopLevelAtom atom;
        atom.offset = offset;
        atom.size = in.u32();
        atom.type = in.fourcc();
        if (atom.size == 1) {
            atom.size = in.u64();
            atom.headerSize = 16;
            if (!in.ok()) {
                return Fail(ReadError::malformed, "atom header cut short");
            }
        } else if (atom.size == 0) {
            atom.size = left;
        }
        if (atom.size < atom.headerSize || atom.size > left) {
            return Fail(ReadError::malformed, "atom '" + FourCCText(atom.type) + "' at " +
                                                  std::to_string(offset) +
                                                  " runs past the end of the file");
        }
        m_topLevel.push_back(atom);
        if (atom.type == 'moov' && !moov) {
            moov = atom;
        } else if (atom.type == 'ftyp' && !m_fileType && atom.size <= 4096) {
            std::vector<uint8_t> bytes(static_cast<size_t>(atom.size - atom.headerSize));
            if (!m_source->read(offset + atom.headerSize, bytes.data(), bytes.size())) {
                return Fail(ReadError::ioError, "cannot read 'ftyp'");
            }
            ByteReader payload(bytes);
            ReadContext context;
            m_fileType.emplace();
            if (!ReadAtom(payload, *m_fileType, context)) {
                return Fail(ReadError::malformed, context.error);
            }
        }
        offset += atom.size;
    }
    return {};
}

ReadStatus MovieFileReader::parseMovie(const TopLevelAtom& moov) {
    uint64_t payloadSize = moov.size - moov.headerSize;
    if (payloadSize > kMaxMovieAtomSize) {
        return Fail(ReadError::malformed, "movie atom too large");
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(payloadSize));
    if (!m_source->read(moov.offset + moov.headerSize, bytes.data(), bytes.size())) {
        return Fail(ReadError::ioError, "cannot read the movie atom");
    }
    ByteReader payload(bytes);
    ReadContext context;
    if (!ReadAtom(payload, m_movie, context)) {
        return Fail(ReadError::malformed, context.error);
    }
    m_indexes.resize(m_movie.tracks.size());
    for (size_t i = 0; i < m_movie.tracks.size(); ++i) {
        std::string error;
        if (!m_indexes[i].build(m_movie.tracks[i].media.information.sampleTable, error)) {
            return Fail(ReadError::inconsistent,
                        "track " + std::to_string(m_movie.tracks[i].header.trackID) + ": " + error);
        }
    }
    return {};
}

const TrackAtom* MovieFileReader::trackWithID(uint32_t trackID) const {
    for (const TrackAtom& track : m_movie.tracks) {
        if (track.header.trackID == trackID) {
            return &track;
        }
    }
    return nullptr;
}

ReadStatus MovieFileReader::sampleInfo(size_t trackIndex, uint32_t sampleIndex,
                                       SampleInfo& info) const {
    if (trackIndex >= m_indexes.size() || !m_indexes[trackIndex].sample(sampleIndex, info)) {
        return Fail(ReadError::badIndex, "no sample " + std::to_string(sampleIndex) + " in track " +
                                             std::to_string(trackIndex));
    }
    return {};
}

ReadStatus MovieFileReader::readSample(size_t trackIndex, uint32_t sampleIndex,
                                       std::vector<uint8_t>& bytes) const {
    SampleInfo info;
    ReadStatus status = sampleInfo(trackIndex, sampleIndex, info);
    if (!status.ok()) {
        return status;
    }
    return readAt(info.offset, info.size, bytes);
}

ReadStatus MovieFileReader::readAt(uint64_t offset, size_t count,
                                   std::vector<uint8_t>& bytes) const {
    uint64_t size = fileSize();
    if (offset > size || count > size - offset) {
        return Fail(ReadError::outsideFile, "bytes " + std::to_string(offset) + "+" +
                                                std::to_string(count) +
                                                " lie past the end of the file");
    }
    bytes.resize(count);
    if (count > 0 && !m_source->read(offset, bytes.data(), count)) {
        return Fail(ReadError::ioError, "cannot read sample data");
    }
    return {};
}

}  // namespace qtfile

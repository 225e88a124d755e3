// The file of a movie: the file type atom, then media data atoms holding the
// samples as they are added, then the movie atom.
//
// Samples are written with write(2) at the end of the open media data atom
// the moment they are added.  Each media data atom starts as a 'wide' atom
// followed by an 8-byte 'mdat' header whose size, 0 while it is open, means
// "to the end of the file"; when it is closed its size is written,
// and a size past 32 bits takes over the 'wide' atom's 8 bytes for a 64-bit
// header, so the data never moves.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "Base/MacTypes.h"

namespace mtb {

class MovieDataFile {
  public:
    // Creates the file (failing with dupFNErr when one exists, unless
    // replaceExisting) and writes its file type atom.
    static OSErr Create(const std::string& path, bool replaceExisting,
                        std::shared_ptr<MovieDataFile>& file);
    ~MovieDataFile();
    MovieDataFile(const MovieDataFile&) = delete;
    MovieDataFile& operator=(const MovieDataFile&) = delete;

    // Writes bytes at the end of the open media data atom (opening one when
    // none is open) and gives their offset in the file.
    OSErr appendSampleData(const void* data, size_t size, uint64_t& offset);
    // Closes the open media data atom, turns an earlier movie atom into a
    // 'free' atom and writes this one at the end of the file.
    OSErr writeMovieAtom(std::span<const uint8_t> moov);

    const std::string& path() const { return m_path; }
    uint64_t size() const { return m_end; }

    // Writes the header of a media data atom that starts at atomStart (where
    // its 'wide' placeholder is) and holds dataSize bytes of data, or, for
    // kOpenMediaData, one that runs to the end of the file.
    static constexpr uint64_t kOpenMediaData = ~0ull;
    static OSErr WriteMediaDataHeader(int fd, uint64_t atomStart, uint64_t dataSize);

  private:
    MovieDataFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    OSErr openMediaData();
    OSErr closeMediaData();
    OSErr writeAt(uint64_t offset, const void* data, size_t size);

    int m_fd = -1;
    std::string m_path;
    uint64_t m_end = 0;
    std::optional<uint64_t> m_mediaDataStart;  // the open media data atom
    std::optional<uint64_t> m_movieAtomStart;  // the last movie atom written
};

// Maps errno values of failed file calls to result codes.
OSErr OSErrFromErrno(int error);

}  // namespace mtb

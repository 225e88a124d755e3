// Reads QuickTime movie files: the movie atom with its tracks, media, edits,
// references and sample tables, and the bytes of each sample.
//
// Every file is untrusted.  A truncated or damaged file gives a ReadStatus
// with an error code and a message that names the atom at fault; nothing is
// allocated before its size has been checked against the file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "MovieToolbox/MovieAtoms.h"
#include "MovieToolbox/SampleTableIndex.h"

namespace qtfile {

enum class ReadError {
    none,
    cannotOpen,    // the file cannot be opened
    ioError,       // reading failed
    noMovie,       // no 'moov' atom (e.g. a recording cut short)
    malformed,     // an atom is cut short or its contents are impossible
    inconsistent,  // sample tables disagree with each other
    outsideFile,   // a sample lies (partly) beyond the end of the file
    badIndex,      // no such track or sample
};

struct ReadStatus {
    ReadError code = ReadError::none;
    std::string message;
    bool ok() const { return code == ReadError::none; }
};

// Where one top-level atom lies in the file.
struct TopLevelAtom {
    OSType type = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
    uint32_t headerSize = 8;
};

class MovieFileReader {
  public:
    MovieFileReader();
    ~MovieFileReader();
    MovieFileReader(const MovieFileReader&) = delete;
    MovieFileReader& operator=(const MovieFileReader&) = delete;

    ReadStatus open(const std::string& path);
    // Reads a whole file held in memory.
    ReadStatus openBytes(std::span<const uint8_t> bytes);

    const std::optional<FileTypeAtom>& fileType() const { return m_fileType; }
    const std::vector<TopLevelAtom>& topLevelAtoms() const { return m_topLevel; }
    const MovieAtom& movie() const { return m_movie; }
    size_t trackCount() const { return m_movie.tracks.size(); }
    const TrackAtom& track(size_t index) const { return m_movie.tracks.at(index); }
    // The track with this ID, or null.
    const TrackAtom* trackWithID(uint32_t trackID) const;
    const SampleTableIndex& samples(size_t trackIndex) const { return m_indexes.at(trackIndex); }

    ReadStatus sampleInfo(size_t trackIndex, uint32_t sampleIndex, SampleInfo& info) const;
    ReadStatus readSample(size_t trackIndex, uint32_t sampleIndex,
                          std::vector<uint8_t>& bytes) const;
    // Reads bytes at an offset of the file; fails when they run past its end.
    ReadStatus readAt(uint64_t offset, size_t count, std::vector<uint8_t>& bytes) const;

    uint64_t fileSize() const;

    // The largest movie atom read into memory.
    static constexpr uint64_t kMaxMovieAtomSize = 512ull << 20;

  private:
    class Source;
    ReadStatus parse();
    ReadStatus scanTopLevel(std::optional<TopLevelAtom>& moov);
    ReadStatus parseMovie(const TopLevelAtom& moov);

    std::unique_ptr<Source> m_source;
    std::optional<FileTypeAtom> m_fileType;
    std::vector<TopLevelAtom> m_topLevel;
    MovieAtom m_movie;
    std::vector<SampleTableIndex> m_indexes;
};

}  // namespace qtfile

// A movie with several video, sound and text tracks written through the
// Movie Toolbox, together with a record of everything that was written, for
// tests that read it back with our reader or with the independent tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ImageCompression/ImageDescription.h"
#include "MovieToolbox/MovieAtoms.h"
#include "MovieToolbox/Movies.h"

namespace mvdtest {

struct WrittenSamples {
    std::vector<uint8_t> bytes;  // all samples of one AddMediaSample2 call
    uint32_t count = 1;
    uint32_t duration = 0;
    int64_t decodeTime = 0;
    bool sync = true;
    SampleReference64Record reference{};  // as GetMediaSampleReferences64 reported it
};

struct WrittenTrack {
    OSType mediaType = 0;
    uint32_t trackID = 0;
    Fixed width = 0;
    Fixed height = 0;
    MatrixRecord matrix{};
    SInt16 layer = 0;
    SInt16 volume = 0;
    TimeScale mediaTimeScale = 0;
    int64_t mediaDuration = 0;
    std::vector<qtfile::EditListEntry> edits;  // movie time scale
    std::vector<uint8_t> description;          // in memory form, as handed over
    std::vector<WrittenSamples> samples;
    std::vector<std::string> texts;  // text tracks: each sample's text
    std::string codec;               // what ffprobe should call it
};

struct SampleMovie {
    std::string path;
    TimeScale movieTimeScale = 600;
    int64_t movieDuration = 0;
    Rect clip{};
    std::vector<WrittenTrack> tracks;  // in creation order (track IDs 1, 2, ...)
    uint32_t chapterOwnerID = 0;       // refers to chapterTrackID with 'chap'
    uint32_t chapterTrackID = 0;

    const WrittenTrack& track(uint32_t trackID) const { return tracks.at(trackID - 1); }
};

// Writes the movie (replacing any file at path); throws std::runtime_error
// naming the call that failed.
SampleMovie WriteSampleMovie(const std::string& path);

// Deterministic test bytes.
std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed);

// An image description handle of 86 bytes for frames of the codec.
ImageDescriptionHandle NewImageDescription(CodecType codec, int width, int height, int depth);

}  // namespace mvdtest

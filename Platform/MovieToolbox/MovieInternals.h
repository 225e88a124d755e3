// The records behind Movie, Track and Media, shared by the Movie Toolbox
// sources.  Not part of the public interface.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "MovieToolbox/MovieAtoms.h"
#include "MovieToolbox/MovieDataFile.h"
#include "MovieToolbox/Movies.h"
#include "MovieToolbox/SampleRunTable.h"

struct MediaRecord {
    TrackRecord* track = nullptr;
    OSType type = 0;
    TimeScale timeScale = 600;
    int64_t duration = 0;
    UInt16 language = 0;
    UInt16 quality = 0;
    bool editing = false;
    std::vector<std::vector<uint8_t>> descriptions;  // file form
    mtb::SampleRunTable runs;
    // Video and text media: how the media is drawn.
    UInt16 graphicsMode = qtfile::kGraphicsModeDitherCopy;
    RGBColor opColor{0x8000, 0x8000, 0x8000};
    // Text media: the encoding set with TextMediaSetTextSampleData.
    std::optional<UInt32> textEncoding;
};

struct TrackRecord {
    MovieRecord* movie = nullptr;
    UInt32 trackID = 0;
    Fixed width = 0;
    Fixed height = 0;
    MatrixRecord matrix{};
    SInt16 layer = 0;
    SInt16 volume = 0;
    std::vector<qtfile::EditListEntry> edits;  // durations in the movie time scale
    std::vector<qtfile::TrackReferenceList> references;
    std::unique_ptr<MediaRecord> media;
};

struct MovieRecord {
    std::mutex mutex;
    TimeScale timeScale = 600;
    MatrixRecord matrix{};
    std::optional<Rect> clip;
    std::vector<std::unique_ptr<TrackRecord>> tracks;
    UInt32 nextTrackID = 1;
    std::shared_ptr<mtb::MovieDataFile> file;
    uint64_t creationTime = 0;  // seconds since 1904
};

namespace mtb {

// Records the result of a call for GetMoviesError and returns it.
OSErr SetMoviesError(OSErr err);

MatrixRecord IdentityMatrix();
uint64_t SecondsSince1904();

// Duration of a track: the sum of its edits, in the movie time scale.
int64_t TrackDurationOf(const TrackRecord& track);
int64_t MovieDurationOf(const MovieRecord& movie);
// Scales value from one time scale to another, rounding down.
int64_t ScaleTime(int64_t value, int64_t fromScale, int64_t toScale);

// The movie atom for the movie as it stands.
qtfile::MovieAtom BuildMovieAtom(const MovieRecord& movie);

}  // namespace mtb

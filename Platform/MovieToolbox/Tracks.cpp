// Movie Toolbox: tracks, their geometry, edits and references.
#include <algorithm>
#include <cmath>

#include "MovieToolbox/MovieInternals.h"

using namespace mtb;

namespace {

// Runs body under the lock of the track's movie, or reports invalidTrack.
template <class Result, class Body>
Result WithTrack(Track track, Result fallback, Body body) {
    if (track == nullptr || track->movie == nullptr) {
        SetMoviesError(invalidTrack);
        return fallback;
    }
    std::lock_guard lock(track->movie->mutex);
    SetMoviesError(noErr);
    return body(*track);
}

// Media units played at `rate` (16.16) during movie time `movieDuration`.
int64_t MovieToMediaTime(int64_t movieDuration, const TrackRecord& track, Fixed rate) {
    __int128 scaled = static_cast<__int128>(movieDuration) * track.media->timeScale * rate;
    __int128 divisor = static_cast<__int128>(track.movie->timeScale) * 0x10000;
    return static_cast<int64_t>(scaled / divisor);
}

// Movie time taken by mediaDuration media units at `rate`, rounded to the
// nearest unit and at least 1 for any media at all.
int64_t MediaToMovieTime(int64_t mediaDuration, TimeScale mediaScale, TimeScale movieScale,
                         Fixed rate) {
    long double units = static_cast<long double>(mediaDuration) * movieScale * 0x10000 /
                        (static_cast<long double>(mediaScale) * rate);
    auto rounded = static_cast<int64_t>(std::llround(units));
    return mediaDuration > 0 && rounded == 0 ? 1 : rounded;
}

// Splits the edit that contains movie time `at` so that an edit boundary
// falls there; returns the index of the edit that starts at `at`.
size_t SplitEditsAt(TrackRecord& track, int64_t at) {
    int64_t start = 0;
    for (size_t i = 0; i < track.edits.size(); ++i) {
        qtfile::EditListEntry& edit = track.edits[i];
        if (at == start) {
            return i;
        }
        if (at < start + edit.trackDuration) {
            qtfile::EditListEntry tail = edit;
            int64_t head = at - start;
            edit.trackDuration = head;
            tail.trackDuration -= head;
            if (tail.mediaTime >= 0) {
                tail.mediaTime += MovieToMediaTime(head, track, edit.mediaRate);
            }
            track.edits.insert(track.edits.begin() + static_cast<long>(i) + 1, tail);
            return i + 1;
        }
        start += edit.trackDuration;
    }
    return track.edits.size();
}

}  // namespace

Track NewMovieTrack(Movie theMovie, Fixed width, Fixed height, short trackVolume) {
    if (theMovie == nullptr) {
        SetMoviesError(invalidMovie);
        return nullptr;
    }
    if (width < 0 || height < 0) {
        SetMoviesError(paramErr);
        return nullptr;
    }
    std::lock_guard lock(theMovie->mutex);
    auto track = std::make_unique<TrackRecord>();
    track->movie = theMovie;
    track->trackID = theMovie->nextTrackID++;
    track->width = width;
    track->height = height;
    track->volume = trackVolume;
    track->matrix = IdentityMatrix();
    theMovie->tracks.push_back(std::move(track));
    SetMoviesError(noErr);
    return theMovie->tracks.back().get();
}

long GetTrackID(Track theTrack) {
    return WithTrack(theTrack, 0L, [](TrackRecord& t) { return static_cast<long>(t.trackID); });
}

Movie GetTrackMovie(Track theTrack) {
    return WithTrack(theTrack, static_cast<Movie>(nullptr), [](TrackRecord& t) { return t.movie; });
}

Media GetTrackMedia(Track theTrack) {
    return WithTrack(theTrack, static_cast<Media>(nullptr),
                     [](TrackRecord& t) { return t.media.get(); });
}

void SetTrackDimensions(Track theTrack, Fixed width, Fixed height) {
    WithTrack(theTrack, 0, [&](TrackRecord& t) -> OSErr {
        if (width < 0 || height < 0) {
            return SetMoviesError(paramErr);
        }
        t.width = width;
        t.height = height;
        return noErr;
    });
}

void GetTrackDimensions(Track theTrack, Fixed* width, Fixed* height) {
    WithTrack(theTrack, 0, [&](TrackRecord& t) {
        if (width != nullptr) {
            *width = t.width;
        }
        if (height != nullptr) {
            *height = t.height;
        }
        return 0;
    });
}

void SetTrackMatrix(Track theTrack, const MatrixRecord* matrix) {
    WithTrack(theTrack, 0, [&](TrackRecord& t) {
        t.matrix = matrix != nullptr ? *matrix : IdentityMatrix();
        return 0;
    });
}

void GetTrackMatrix(Track theTrack, MatrixRecord* matrix) {
    WithTrack(theTrack, 0, [&](TrackRecord& t) -> OSErr {
        if (matrix == nullptr) {
            return SetMoviesError(paramErr);
        }
        *matrix = t.matrix;
        return noErr;
    });
}

void SetTrackLayer(Track theTrack, short layer) {
    WithTrack(theTrack, 0, [&](TrackRecord& t) {
        t.layer = layer;
        return 0;
    });
}

short GetTrackLayer(Track theTrack) {
    return WithTrack(theTrack, static_cast<short>(0), [](TrackRecord& t) { return t.layer; });
}

void SetTrackVolume(Track theTrack, short volume) {
    WithTrack(theTrack, 0, [&](TrackRecord& t) {
        t.volume = volume;
        return 0;
    });
}

short GetTrackVolume(Track theTrack) {
    return WithTrack(theTrack, static_cast<short>(0), [](TrackRecord& t) { return t.volume; });
}

TimeValue GetTrackDuration(Track theTrack) {
    return WithTrack(theTrack, 0, [](TrackRecord& t) {
        int64_t duration = TrackDurationOf(t);
        return duration > INT32_MAX ? INT32_MAX : static_cast<TimeValue>(duration);
    });
}

OSErr AddTrackReference(Track theTrack, Track refTrack, OSType refType, long* addedIndex) {
    if (refTrack == nullptr) {
        return SetMoviesError(invalidTrack);
    }
    return WithTrack(theTrack, static_cast<OSErr>(invalidTrack), [&](TrackRecord& t) -> OSErr {
        if (refTrack->movie != t.movie || refTrack == theTrack || refType == 0) {
            return SetMoviesError(refTrack->movie != t.movie ? OSErr{trackNotInMovie}
                                                             : OSErr{paramErr});
        }
        auto list = std::find_if(t.references.begin(), t.references.end(),
                                 [&](const auto& l) { return l.referenceType == refType; });
        if (list == t.references.end()) {
            t.references.push_back(qtfile::TrackReferenceList{refType, {}});
            list = t.references.end() - 1;
        }
        auto& ids = list->trackIDs;
        auto found = std::find(ids.begin(), ids.end(), refTrack->trackID);
        if (found == ids.end()) {
            ids.push_back(refTrack->trackID);
            found = ids.end() - 1;
        }
        if (addedIndex != nullptr) {
            *addedIndex = static_cast<long>(found - ids.begin()) + 1;
        }
        return noErr;
    });
}

OSErr InsertMediaIntoTrack(Track theTrack, TimeValue trackStart, TimeValue mediaTime,
                           TimeValue mediaDuration, Fixed mediaRate) {
    return WithTrack(theTrack, static_cast<OSErr>(invalidTrack), [&](TrackRecord& t) -> OSErr {
        if (t.media == nullptr) {
            return SetMoviesError(invalidMedia);
        }
        if (mediaDuration < 0 || mediaRate <= 0 || trackStart < -1 || mediaTime < -1) {
            return SetMoviesError(mediaDuration < 0 ? OSErr{invalidDuration} : OSErr{paramErr});
        }
        if (mediaTime >= 0 && static_cast<int64_t>(mediaTime) + mediaDuration > t.media->duration) {
            return SetMoviesError(invalidDuration);
        }
        if (mediaDuration == 0) {
            return noErr;
        }
        qtfile::EditListEntry edit;
        edit.mediaTime = mediaTime;
        edit.mediaRate = mediaTime < 0 ? 0x10000 : mediaRate;
        edit.trackDuration =
            MediaToMovieTime(mediaDuration, t.media->timeScale, t.movie->timeScale, edit.mediaRate);
        int64_t end = TrackDurationOf(t);
        int64_t at = trackStart < 0 ? end : trackStart;
        if (at > end) {
            t.edits.push_back(qtfile::EditListEntry{at - end, -1, 0x10000});
        }
        size_t position = at >= end ? t.edits.size() : SplitEditsAt(t, at);
        t.edits.insert(t.edits.begin() + static_cast<long>(position), edit);
        return noErr;
    });
}

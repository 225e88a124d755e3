#include "QuickTime/MediaSegment.h"

#include <limits>
#include <sstream>

namespace mediasegment {

namespace {
constexpr Fixed kNormalRate = 0x10000;
}

TimeRecord MediaTimeRecord(Media media, int64_t value) {
    return TimeRecord{SInt64ToWide(value), GetMediaTimeScale(media), nullptr};
}

TimeRecord TrackTimeRecord(Track track, int64_t value) {
    return TimeRecord{SInt64ToWide(value), GetMovieTimeScale(GetTrackMovie(track)), nullptr};
}

TimeRecord CurrentSegment(Media media, TimeValue segmentStart) {
    return MediaTimeRecord(media, static_cast<int64_t>(GetMediaDuration(media)) - segmentStart);
}

int64_t ToMediaTime(Media media, TimeRecord duration) {
    ConvertTimeScale(&duration, GetMediaTimeScale(media));
    return WideToSInt64(duration.value);
}

OSErr InsertAtTrackEnd(Track track, TimeValue mediaTime, int64_t mediaDuration) {
    // The Movie Toolbox takes 32-bit durations: the low half, as QuickTime's
    // own callers pass it.
    return InsertMediaIntoTrack(track, GetTrackDuration(track), mediaTime,
                                static_cast<TimeValue>(static_cast<uint32_t>(mediaDuration)),
                                kNormalRate);
}

uint32_t ClampedSampleRate(double rate) {
    if (!(rate > 0)) {
        return 0;
    }
    if (rate >= static_cast<double>(std::numeric_limits<uint32_t>::max())) {
        return std::numeric_limits<uint32_t>::max();
    }
    return static_cast<uint32_t>(rate);
}

std::string AddSampleErrorMessage(OSErr err, const char* where, const void* buffer, int size,
                                  int duration) {
    std::ostringstream message;
    message << "Error " << err << " in " << where << " - AddMediaSample2, "
            << "buffer = " << buffer << ", size = " << size << ", duration = " << duration << "\n";
    return message.str();
}

void CloseAndDisposeMovie(short& movieRefNum, bool& fileOpen, Movie& movie) {
    if (fileOpen) {
        CloseMovieFile(movieRefNum);
        fileOpen = false;
    }
    if (movie != nullptr) {
        DisposeMovie(movie);
        movie = nullptr;
    }
}

}  // namespace mediasegment

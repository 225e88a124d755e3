// Time records and segment insertion shared by the tracks: a segment is the
// media recorded between an unpause and the next pause, inserted at the end
// of its track.
#pragma once

#include <cstdint>
#include <string>

#include "MovieToolbox/Movies.h"

namespace mediasegment {

// (value, the media's time scale), no time base.
TimeRecord MediaTimeRecord(Media media, int64_t value);
// (value, the time scale of the track's movie), no time base.
TimeRecord TrackTimeRecord(Track track, int64_t value);
// The media recorded since segmentStart: (media duration - segmentStart,
// the media's time scale).
TimeRecord CurrentSegment(Media media, TimeValue segmentStart);
// The duration converted to the media's time scale (rounded down).
int64_t ToMediaTime(Media media, TimeRecord duration);
// Inserts mediaDuration media units from mediaTime at the end of the track,
// at normal rate.
OSErr InsertAtTrackEnd(Track track, TimeValue mediaTime, int64_t mediaDuration);

// Closes the movie file (when open) and disposes the movie (when made),
// leaving both marked as gone; safe to call more than once.
void CloseAndDisposeMovie(short& movieRefNum, bool& fileOpen, Movie& movie);

// A sample rate as a whole number of Hz for a time scale: truncated, and
// kept within 0 .. 4294967295 (NaN gives 0).
uint32_t ClampedSampleRate(double rate);

// The text of a failed AddMediaSample2 call: "Error <err> in <where> -
// AddMediaSample2, buffer = <address>, size = <size>, duration = <duration>"
// and a line end.  The buffer is shown by its address: sample bytes are
// not text.
std::string AddSampleErrorMessage(OSErr err, const char* where, const void* buffer, int size,
                                  int duration);

}  // namespace mediasegment

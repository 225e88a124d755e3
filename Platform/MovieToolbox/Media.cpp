// Movie Toolbox: media, their samples and sample descriptions.
#include <algorithm>
#include <cstring>
#include <limits>

#include "MovieToolbox/MovieInternals.h"
#include "MovieToolbox/SampleDescriptions.h"

using namespace mtb;

namespace {

template <class Result, class Body>
Result WithMedia(Media media, Result fallback, Body body) {
    if (media == nullptr || media->track == nullptr) {
        SetMoviesError(invalidMedia);
        return fallback;
    }
    std::lock_guard lock(media->track->movie->mutex);
    SetMoviesError(noErr);
    return body(*media);
}

Media MediaOfHandler(MediaHandler mh) {
    return reinterpret_cast<Media>(mh);
}

bool KnownMediaType(OSType type) {
    return type == VideoMediaType || type == SoundMediaType || type == TextMediaType;
}

// The 1-based index of a description already held by the media, or 0.
uint32_t FindDescription(const MediaRecord& media, const std::vector<uint8_t>& file) {
    auto it = std::find(media.descriptions.begin(), media.descriptions.end(), file);
    return it == media.descriptions.end()
               ? 0
               : static_cast<uint32_t>(it - media.descriptions.begin()) + 1;
}

OSErr CheckSampleArguments(const UInt8* dataIn, ByteCount size, TimeValue64 duration,
                           TimeValue64 displayOffset, ItemCount count) {
    if (dataIn == nullptr || size == 0 || count == 0 || size % count != 0 ||
        size / count > std::numeric_limits<uint32_t>::max() ||
        count > std::numeric_limits<uint32_t>::max()) {
        return paramErr;
    }
    if (duration <= 0 || duration > std::numeric_limits<int32_t>::max() ||
        displayOffset < std::numeric_limits<int32_t>::min() ||
        displayOffset > std::numeric_limits<int32_t>::max()) {
        return invalidDuration;
    }
    return noErr;
}

OSErr FillDescription(const MediaRecord& media, uint32_t index, SampleDescriptionHandle handle) {
    if (index < 1 || index > media.descriptions.size()) {
        return invalidSampleDescIndex;
    }
    std::vector<uint8_t> memory;
    OSErr err = DescriptionFromFile(media.type, media.descriptions[index - 1], memory);
    return err != noErr ? err : CopyToHandle(memory, reinterpret_cast<Handle>(handle));
}

}  // namespace

Media NewTrackMedia(Track theTrack, OSType mediaType, TimeScale timeScale, Handle dataRef, OSType) {
    if (theTrack == nullptr || theTrack->movie == nullptr) {
        SetMoviesError(invalidTrack);
        return nullptr;
    }
    std::lock_guard lock(theTrack->movie->mutex);
    OSErr err = noErr;
    if (!KnownMediaType(mediaType)) {
        err = cantFindHandler;
    } else if (dataRef != nullptr) {
        err = invalidDataRef;  // media data always goes to the movie's own file
    } else if (timeScale <= 0) {
        err = paramErr;
    } else if (theTrack->movie->file == nullptr) {
        err = noDefaultDataRef;
    }
    if (err != noErr) {
        SetMoviesError(err);
        return nullptr;
    }
    auto media = std::make_unique<MediaRecord>();
    media->track = theTrack;
    media->type = mediaType;
    media->timeScale = timeScale;
    theTrack->media = std::move(media);  // a track has one media
    SetMoviesError(noErr);
    return theTrack->media.get();
}

Track GetMediaTrack(Media theMedia) {
    return WithMedia(theMedia, static_cast<Track>(nullptr), [](MediaRecord& m) { return m.track; });
}

TimeValue GetMediaDuration(Media theMedia) {
    return WithMedia(theMedia, 0, [](MediaRecord& m) {
        return m.duration > INT32_MAX ? INT32_MAX : static_cast<TimeValue>(m.duration);
    });
}

TimeValue64 GetMediaDisplayDuration(Media theMedia) {
    return WithMedia(theMedia, TimeValue64{0}, [](MediaRecord& m) { return m.duration; });
}

TimeScale GetMediaTimeScale(Media theMedia) {
    return WithMedia(theMedia, 0, [](MediaRecord& m) { return m.timeScale; });
}

void SetMediaLanguage(Media theMedia, short language) {
    WithMedia(theMedia, 0, [&](MediaRecord& m) {
        m.language = static_cast<UInt16>(language);
        return 0;
    });
}

short GetMediaLanguage(Media theMedia) {
    return WithMedia(theMedia, static_cast<short>(0),
                     [](MediaRecord& m) { return static_cast<short>(m.language); });
}

MediaHandler GetMediaHandler(Media theMedia) {
    return WithMedia(theMedia, static_cast<MediaHandler>(nullptr),
                     [](MediaRecord& m) { return reinterpret_cast<MediaHandler>(&m); });
}

Media GetMediaHandlerMedia(MediaHandler mh) {
    return MediaOfHandler(mh);
}

HandlerError MediaSetGraphicsMode(MediaHandler mh, long mode, const RGBColor* opColor) {
    return WithMedia(MediaOfHandler(mh), HandlerError{invalidHandler}, [&](MediaRecord& m) {
        if (m.type == SoundMediaType) {
            return badComponentSelector;
        }
        if (mode < 0 || mode > 0xFFFF) {
            return HandlerError{paramErr};
        }
        m.graphicsMode = static_cast<UInt16>(mode);
        if (opColor != nullptr) {
            m.opColor = *opColor;
        }
        return HandlerError{noErr};
    });
}

HandlerError MediaGetGraphicsMode(MediaHandler mh, long* mode, RGBColor* opColor) {
    return WithMedia(MediaOfHandler(mh), HandlerError{invalidHandler}, [&](MediaRecord& m) {
        if (m.type == SoundMediaType) {
            return badComponentSelector;
        }
        if (mode != nullptr) {
            *mode = m.graphicsMode;
        }
        if (opColor != nullptr) {
            *opColor = m.opColor;
        }
        return HandlerError{noErr};
    });
}

// Sample data is written to the file as it is added, so there is nothing to
// flush when editing ends; the state is kept for callers that ask.
OSErr BeginMediaEdits(Media theMedia) {
    return WithMedia(theMedia, static_cast<OSErr>(invalidMedia), [](MediaRecord& m) {
        m.editing = true;
        return OSErr{noErr};
    });
}

OSErr EndMediaEdits(Media theMedia) {
    return WithMedia(theMedia, static_cast<OSErr>(invalidMedia), [](MediaRecord& m) {
        m.editing = false;
        return OSErr{noErr};
    });
}

OSErr AddMediaSample2(Media theMedia, const UInt8* dataIn, ByteCount size,
                      TimeValue64 decodeDurationPerSample, TimeValue64 displayOffset,
                      SampleDescriptionHandle sampleDescriptionH, ItemCount numberOfSamples,
                      MediaSampleFlags sampleFlags, TimeValue64* sampleDecodeTimeOut) {
    return WithMedia(theMedia, static_cast<OSErr>(invalidMedia), [&](MediaRecord& m) -> OSErr {
        OSErr err = CheckSampleArguments(dataIn, size, decodeDurationPerSample, displayOffset,
                                         numberOfSamples);
        if (err != noErr) {
            return SetMoviesError(err);
        }
        std::vector<uint8_t> description;
        uint32_t index = 0;
        if (sampleDescriptionH != nullptr) {
            err = DescriptionToFile(m.type, sampleDescriptionH, description);
            if (err != noErr) {
                return SetMoviesError(err);
            }
            index = FindDescription(m, description);
        } else if (!m.runs.empty()) {
            index = m.runs.back().descriptionIndex;
        } else {
            return SetMoviesError(invalidSampleDescription);
        }
        SampleRun run;
        run.sampleSize = static_cast<uint32_t>(size / numberOfSamples);
        run.sampleCount = static_cast<uint32_t>(numberOfSamples);
        run.duration = static_cast<uint32_t>(decodeDurationPerSample);
        run.displayOffset = static_cast<int32_t>(displayOffset);
        run.decodeTime = m.duration;
        run.flags = sampleFlags;
        if (run.timeSpan() > std::numeric_limits<int64_t>::max() - m.duration) {
            return SetMoviesError(invalidDuration);
        }
        err = m.track->movie->file->appendSampleData(dataIn, size, run.offset);
        if (err != noErr) {
            return SetMoviesError(err);
        }
        if (index == 0) {
            m.descriptions.push_back(std::move(description));
            index = static_cast<uint32_t>(m.descriptions.size());
        }
        run.descriptionIndex = index;
        m.runs.push_back(run);
        m.duration += run.timeSpan();
        if (sampleDecodeTimeOut != nullptr) {
            *sampleDecodeTimeOut = run.decodeTime;
        }
        return noErr;
    });
}

OSErr GetMediaSampleReferences64(Media theMedia, TimeValue time, TimeValue* sampleTime,
                                 SampleDescriptionHandle sampleDescriptionH,
                                 long* sampleDescriptionIndex, long maxNumberOfEntries,
                                 long* actualNumberofEntries, SampleReference64Ptr sampleRefs) {
    return WithMedia(theMedia, static_cast<OSErr>(invalidMedia), [&](MediaRecord& m) -> OSErr {
        if (maxNumberOfEntries < 0 || (maxNumberOfEntries > 0 && sampleRefs == nullptr)) {
            return SetMoviesError(paramErr);
        }
        auto first = m.runs.runAt(time);
        if (first == m.runs.end()) {
            return SetMoviesError(timeNotInMedia);
        }
        if (sampleDescriptionH != nullptr) {
            OSErr err = FillDescription(m, first->descriptionIndex, sampleDescriptionH);
            if (err != noErr) {
                return SetMoviesError(err);
            }
        }
        long count = 0;
        for (auto run = first; run != m.runs.end() && count < maxNumberOfEntries; ++run, ++count) {
            SampleReference64Record& ref = sampleRefs[count];
            ref.dataOffset = SInt64ToWide(static_cast<SInt64>(run->offset));
            ref.dataSize = static_cast<UInt32>(run->byteCount());
            ref.durationPerSample = static_cast<TimeValue>(run->duration);
            ref.numberOfSamples = run->sampleCount;
            ref.sampleFlags = static_cast<SInt16>(run->flags & 0xFFFF);
        }
        if (sampleTime != nullptr) {
            *sampleTime = static_cast<TimeValue>(first->decodeTime);
        }
        if (sampleDescriptionIndex != nullptr) {
            *sampleDescriptionIndex = first->descriptionIndex;
        }
        if (actualNumberofEntries != nullptr) {
            *actualNumberofEntries = count;
        }
        return noErr;
    });
}

long GetMediaSampleCount(Media theMedia) {
    return WithMedia(theMedia, 0L,
                     [](MediaRecord& m) { return static_cast<long>(m.runs.sampleCount()); });
}

long GetMediaSampleDescriptionCount(Media theMedia) {
    return WithMedia(theMedia, 0L,
                     [](MediaRecord& m) { return static_cast<long>(m.descriptions.size()); });
}

void GetMediaSampleDescription(Media theMedia, long index, SampleDescriptionHandle descH) {
    WithMedia(theMedia, 0, [&](MediaRecord& m) {
        if (descH == nullptr || index < 1) {
            return SetMoviesError(descH == nullptr ? OSErr{paramErr}
                                                   : OSErr{invalidSampleDescIndex});
        }
        return SetMoviesError(FillDescription(m, static_cast<uint32_t>(index), descH));
    });
}

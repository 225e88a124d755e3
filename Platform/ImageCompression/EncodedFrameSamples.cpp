// Encoded frames added to a media as samples.

#include "ImageCompression/ICMCompressionSession.h"

#include <cstdint>

namespace {

// value (in scale `from`) in scale `to`, rounded to nearest; 0 on overflow.
TimeValue64 Rescale(TimeValue64 value, TimeScale from, TimeScale to) {
    if (from == to) {
        return value;
    }
    const __int128 scaled = (static_cast<__int128>(value) * to * 2 + from) / (2 * __int128{from});
    if (scaled > INT64_MAX || scaled < INT64_MIN) {
        return 0;
    }
    return static_cast<TimeValue64>(scaled);
}

}  // namespace

OSErr AddMediaSampleFromEncodedFrame(Media theMedia, ICMEncodedFrameRef encodedFrame,
                                     TimeValue64* decodeTimeOut) {
    if (theMedia == nullptr || encodedFrame == nullptr ||
        ICMEncodedFrameGetDataSize(encodedFrame) == 0 ||
        ICMEncodedFrameGetTimeScale(encodedFrame) <= 0) {
        return paramErr;
    }
    if ((ICMEncodedFrameGetValidTimeFlags(encodedFrame) & kICMValidTime_DecodeDurationIsValid) ==
        0) {
        return invalidDuration;
    }
    const TimeScale mediaScale = GetMediaTimeScale(theMedia);
    if (mediaScale <= 0) {
        return invalidMedia;
    }
    const TimeValue64 duration = Rescale(ICMEncodedFrameGetDecodeDuration(encodedFrame),
                                         ICMEncodedFrameGetTimeScale(encodedFrame), mediaScale);
    if (duration <= 0) {
        return invalidDuration;
    }
    ImageDescriptionHandle description = nullptr;
    if (OSStatus err = ICMEncodedFrameGetImageDescription(encodedFrame, &description);
        err != noErr) {
        return static_cast<OSErr>(err);
    }
    return AddMediaSample2(theMedia, ICMEncodedFrameGetDataPtr(encodedFrame),
                           ICMEncodedFrameGetDataSize(encodedFrame), duration,
                           ICMEncodedFrameGetDisplayOffset(encodedFrame),
                           reinterpret_cast<SampleDescriptionHandle>(description), 1,
                           ICMEncodedFrameGetMediaSampleFlags(encodedFrame), decodeTimeOut);
}

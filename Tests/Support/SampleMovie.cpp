#include "Support/SampleMovie.h"

#include <cstring>
#include <functional>
#include <stdexcept>

#include "ImageCompression/ImageDescription.h"
#include "MovieToolbox/SoundDescription.h"

namespace mvdtest {

namespace {

void Check(OSErr err, const char* call) {
    if (err != noErr) {
        throw std::runtime_error(std::string(call) + " failed with " + std::to_string(err));
    }
}

void CheckMovies(const char* call) {
    Check(GetMoviesError(), call);
}

std::vector<uint8_t> HandleBytes(Handle h) {
    auto bytes = reinterpret_cast<const uint8_t*>(*h);
    return std::vector<uint8_t>(bytes, bytes + GetHandleSize(h));
}

struct TrackWriter {
    Movie movie;
    Track track = nullptr;
    Media media = nullptr;
    WrittenTrack written;

    TrackWriter(Movie m, OSType type, Fixed width, Fixed height, SInt16 volume, TimeScale scale)
        : movie(m) {
        track = NewMovieTrack(movie, width, height, volume);
        CheckMovies("NewMovieTrack");
        media = NewTrackMedia(track, type, scale, nullptr, 0);
        CheckMovies("NewTrackMedia");
        Check(BeginMediaEdits(media), "BeginMediaEdits");
        written.mediaType = type;
        written.trackID = static_cast<uint32_t>(GetTrackID(track));
        written.width = width;
        written.height = height;
        written.volume = volume;
        written.mediaTimeScale = scale;
        GetTrackMatrix(track, &written.matrix);
    }

    void add(const std::vector<uint8_t>& bytes, uint32_t count, uint32_t duration, bool sync,
             SampleDescriptionHandle description) {
        WrittenSamples s;
        s.bytes = bytes;
        s.count = count;
        s.duration = duration;
        s.sync = sync;
        Check(AddMediaSample2(media, bytes.data(), bytes.size(), duration, 0, description, count,
                              sync ? 0u : UInt32{mediaSampleNotSync}, &s.decodeTime),
              "AddMediaSample2");
        long entries = 0;
        TimeValue sampleTime = 0;
        Check(GetMediaSampleReferences64(media, static_cast<TimeValue>(s.decodeTime), &sampleTime,
                                         nullptr, nullptr, 1, &entries, &s.reference),
              "GetMediaSampleReferences64");
        written.samples.push_back(std::move(s));
    }

    // Inserts media [from, from + length) at the track's end (or at trackStart).
    void insert(TimeValue from, TimeValue length, TimeValue trackStart = -1) {
        Check(InsertMediaIntoTrack(track, trackStart, from, length, 0x10000),
              "InsertMediaIntoTrack");
    }

    WrittenTrack finish() {
        Check(EndMediaEdits(media), "EndMediaEdits");
        written.mediaDuration = GetMediaDuration(media);
        written.layer = GetTrackLayer(track);
        GetTrackMatrix(track, &written.matrix);
        return written;
    }
};

SoundDescriptionHandle MakeSound(double rate, UInt32 channels, UInt32 bits, AudioFormatFlags flags,
                                 AudioFormatID format = kAudioFormatLinearPCM,
                                 UInt32 framesPerPacket = 1, UInt32 bytesPerPacket = 0) {
    AudioStreamBasicDescription asbd{};
    asbd.mSampleRate = rate;
    asbd.mFormatID = format;
    asbd.mFormatFlags = flags;
    asbd.mChannelsPerFrame = channels;
    asbd.mBitsPerChannel = bits;
    asbd.mFramesPerPacket = framesPerPacket;
    asbd.mBytesPerFrame = format == kAudioFormatLinearPCM ? bits / 8 * channels : 0;
    asbd.mBytesPerPacket = format == kAudioFormatLinearPCM ? asbd.mBytesPerFrame : bytesPerPacket;
    SoundDescriptionHandle sound = nullptr;
    Check(static_cast<OSErr>(QTSoundDescriptionCreate(
              &asbd, nullptr, 0, nullptr, 0, kQTSoundDescriptionKind_Movie_LowestPossibleVersion,
              &sound)),
          "QTSoundDescriptionCreate");
    return sound;
}

WrittenTrack WriteVideo(Movie movie, int width, int height, TimeScale scale,
                        const std::vector<uint32_t>& durations, const std::vector<bool>& sync,
                        uint32_t seed, const std::function<void(TrackWriter&)>& edit) {
    TrackWriter w(movie, VideoMediaType, FixedFromInt(width), FixedFromInt(height), kNoVolume,
                  scale);
    SetTrackDimensions(w.track, FixedFromInt(width), FixedFromInt(height));
    ImageDescriptionHandle desc = NewImageDescription(kRawCodecType, width, height, 32);
    w.written.description = HandleBytes(reinterpret_cast<Handle>(desc));
    for (size_t i = 0; i < durations.size(); ++i) {
        w.add(
            PatternBytes(static_cast<size_t>(width * height * 4), seed + static_cast<uint32_t>(i)),
            1, durations[i], sync[i], reinterpret_cast<SampleDescriptionHandle>(desc));
    }
    DisposeHandle(reinterpret_cast<Handle>(desc));
    edit(w);
    w.written.codec = "rawvideo";
    return w.finish();
}

WrittenTrack WriteSound(Movie movie, SoundDescriptionHandle sound, TimeScale rate,
                        const std::vector<uint32_t>& frameCounts, uint32_t bytesPerFrame,
                        uint32_t seed, const char* codec) {
    TrackWriter w(movie, SoundMediaType, 0, 0, kFullVolume, rate);
    w.written.description = HandleBytes(reinterpret_cast<Handle>(sound));
    for (size_t i = 0; i < frameCounts.size(); ++i) {
        w.add(PatternBytes(frameCounts[i] * bytesPerFrame, seed + static_cast<uint32_t>(i)),
              frameCounts[i], 1, true, reinterpret_cast<SampleDescriptionHandle>(sound));
    }
    DisposeHandle(reinterpret_cast<Handle>(sound));
    w.insert(0, GetMediaDuration(w.media));
    w.written.codec = codec;
    return w.finish();
}

WrittenTrack WriteText(Movie movie, const std::vector<std::string>& texts,
                       const std::vector<TimeValue>& durations) {
    TrackWriter w(movie, TextMediaType, 0, 0, kNoVolume, 600);
    MediaHandler handler = GetMediaHandler(w.media);
    TextEncoding encoding = kTextEncodingUnicodeDefault;
    Check(static_cast<OSErr>(
              TextMediaSetTextSampleData(handler, &encoding, kTXNTextEncodingAttribute)),
          "TextMediaSetTextSampleData");
    SetMediaLanguage(w.media, 0);
    Rect box;
    SetRect(&box, 0, 0, 200, 100);
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string text = texts[i];
        TimeValue sampleTime = 0;
        Check(static_cast<OSErr>(TextMediaAddTextSample(
                  handler, text.data(), text.size(), 0, 0, 0, nullptr, nullptr, teCenter, &box,
                  dfClipToTextBox, 0, 0, 0, nullptr, durations[i], &sampleTime)),
              "TextMediaAddTextSample");
        WrittenSamples s;
        s.decodeTime = sampleTime;
        s.duration = static_cast<uint32_t>(durations[i]);
        long entries = 0;
        Check(GetMediaSampleReferences64(w.media, sampleTime, nullptr, nullptr, nullptr, 1,
                                         &entries, &s.reference),
              "GetMediaSampleReferences64");
        w.written.samples.push_back(s);
        w.written.texts.push_back(text);
    }
    w.insert(0, GetMediaDuration(w.media), 0);
    w.written.codec = "bin_data";
    return w.finish();
}

// Edits in movie units that the toolbox should have made, given the inserts.
qtfile::EditListEntry Edit(int64_t duration, int64_t mediaTime) {
    return qtfile::EditListEntry{duration, mediaTime, 0x10000};
}

}  // namespace

std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed) {
    std::vector<uint8_t> bytes(count);
    uint32_t state = seed * 2654435761u + 12345u;
    for (uint8_t& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

ImageDescriptionHandle NewImageDescription(CodecType codec, int width, int height, int depth) {
    Handle h = NewHandleClear(sizeof(ImageDescription));
    auto desc = reinterpret_cast<ImageDescriptionHandle>(h);
    ImageDescription& d = **desc;
    d.idSize = sizeof(ImageDescription);
    d.cType = codec;
    d.vendor = 'appl';
    d.temporalQuality = codecNormalQuality;
    d.spatialQuality = codecLosslessQuality;
    d.width = static_cast<SInt16>(width);
    d.height = static_cast<SInt16>(height);
    d.hRes = d.vRes = 72 << 16;
    d.frameCount = 1;
    const char name[] = "None";
    d.name[0] = sizeof name - 1;
    std::memcpy(d.name + 1, name, sizeof name - 1);
    d.depth = static_cast<SInt16>(depth);
    d.clutID = -1;
    return desc;
}

SampleMovie WriteSampleMovie(const std::string& path) {
    SampleMovie result;
    result.path = path;
    Check(EnterMovies(), "EnterMovies");
    FSSpec location;
    OSErr err = NativePathNameToFSSpec(const_cast<char*>(path.c_str()), &location, 0);
    if (err != fnfErr) {
        Check(err, "NativePathNameToFSSpec");
    }
    short refNum = 0;
    Movie movie = nullptr;
    Check(CreateMovieFile(&location, 'TVOD', smCurrentScript, createMovieFileDeleteCurFile, &refNum,
                          &movie),
          "CreateMovieFile");
    Rect box{0, 0, 48, 64};
    SetMovieBox(movie, &box);
    RgnHandle clip = NewRgn();
    RectRgn(clip, &box);
    SetMovieClipRgn(movie, clip);
    DisposeRgn(clip);
    result.clip = box;

    // Screen: five frames in two edits; frames 0 and 3 are key frames.
    result.tracks.push_back(
        WriteVideo(movie, 16, 8, 600, {40, 40, 40, 40, 40}, {true, false, false, true, false}, 100,
                   [&](TrackWriter& w) {
                       MatrixRecord matrix = {
                           {{0x10000, 0, 0}, {0, 0x10000, 0}, {10 << 16, 20 << 16, 0x40000000}}};
                       SetTrackMatrix(w.track, &matrix);
                       SetTrackLayer(w.track, -1);
                       MediaSetGraphicsMode(GetMediaHandler(w.media), ditherCopy, nullptr);
                       w.insert(0, 80);
                       w.insert(80, 120);
                       w.written.edits = {Edit(80, 0), Edit(120, 80)};
                   }));
    // Cursor: three frames at 30 units a second, starting half a second in.
    result.tracks.push_back(
        WriteVideo(movie, 8, 4, 30, {1, 1, 1}, {true, true, true}, 200, [&](TrackWriter& w) {
            SetTrackLayer(w.track, -2);
            w.insert(0, 3, 300);
            w.written.edits = {Edit(300, -1), Edit(60, 0)};
        }));
    // Sound: 16-bit little-endian stereo, big-endian mono, and 32-bit float.
    auto sound = [&](SoundDescriptionHandle desc, TimeScale rate, std::vector<uint32_t> frames,
                     uint32_t bytesPerFrame, uint32_t seed, const char* codec) {
        WrittenTrack t = WriteSound(movie, desc, rate, frames, bytesPerFrame, seed, codec);
        int64_t total = 0;
        for (uint32_t f : frames) {
            total += f;
        }
        t.edits = {Edit((total * 600 + rate / 2) / rate, 0)};
        result.tracks.push_back(t);
    };
    sound(MakeSound(22050, 2, 16, kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked),
          22050, {1000, 1205}, 4, 300, "pcm_s16le");
    sound(MakeSound(8000, 1, 16,
                    kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked |
                        kAudioFormatFlagIsBigEndian),
          8000, {800}, 2, 400, "pcm_s16be");
    sound(MakeSound(48000, 2, 32, kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked), 48000,
          {960, 960}, 8, 500, "pcm_f32le");
    // Chapters, with titles beyond ASCII, and a caption track.
    result.tracks.push_back(
        WriteText(movie, {"Intro", "Kapitel zwei: Ünïcödé ✓", "終わり"}, {240, 240, 120}));
    result.tracks.back().edits = {Edit(600, 0)};
    result.tracks.push_back(WriteText(movie, {"first caption", "second"}, {300, 200}));
    result.tracks.back().edits = {Edit(500, 0)};
    result.tracks.back().codec = "mov_text";  // a text track that is no chapter list

    Track owner = GetMovieIndTrack(movie, 1);
    Track chapters = GetMovieIndTrack(movie, static_cast<long>(result.tracks.size()) - 1);
    long index = 0;
    Check(AddTrackReference(owner, chapters, kTrackReferenceChapterList, &index),
          "AddTrackReference");
    result.chapterOwnerID = static_cast<uint32_t>(GetTrackID(owner));
    result.chapterTrackID = static_cast<uint32_t>(GetTrackID(chapters));
    result.movieDuration = GetMovieDuration(movie);

    short resId = movieInDataForkResID;
    Check(AddMovieResource(movie, refNum, &resId, nullptr), "AddMovieResource");
    Check(CloseMovieFile(refNum), "CloseMovieFile");
    DisposeMovie(movie);
    ExitMovies();
    return result;
}

}  // namespace mvdtest

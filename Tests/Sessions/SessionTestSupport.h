// Shared pieces of the compression session tests: screen-like frames, pixel
// buffers over them, a movie whose one video track is fed by a session's
// output callback, and the frames of a movie decoded by our decompressors.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Codec/MVDKCodecComponent.h"
#include "ImageCompression/ICMCompressionSession.h"
#include "ImageCompression/MovieFrameDecoder.h"
#include "MovieToolbox/MovieFileReader.h"
#include "MovieToolbox/Movies.h"
#include "Support/DecodedFrames.h"
#include "Support/ScreenCodecEnvironment.h"
#include "Support/ScreenContent.h"
#include "Support/TempDir.h"

namespace sessiontest {

using mvdtest::PixelOrder;
using mvdtest::ScreenImage;

inline CVPixelFormatType FormatOf(PixelOrder order) {
    return order == PixelOrder::BGRA ? kCVPixelFormatType_32BGRA : kCVPixelFormatType_32ARGB;
}

// count frames of a recording: screen edits, every fourth frame unchanged,
// and a patch of translucent pixels so that alpha is checked too.
inline std::vector<ScreenImage> MakeFrames(int width, int height, int count, PixelOrder order,
                                           uint32_t seed, size_t rowBytes = 0) {
    std::vector<ScreenImage> frames;
    ScreenImage image(width, height, order, rowBytes);
    mvdtest::ScreenContent screen(width, height, seed);
    screen.render(image);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && i % 4 != 3) {
            screen.nextFrame(image);
        }
        for (int x = 0; x < 16 && x < width; ++x) {
            image.setPixel(x, 0, static_cast<uint32_t>((x * 16 + i) & 0xFF) << 24 | 0x00336699u);
        }
        frames.push_back(image);
    }
    return frames;
}

// A pixel buffer over the image's pixels (no copy); release it when done.
inline CVPixelBufferRef Wrap(ScreenImage& image) {
    CVPixelBufferRef buffer = nullptr;
    EXPECT_EQ(CVPixelBufferCreateWithBytes(nullptr, image.width(), image.height(),
                                           FormatOf(image.order()), image.data(), image.rowBytes(),
                                           nullptr, nullptr, nullptr, &buffer),
              kCVReturnSuccess);
    return buffer;
}

// The pixels without row padding.
inline std::vector<uint8_t> Pixels(const ScreenImage& image) {
    std::vector<uint8_t> out;
    for (int y = 0; y < image.height(); ++y) {
        out.insert(out.end(), image.line(y), image.line(y) + image.width() * 4);
    }
    return out;
}

// What the output callback saw.
struct OutputLog {
    std::mutex mutex;
    std::vector<MediaSampleFlags> flags;
    std::vector<TimeValue64> timeStamps;
    std::vector<UInt32> decodeNumbers;
    std::set<std::thread::id> threads;
    int failAt = -1;  // answer an error for this frame (0-based)
};

// A movie file with one video track fed by a session's output callback (or
// one sound track, fed by the test).
class SessionMovie {
  public:
    SessionMovie(const std::string& path, int width, int height, TimeScale mediaScale = 600,
                 OSType mediaType = VideoMediaType)
        : m_path(path) {
        EXPECT_EQ(EnterMovies(), noErr);
        FSSpec location{};
        NativePathNameToFSSpec(const_cast<char*>(path.c_str()), &location, 0);
        EXPECT_EQ(CreateMovieFile(&location, 'TVOD', smCurrentScript, createMovieFileDeleteCurFile,
                                  &m_refNum, &m_movie),
                  noErr);
        m_track = NewMovieTrack(m_movie, FixedFromInt(width), FixedFromInt(height),
                                mediaType == SoundMediaType ? kFullVolume : kNoVolume);
        media = NewTrackMedia(m_track, mediaType, mediaScale, nullptr, 0);
        EXPECT_EQ(BeginMediaEdits(media), noErr);
    }
    ~SessionMovie() {
        if (m_movie != nullptr) {
            finish();
        }
        ExitMovies();
    }
    SessionMovie(const SessionMovie&) = delete;
    SessionMovie& operator=(const SessionMovie&) = delete;

    ICMEncodedFrameOutputRecord record() { return {&Output, this, nullptr}; }

    void finish() {
        EXPECT_EQ(EndMediaEdits(media), noErr);
        const TimeValue duration = GetMediaDuration(media);
        if (duration > 0) {
            EXPECT_EQ(InsertMediaIntoTrack(m_track, 0, 0, duration, 0x10000), noErr);
        }
        short resId = movieInDataForkResID;
        EXPECT_EQ(AddMovieResource(m_movie, m_refNum, &resId, nullptr), noErr);
        EXPECT_EQ(CloseMovieFile(m_refNum), noErr);
        DisposeMovie(m_movie);
        m_movie = nullptr;
    }

    const std::string& path() const { return m_path; }

    Media media = nullptr;
    OutputLog log;

  private:
    static OSStatus Output(void* refCon, ICMCompressionSessionRef, OSStatus error,
                           ICMEncodedFrameRef frame, void*) {
        auto* self = static_cast<SessionMovie*>(refCon);
        std::lock_guard lock(self->log.mutex);
        self->log.threads.insert(std::this_thread::get_id());
        if (error != noErr) {
            return error;
        }
        if (static_cast<int>(self->log.flags.size()) == self->log.failAt) {
            return ioErr;
        }
        self->log.flags.push_back(ICMEncodedFrameGetMediaSampleFlags(frame));
        self->log.timeStamps.push_back(ICMEncodedFrameGetDisplayTimeStamp(frame));
        self->log.decodeNumbers.push_back(ICMEncodedFrameGetDecodeNumber(frame));
        return AddMediaSampleFromEncodedFrame(self->media, frame, nullptr);
    }

    std::string m_path;
    short m_refNum = 0;
    Movie m_movie = nullptr;
    Track m_track = nullptr;
};

// Options for a session: temporal compression, a key frame interval, and
// optionally a compressor instance and asynchronous completion.
inline ICMCompressionSessionOptionsRef MakeOptions(SInt32 keyFrameInterval,
                                                   ComponentInstance compressor = nullptr,
                                                   bool async = false) {
    ICMCompressionSessionOptionsRef options = nullptr;
    EXPECT_EQ(ICMCompressionSessionOptionsCreate(nullptr, &options), noErr);
    EXPECT_EQ(ICMCompressionSessionOptionsSetAllowTemporalCompression(options, true), noErr);
    EXPECT_EQ(ICMCompressionSessionOptionsSetMaxKeyFrameInterval(options, keyFrameInterval), noErr);
    if (compressor != nullptr) {
        EXPECT_EQ(ICMCompressionSessionOptionsSetProperty(
                      options, kQTPropertyClass_ICMCompressionSessionOptions,
                      kICMCompressionSessionOptionsPropertyID_CompressorComponent,
                      sizeof(compressor), &compressor),
                  noErr);
    }
    const Boolean allowAsync = async;
    EXPECT_EQ(ICMCompressionSessionOptionsSetProperty(
                  options, kQTPropertyClass_ICMCompressionSessionOptions,
                  kICMCompressionSessionOptionsPropertyID_AllowAsyncCompletion, sizeof(allowAsync),
                  &allowAsync),
              noErr);
    return options;
}

// Hands every frame to the session, 20 units apart.
inline OSStatus EncodeAll(ICMCompressionSessionRef session, std::vector<ScreenImage>& frames,
                          ICMSourceTrackingCallbackRecord* tracking = nullptr) {
    for (size_t i = 0; i < frames.size(); ++i) {
        CVPixelBufferRef buffer = Wrap(frames[i]);
        const OSStatus err = ICMCompressionSessionEncodeFrame(
            session, buffer, static_cast<TimeValue64>(i) * 20, 20,
            kICMValidTime_DisplayTimeStampIsValid | kICMValidTime_DisplayDurationIsValid, nullptr,
            tracking, reinterpret_cast<void*>(i));
        CVPixelBufferRelease(buffer);
        if (err != noErr) {
            return err;
        }
    }
    return ICMCompressionSessionCompleteFrames(session, true, 0, 0);
}

// Every frame of the movie's first track, decoded by our decompressors.
inline std::vector<std::vector<uint8_t>> DecodeMovie(const std::string& path,
                                                     CVPixelFormatType format) {
    qtfile::MovieFileReader reader;
    const auto status = reader.open(path);
    EXPECT_TRUE(status.ok()) << status.message;
    return mvdtest::DecodedFrames(reader, 0, format);
}

// The 0-based numbers of the sync samples of the movie's first track.
inline std::vector<uint32_t> SyncSamples(const std::string& path) {
    qtfile::MovieFileReader reader;
    EXPECT_TRUE(reader.open(path).ok());
    std::vector<uint32_t> sync;
    const auto& table = reader.track(0).media.information.sampleTable;
    const uint32_t count = reader.samples(0).sampleCount();
    for (uint32_t i = 0; i < count; ++i) {
        if (!table.syncSamples || std::count(table.syncSamples->sampleNumbers.begin(),
                                             table.syncSamples->sampleNumbers.end(), i + 1) > 0) {
            sync.push_back(i);
        }
    }
    return sync;
}

using mvdtest::ScreenCodecEnvironment;

}  // namespace sessiontest

// One whole recording through QTWriter, as the recorder makes it: a screen
// track ('mvdk', BGRA frames), a cursor track ('rle ', ARGB sprites), a PCM
// sound track, a sound track fed IMA 4:1 packets, a raw sound track and a
// caption track, recorded in three segments (two pauses, each cutting every
// track to the shortest segment) and finalised to the shortest track.  It
// keeps everything it fed, for tests that check the movie and the recovery
// file against it.  The screen codec must be registered
// (ScreenCodecEnvironment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MovieToolbox/MovieFileReader.h"
#include "Support/TempDir.h"

namespace mvdtest {

// One addition to a track: `count` samples of `duration` media units each.
struct ScenarioSample {
    std::vector<uint8_t> bytes;
    uint32_t count = 1;
    uint32_t duration = 0;
};

struct RecordedScenario {
    static constexpr int kWidth = 96;
    static constexpr int kHeight = 64;
    static constexpr int kCursorSize = 16;
    static constexpr int kSegments = 3;
    static constexpr int kFramesPerSegment = 3;
    static constexpr int kFrameDuration = 20;                                  // of 600
    static constexpr int kSegmentLength = kFramesPerSegment * kFrameDuration;  // the shortest
    static constexpr int kCaptionDuration = 70;

    static constexpr int kPCMRate = 44100;            // 16-bit big-endian stereo
    static constexpr int kPCMFramesPerBuffer = 2205;  // two make a segment
    static constexpr int kIMARate = 22050;            // mono
    static constexpr int kIMAPacketsPerSegment = 35;
    static constexpr int kRawRate = 8000;  // 16-bit big-endian mono
    static constexpr int kRawFramesPerSegment = 800;

    // In the order they were handed over.
    std::vector<ScenarioSample> screenFrames;  // BGRA pixels
    std::vector<ScenarioSample> cursorFrames;  // ARGB pixels
    std::vector<ScenarioSample> pcmBuffers;
    std::vector<ScenarioSample> imaPackets;
    std::vector<ScenarioSample> rawBuffers;
    std::vector<ScenarioSample> captions;  // UTF-8
    // The PCM frames fed (interleaved, native order).
    std::vector<int16_t> pcmSamples;

    // The sound descriptions handed to the tracks, in memory form.
    std::vector<uint8_t> pcmDescription;
    std::vector<uint8_t> imaDescription;
    // The shortest segment measured before each pause and the end, in the
    // movie's time scale.
    std::vector<int64_t> shortestSegments;
};

// Records the scenario into moviePath, with a recovery file at recoveryPath
// when it is not empty.  With concurrentAudio the sound and caption tracks
// are fed from a second thread while the video frames are encoded.  Throws
// what the writer throws.
RecordedScenario RecordScenario(const std::string& moviePath, const std::string& recoveryPath,
                                bool concurrentAudio = false);

// The scenario recorded into a folder of its own, with recovery.
struct RecordedMovie {
    TempDir dir;
    RecordedScenario scenario;
    std::string moviePath() const { return dir.file("rec.mov"); }
    std::string recoveryPath() const { return dir.file("rec.rcv"); }
};
std::unique_ptr<RecordedMovie> RecordScenarioMovie();

// The tracks of the scenario's movie, in creation order.
enum ScenarioTrack {
    kScenarioScreen,
    kScenarioCursor,
    kScenarioPCM,
    kScenarioIMA,
    kScenarioRaw,
    kScenarioText,
    kScenarioTrackCount
};

// The recovery file the scenario must leave, spelled out from what was fed
// and where the movie (read back) put each sample: the header, the header
// records of the logging tracks (screen, PCM, IMA, captions), then one
// record per logged addition in the order of the sample data in the file.
std::vector<unsigned char> ExpectedRecoveryFile(const RecordedScenario& scenario,
                                                const qtfile::MovieFileReader& movie);

// A screen-like frame of `width` x `height` in the given order (true: BGRA,
// false: ARGB), packed rows, with translucent pixels; `index` moves it on.
std::vector<uint8_t> ScreenFrame(int width, int height, bool bgra, int index);
// An ARGB cursor sprite with transparent, half-transparent and opaque parts.
std::vector<uint8_t> CursorFrame(int index);

}  // namespace mvdtest

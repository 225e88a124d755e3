// Plays SWF files in the Ruffle player (headless Chromium) through the
// harness in Tests/Harness: the stage at chosen frames as RGB pixels, the
// text of trace actions, clicks, and the mixed sound.
//
// Tests call MVD_SKIP_WITHOUT_SWF_PLAYER() first: it skips, saying why,
// when node, chromium or the harness packages (Tests/Harness/setup.sh) are
// missing.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mvdtest {

struct SwfClick {
    int x;  // stage pixels
    int y;
    int afterFrame;  // the click happens right after this frame ran
};

struct SwfPlayRequest {
    SwfPlayRequest() = default;
    explicit SwfPlayRequest(std::vector<int> framesToCapture)
        : frames(std::move(framesToCapture)) {}

    std::vector<int> frames{1};  // frames to capture, from 1
    std::vector<SwfClick> clicks;
    bool audio = false;       // collect the mixed sound
    std::string renderer;     // empty: the player's choice
    std::string keepFilesIn;  // a folder to keep PNGs and results in (debugging)
    int timeoutSeconds = 120;
};

struct SwfImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first, 3 bytes per pixel

    std::array<uint8_t, 3> At(int x, int y) const;
};

struct SwfRun {
    int width = 0;  // stage size in pixels
    int height = 0;
    std::map<int, SwfImage> frames;
    std::vector<std::pair<int, std::string>> traces;  // (frame, text)
    std::vector<std::string> console;                 // the player's log lines
    std::vector<std::string> errors;
    std::vector<float> audio;  // 44100 Hz stereo, interleaved

    std::vector<std::string> TraceTexts() const;
    // Throws std::out_of_range for a frame not captured.  Not on a
    // temporary run, whose images would go with it.
    const SwfImage& Frame(int frame) const&;
    const SwfImage& Frame(int frame) const&& = delete;
};

class SwfPlayer {
  public:
    // Empty when movies can be played here; otherwise the reason they cannot.
    static std::string Unavailable();
    // Plays the movie.  Throws std::runtime_error (with the harness's own
    // message) when the movie cannot be played.
    static SwfRun Play(const std::string& swfPath, const SwfPlayRequest& request = {});
};

// Success when every pixel of `image` inside the rectangle equals `rgb`
// within `tolerance` per channel; otherwise names the first that does not.
::testing::AssertionResult RegionIs(const SwfImage& image, int x, int y, int width, int height,
                                    std::array<uint8_t, 3> rgb, int tolerance = 0);

}  // namespace mvdtest

#define MVD_SKIP_WITHOUT_SWF_PLAYER()                                              \
    do {                                                                           \
        const std::string mvdSwfPlayerMissing = mvdtest::SwfPlayer::Unavailable(); \
        if (!mvdSwfPlayerMissing.empty()) {                                        \
            GTEST_SKIP() << mvdSwfPlayerMissing;                                   \
        }                                                                          \
    } while (0)

// The player controller movie that the SWF export merges below each movie:
// a bar as high as the "glass" skin's player, with a play/pause button and
// a progress bar.
//
// Once merged, the movie's first frame sets "width" and "height" (the
// movie's own size in pixels) before the controller's tags; the
// controller's frame script then moves the bar to y = height and stretches
// it to the movie's width.  The bar (a clip of two frames, so that its
// script runs on every frame) shows the root timeline's progress
// (_currentframe / _totalframes), stops the movie on its last frame, and
// its button pauses the movie or plays it on (from the start once it has
// ended).  The clip lies on a depth above every depth the export uses.
#pragma once

#include <cstdint>

namespace controller {

constexpr int32_t kBarHeight = 37;  // the "glass" skin's player height
constexpr int32_t kStageWidth = 400;
constexpr uint32_t kFrameRate = 10;
constexpr uint8_t kVersion = 8;
constexpr uint16_t kControllerDepth = 65000;
constexpr char kBarName[] = "csController";
constexpr char kBarBackground[] = "csController/bg";
constexpr char kBarProgress[] = "csController/progress";

// Colours as 0xRRGGBB.
constexpr uint32_t kEdgeColor = 0x161616;       // the bar's top row
constexpr uint32_t kHighlightColor = 0x444444;  // its upper half, below the edge
constexpr uint32_t kBarColor = 0x2E2E2E;        // the rest
constexpr uint32_t kButtonColor = 0x5A5A5A;
constexpr uint32_t kButtonOverColor = 0x6A6A6A;
constexpr uint32_t kButtonDownColor = 0x4A4A4A;
constexpr uint32_t kIconColor = 0xF0F0F0;
constexpr uint32_t kTrackColor = 0x1A1A1A;
constexpr uint32_t kProgressColor = 0x3A8EE6;

// Geometry in pixels, relative to the bar's top-left corner.
constexpr int32_t kButtonX = 5;
constexpr int32_t kButtonY = 5;
constexpr int32_t kButtonSide = 27;
struct IconBox {
    int32_t left, top, right, bottom;
};
constexpr IconBox kPlayIcon{14, 11, 26, 25};  // a triangle pointing right
constexpr int32_t kPauseBarLeft[2] = {13, 21};
constexpr int32_t kPauseTop = 11;
constexpr int32_t kPauseBarWidth = 5;
constexpr int32_t kPauseHeight = 15;
constexpr int32_t kTrackX = 42;
constexpr int32_t kTrackY = 16;
constexpr int32_t kTrackHeight = 6;
constexpr int32_t kTrackRightMargin = 10;  // the track ends this far from the right edge

// Writes the controller movie; false when the file cannot be written.
bool WriteControllerMovie(const char* path);

}  // namespace controller

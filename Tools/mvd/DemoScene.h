// The built-in desktop session of the demo: a desktop with an editor in
// which a note is typed, a build log that scrolls, a chart window that is
// dragged across the screen, a clock in the menu bar, a cursor that moves
// over it all, a tone and captions.  It is independent of the recording
// library: each frame comes as BGRA pixels with the rectangles that changed
// since the previous frame, the cursor sprite and its place, the frame's
// audio samples and the caption shown.
//
//   DemoScene scene(DemoSettings{});
//   while (scene.next()) {
//       use(scene.frame().data(), scene.dirtyRects(), scene.cursorRect(), scene.audio());
//   }
//
// Everything is a function of the frame number, so two scenes with the same
// settings produce the same frames.  The script is laid out over the whole
// run, so a short run still shows every act.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "DemoCanvas.h"

namespace mvddemo {

class DemoFont;

struct DemoSettings {
    int32_t width = 1280;
    int32_t height = 720;
    uint32_t framesPerSecond = 10;
    uint32_t frameCount = 200;
    uint32_t sampleRate = 22050;  // one channel of 16-bit samples
    std::string uiFont = "DejaVu Sans";
    std::string monoFont = "DejaVu Sans Mono";
};

// The cursor image: BGRA with straight alpha, top-down, and the pixel of it
// that points.
struct CursorSprite {
    int32_t width = 0;
    int32_t height = 0;
    int32_t hotX = 0;
    int32_t hotY = 0;
    std::vector<uint8_t> pixels;
};

class DemoScene {
  public:
    // Throws std::invalid_argument for settings it cannot draw (a side below
    // 64 pixels or above 8192, no frames, a rate of 0) and std::runtime_error
    // when no font can be loaded.
    explicit DemoScene(const DemoSettings& settings);
    ~DemoScene();
    DemoScene(const DemoScene&) = delete;
    DemoScene& operator=(const DemoScene&) = delete;

    const DemoSettings& settings() const { return m_settings; }
    // The families of the fonts found for the settings' names.
    std::string fontFamilies() const;

    // Draws the next frame; false (and nothing changes) after the last one.
    bool next();

    // The frame drawn last (0-based) and what goes with it.
    uint32_t frameNumber() const { return m_frame; }
    const Canvas& frame() const { return m_canvas; }
    // Inside the frame, not overlapping; the first frame has one rectangle
    // covering everything.  A frame may have none.
    const std::vector<Rect>& dirtyRects() const { return m_dirty; }
    const CursorSprite& cursor() const { return m_cursor; }
    // Where the cursor sprite is drawn, in its own size (may reach outside
    // the frame).
    Rect cursorRect() const;
    std::span<const int16_t> audio() const { return m_audio; }
    const std::string& caption() const;
    bool captionChanged() const { return m_captionChanged; }

    // Paints the current frame anew, as a check of the dirty rectangles.
    void paintWhole(Canvas& canvas);

  private:
    struct State;
    struct Layout;

    State stateAt(uint32_t frame) const;
    void damage(const State& before, const State& after, std::vector<Rect>& rects);
    void paint(Canvas& canvas, const State& state, const Rect& clip);
    void paintDesktop(Canvas& canvas, const State& state);
    void paintWindowFrame(Canvas& canvas, const Rect& outer, const char* title);
    // Paints a window and its background and narrows the clip to its body
    // (the clip before is kept in savedClip for the caller to restore).
    Rect openWindow(Canvas& canvas, const Rect& outer, const char* title, uint32_t background,
                    Rect* savedClip);
    void paintEditor(Canvas& canvas, const State& state);
    void paintLog(Canvas& canvas, const State& state);
    void paintChart(Canvas& canvas, const State& state);
    std::vector<std::string> editorLines(const State& state, size_t* top);
    Rect caretRect(const State& state);
    Rect chartFrame(const State& state) const;
    Rect meterRect(const State& state) const;
    void makeAudio(uint32_t frame);

    DemoSettings m_settings;
    std::unique_ptr<Layout> m_layout;
    std::unique_ptr<DemoFont> m_ui;
    std::unique_ptr<DemoFont> m_mono;
    std::unique_ptr<State> m_state;
    Canvas m_canvas;
    CursorSprite m_cursor;
    uint32_t m_frame = 0;
    bool m_started = false;
    std::vector<Rect> m_dirty;
    std::vector<int16_t> m_audio;
    bool m_captionChanged = false;
};

// Merges rectangles that touch or overlap into their bounding boxes until
// none touch, clipped to bounds.
std::vector<Rect> MergeRects(std::vector<Rect> rects, const Rect& bounds);

}  // namespace mvddemo

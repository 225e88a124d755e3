#include "DemoScene.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "DemoFont.h"

namespace mvddemo {

namespace {

constexpr const char* kCaptions[4] = {
    "Typing a note in the editor",
    "Scrolling through the build log",
    "Dragging the chart window",
    "Typing while the log scrolls",
};

constexpr const char* kNote =
    "Notes on this recording\n"
    "Every letter typed here is a glyph of a system font, drawn with FreeType. "
    "The recorder hands each frame to the library with the rectangles that changed, "
    "and the same session is written as a capture file, as a movie written live "
    "with its recovery file, as movies made from the capture, and as an SWF movie "
    "with a player controller.\n"
    "Only what changes is stored: the log scrolling, this text, the clock and the "
    "window being dragged, so the files stay small while every pixel is kept.";

constexpr const char* kLogMessages[] = {
    "compiling Source/Capture/MVRCWriter.cpp",
    "compiling Source/Codec/MVDKEncoder.cpp",
    "linking libmvdwriter.a",
    "wrote frame %u: %u rects, %u.%u KiB",
    "test DeltaRLE.RoundTrip ... ok (%u ms)",
    "flushed %u samples to the movie",
    "key frame at %u",
    "audio: %u samples queued",
};

uint32_t Hash(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7FEB352Du;
    v ^= v >> 15;
    v *= 0x846CA68Bu;
    v ^= v >> 16;
    return v;
}

double Smooth(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

struct Point {
    double x = 0;
    double y = 0;
};

Point Lerp(Point a, Point b, double t) {
    const double s = Smooth(t);
    return {a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s};
}

// How many of the frames up to `frame` lie in [first, end).
uint32_t FramesIn(uint32_t frame, uint32_t first, uint32_t end) {
    if (frame < first || end <= first) {
        return 0;
    }
    return std::min(frame, end - 1) - first + 1;
}

// Where `frame` is within [first, end), from 0 to 1.
double Progress(uint32_t frame, uint32_t first, uint32_t end) {
    if (end <= first + 1) {
        return 1.0;
    }
    return std::clamp(double(frame - first) / double(end - first - 1), 0.0, 1.0);
}

std::string LogLine(uint32_t index) {
    const uint32_t h = Hash(index + 1);
    const char* pattern = kLogMessages[h % std::size(kLogMessages)];
    char text[128];
    std::snprintf(text, sizeof text, pattern, h % 997, 1 + (h >> 10) % 6, (h >> 13) % 64,
                  (h >> 20) % 10);
    char line[160];
    std::snprintf(line, sizeof line, "[%02u:%02u.%u] %s", index / 600 % 60, index / 10 % 60,
                  index % 10, text);
    return line;
}

// Signed distance from p to the polygon's outline, negative inside.
double SignedDistance(const std::vector<Point>& polygon, Point p) {
    double best = 1e9;
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point a = polygon[j], b = polygon[i];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double t =
            std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        best = std::min(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * dx / dy) {
            inside = !inside;
        }
    }
    return inside ? -best : best;
}

// An arrow with a white outline and a soft shadow, in straight alpha.
CursorSprite MakeCursor(double scale) {
    const std::vector<Point> arrow = {{0, 0},   {0, 19}, {4.5, 15}, {7.5, 22},
                                      {10, 21}, {7, 14}, {13, 14}};
    const int32_t margin = 2;
    CursorSprite cursor;
    cursor.width = static_cast<int32_t>(std::ceil(13 * scale)) + 2 * margin + 3;
    cursor.height = static_cast<int32_t>(std::ceil(22 * scale)) + 2 * margin + 3;
    cursor.hotX = margin;
    cursor.hotY = margin;
    const size_t count = static_cast<size_t>(cursor.width) * static_cast<size_t>(cursor.height);
    std::vector<double> black(count), white(count);
    for (int32_t y = 0; y < cursor.height; ++y) {
        for (int32_t x = 0; x < cursor.width; ++x) {
            for (int s = 0; s < 16; ++s) {
                const Point p{(x + 0.125 + 0.25 * (s & 3) - margin) / scale,
                              (y + 0.125 + 0.25 * (s >> 2) - margin) / scale};
                const double d = SignedDistance(arrow, p) * scale;  // in pixels
                const size_t i = static_cast<size_t>(y) * cursor.width + x;
                if (d <= -1.0) {
                    black[i] += 1.0 / 16;
                } else if (d <= 0.8) {
                    white[i] += 1.0 / 16;
                }
            }
        }
    }
    cursor.pixels.resize(count * 4);
    for (int32_t y = 0; y < cursor.height; ++y) {
        for (int32_t x = 0; x < cursor.width; ++x) {
            const size_t i = static_cast<size_t>(y) * cursor.width + x;
            const double a = black[i] + white[i];
            // The shadow: the arrow's coverage two pixels down and right,
            // spread over three by three pixels.
            double s = 0;
            for (int32_t dy = -1; dy <= 1; ++dy) {
                for (int32_t dx = -1; dx <= 1; ++dx) {
                    const int32_t sx = x - 2 + dx, sy = y - 2 + dy;
                    if (sx >= 0 && sy >= 0 && sx < cursor.width && sy < cursor.height) {
                        const size_t k = static_cast<size_t>(sy) * cursor.width + sx;
                        s += (black[k] + white[k]) / 9;
                    }
                }
            }
            s *= 0.35;
            const double alpha = a + s * (1 - a);
            const double grey = alpha > 0 ? 255.0 * white[i] / alpha : 0;
            uint8_t* p = cursor.pixels.data() + i * 4;
            p[0] = p[1] = p[2] = static_cast<uint8_t>(std::lround(std::min(grey, 255.0)));
            p[3] = static_cast<uint8_t>(std::lround(alpha * 255));
        }
    }
    return cursor;
}

}  // namespace

std::vector<Rect> MergeRects(std::vector<Rect> rects, const Rect& bounds) {
    for (Rect& r : rects) {
        r = r.intersect(bounds);
    }
    std::erase_if(rects, [](const Rect& r) { return r.empty(); });
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i < rects.size() && !merged; ++i) {
            for (size_t j = i + 1; j < rects.size(); ++j) {
                if (rects[i].touches(rects[j])) {
                    rects[i] = rects[i].unite(rects[j]);
                    rects.erase(rects.begin() + static_cast<ptrdiff_t>(j));
                    merged = true;
                    break;
                }
            }
        }
    }
    return rects;
}

// Sizes and places that depend only on the settings.
struct DemoScene::Layout {
    double scale = 1;
    int32_t menuHeight = 0;
    int32_t titleHeight = 0;
    int32_t pad = 0;
    int32_t spread = 0;  // of a window's shadow
    Rect editor, log, chartStart, chartEnd, clock, dock;
    uint32_t act[5] = {};  // first frame of each act, then the frame count
    uint32_t typingRate = 4;
};

struct DemoScene::State {
    uint32_t frame = 0;
    int act = 0;
    size_t typed = 0;
    int32_t logScroll = 0;
    Rect chart;
    uint32_t seconds = 0;
    bool caretOn = true;
    Point cursor;
};

DemoScene::DemoScene(const DemoSettings& settings)
    : m_settings(settings),
      m_canvas(std::clamp(settings.width, 1, 8192), std::clamp(settings.height, 1, 8192)) {
    const DemoSettings& s = m_settings;
    if (s.width < 64 || s.height < 64 || s.width > 8192 || s.height > 8192) {
        throw std::invalid_argument("the demo draws frames of 64 to 8192 pixels a side");
    }
    if (s.frameCount == 0 || s.framesPerSecond == 0 || s.sampleRate == 0) {
        throw std::invalid_argument("the demo needs frames, a frame rate and a sample rate");
    }
    m_layout = std::make_unique<Layout>();
    Layout& l = *m_layout;
    const double w = s.width, h = s.height;
    l.scale = std::min(w / 1280, h / 720);
    l.menuHeight = std::max<int32_t>(14, std::lround(24 * l.scale));
    l.titleHeight = std::max<int32_t>(14, std::lround(26 * l.scale));
    l.pad = std::max<int32_t>(2, std::lround(10 * l.scale));
    l.spread = std::max<int32_t>(2, std::lround(8 * l.scale));
    auto place = [&](double x, double y, double width, double height) {
        return Rect{static_cast<int32_t>(x * w), static_cast<int32_t>(y * h),
                    static_cast<int32_t>(width * w), static_cast<int32_t>(height * h)};
    };
    l.editor = place(0.04, 0.09, 0.50, 0.55);
    l.log = place(0.50, 0.40, 0.46, 0.50);
    l.chartStart = place(0.60, 0.08, 0.30, 0.28);
    l.chartEnd = place(0.06, 0.66, 0.30, 0.28);
    l.dock = place(0.40, 0.955, 0.20, 0.04);
    const double fractions[5] = {0, 0.30, 0.55, 0.80, 1.0};
    for (int i = 0; i < 5; ++i) {
        l.act[i] = static_cast<uint32_t>(std::lround(fractions[i] * s.frameCount));
    }

    const int32_t textSize = std::max<int32_t>(9, std::lround(15 * l.scale));
    m_ui = std::make_unique<DemoFont>(s.uiFont, textSize);
    m_mono = std::make_unique<DemoFont>(s.monoFont, std::max<int32_t>(8, textSize - 2));
    // The clock's part of the menu bar: the dot and the widest time.
    const int32_t dot = std::max(2, l.menuHeight / 5);
    const int32_t clockX =
        std::max(0, s.width - 2 * l.pad - m_ui->measure("REC 00:00") - 4 * dot - 2);
    l.clock = Rect{clockX, 0, s.width - clockX, l.menuHeight};
    m_cursor = MakeCursor(std::max(0.6, 1.3 * l.scale));
    m_state = std::make_unique<State>();
}

DemoScene::~DemoScene() = default;

std::string DemoScene::fontFamilies() const {
    return m_ui->family() + ", " + m_mono->family();
}

const std::string& DemoScene::caption() const {
    static const std::string captions[4] = {kCaptions[0], kCaptions[1], kCaptions[2], kCaptions[3]};
    return captions[m_state->act];
}

Rect DemoScene::cursorRect() const {
    return {static_cast<int32_t>(std::lround(m_state->cursor.x)) - m_cursor.hotX,
            static_cast<int32_t>(std::lround(m_state->cursor.y)) - m_cursor.hotY, m_cursor.width,
            m_cursor.height};
}

DemoScene::State DemoScene::stateAt(uint32_t f) const {
    const Layout& l = *m_layout;
    const uint32_t* act = l.act;
    State s;
    s.frame = f;
    s.act = f < act[1] ? 0 : f < act[2] ? 1 : f < act[3] ? 2 : 3;
    const size_t noteLength = std::char_traits<char>::length(kNote);
    s.typed = std::min<size_t>(noteLength, size_t{l.typingRate} * (FramesIn(f, act[0], act[1]) +
                                                                   FramesIn(f, act[3], act[4])));
    const int32_t step = std::max(1, m_mono->lineHeight() * 2 / 3);
    s.logScroll =
        step * static_cast<int32_t>(FramesIn(f, act[1], act[2]) + FramesIn(f, act[3], act[4]));
    // The window is grabbed once the cursor has reached its title bar.
    const double drag = std::clamp((Progress(f, act[2], act[3]) - 0.25) / 0.75, 0.0, 1.0);
    const double moved = f < act[2] ? 0.0 : f >= act[3] ? 1.0 : Smooth(drag);
    s.chart = {
        l.chartStart.x + static_cast<int32_t>(std::lround((l.chartEnd.x - l.chartStart.x) * moved)),
        l.chartStart.y + static_cast<int32_t>(std::lround((l.chartEnd.y - l.chartStart.y) * moved)),
        l.chartStart.width, l.chartStart.height};
    s.seconds = f / m_settings.framesPerSecond;
    const uint32_t blink = std::max<uint32_t>(1, m_settings.framesPerSecond / 2);
    s.caretOn = s.act == 0 || s.act == 3 || (f / blink) % 2 == 0;

    const double w = m_settings.width, h = m_settings.height;
    const Point start{0.78 * w, 0.70 * h};
    const Point inEditor{l.editor.x + 0.45 * l.editor.width, l.editor.y + 0.55 * l.editor.height};
    const Point inLog{l.log.x + 0.5 * l.log.width, l.log.y + 0.6 * l.log.height};
    const Point grab{0.35 * l.chartStart.width, 0.5 * l.titleHeight};
    const Point grabStart{l.chartStart.x + grab.x, l.chartStart.y + grab.y};
    const Point grabEnd{l.chartEnd.x + grab.x, l.chartEnd.y + grab.y};
    const Point menu{0.12 * w, 0.5 * l.menuHeight};
    const double t = Progress(f, act[s.act], act[s.act + 1]);
    switch (s.act) {
        case 0:
            s.cursor = Lerp(start, inEditor, t / 0.4);
            break;
        case 1:
            s.cursor = Lerp(inEditor, inLog, t / 0.4);
            break;
        case 2:
            s.cursor = t < 0.25 ? Lerp(inLog, grabStart, t / 0.25)
                                : Point{s.chart.x + grab.x, s.chart.y + grab.y};
            break;
        default:
            s.cursor = Lerp(grabEnd, menu, t / 0.6);
            break;
    }
    return s;
}

bool DemoScene::next() {
    if (m_started && m_frame + 1 >= m_settings.frameCount) {
        return false;
    }
    const uint32_t f = m_started ? m_frame + 1 : 0;
    const State state = stateAt(f);
    std::vector<Rect> rects;
    if (m_started) {
        damage(*m_state, state, rects);
    } else {
        rects.push_back(m_canvas.bounds());
    }
    m_dirty = MergeRects(std::move(rects), m_canvas.bounds());
    for (const Rect& r : m_dirty) {
        paint(m_canvas, state, r);
    }
    m_captionChanged = !m_started || state.act != m_state->act;
    *m_state = state;
    m_frame = f;
    m_started = true;
    makeAudio(f);
    return true;
}

void DemoScene::paintWhole(Canvas& canvas) {
    paint(canvas, *m_state, canvas.bounds());
}

namespace {

Rect Body(const Rect& outer, int32_t titleHeight) {
    return {outer.x + 1, outer.y + titleHeight, std::max(0, outer.width - 2),
            std::max(0, outer.height - titleHeight - 1)};
}

}  // namespace

// What must be repainted to go from one state to the next.
void DemoScene::damage(const State& before, const State& after, std::vector<Rect>& rects) {
    const Layout& l = *m_layout;
    if (before.seconds != after.seconds) {
        rects.push_back(l.clock);
    }
    // The editor: rows whose text differs, or the whole body when it scrolls.
    size_t topBefore = 0, topAfter = 0;
    const std::vector<std::string> linesBefore = editorLines(before, &topBefore);
    const std::vector<std::string> linesAfter = editorLines(after, &topAfter);
    const Rect editorBody = Body(l.editor, l.titleHeight);
    if (topBefore != topAfter) {
        rects.push_back(editorBody);
    } else {
        const int32_t lineHeight = m_ui->lineHeight();
        const size_t rows = std::max(linesBefore.size(), linesAfter.size());
        for (size_t i = topAfter; i < rows; ++i) {
            const std::string empty;
            const std::string& a = i < linesBefore.size() ? linesBefore[i] : empty;
            const std::string& b = i < linesAfter.size() ? linesAfter[i] : empty;
            if (a != b) {
                const int32_t y =
                    editorBody.y + l.pad + static_cast<int32_t>(i - topAfter) * lineHeight;
                rects.push_back(
                    Rect{editorBody.x, y - 2, editorBody.width, lineHeight + 4}.intersect(
                        editorBody));
            }
        }
    }
    const Rect caretBefore = caretRect(before), caretAfter = caretRect(after);
    if (before.caretOn != after.caretOn || !(caretBefore == caretAfter)) {
        rects.push_back(caretBefore);
        rects.push_back(caretAfter);
    }
    if (before.logScroll != after.logScroll) {
        rects.push_back(Body(l.log, l.titleHeight));
    }
    if (!(before.chart == after.chart)) {
        rects.push_back(before.chart.inset(-l.spread));
        rects.push_back(after.chart.inset(-l.spread));
    } else {
        rects.push_back(meterRect(after));
    }
}

void DemoScene::paint(Canvas& canvas, const State& state, const Rect& clip) {
    canvas.setClip(clip);
    paintDesktop(canvas, state);
    paintEditor(canvas, state);
    paintLog(canvas, state);
    paintChart(canvas, state);
    canvas.setClip(canvas.bounds());
}

void DemoScene::paintDesktop(Canvas& canvas, const State& state) {
    const Layout& l = *m_layout;
    const int32_t w = m_settings.width, h = m_settings.height;
    canvas.gradient(canvas.bounds(), Opaque(0x1D3557), Opaque(0x2A7F8F), true);
    canvas.disc(w / 5, h * 3 / 4, h / 3, 0x18FFFFFF);
    canvas.disc(w * 4 / 5, h / 3, h / 4, 0x14FFFFFF);
    // The dock with its icons.
    canvas.fill(l.dock, 0x60FFFFFF);
    const int32_t icon = l.dock.height * 3 / 4;
    const uint32_t colours[6] = {0xE63946, 0xF4A261, 0x2A9D8F, 0x457B9D, 0x8D99AE, 0xE9C46A};
    for (int i = 0; i < 6; ++i) {
        const int32_t x = l.dock.x + (l.dock.width * (2 * i + 1)) / 12 - icon / 2;
        canvas.fill({x, l.dock.y + (l.dock.height - icon) / 2, icon, icon}, Opaque(colours[i]));
    }
    // The menu bar with the recording clock.
    canvas.fill({0, 0, w, l.menuHeight}, 0xE6F5F5F5);
    const int32_t baseline = (l.menuHeight + m_ui->ascent()) / 2 - 1;
    int32_t x = m_ui->draw(canvas, l.pad * 2, baseline, "mvd", Opaque(0x111111));
    for (const char* item : {"File", "Edit", "View", "Window", "Help"}) {
        x = m_ui->draw(canvas, x + l.pad * 2, baseline, item, Opaque(0x333333));
    }
    char clock[32];
    std::snprintf(clock, sizeof clock, "REC %02u:%02u", state.seconds / 60 % 100,
                  state.seconds % 60);
    const int32_t clockX = w - l.pad * 2 - m_ui->measure(clock);
    const int32_t dot = std::max(2, l.menuHeight / 5);
    canvas.disc(clockX - dot * 2, l.menuHeight / 2, dot, Opaque(0xD62828));
    m_ui->draw(canvas, clockX, baseline, clock, Opaque(0x111111));
}

Rect DemoScene::openWindow(Canvas& canvas, const Rect& outer, const char* title,
                           uint32_t background, Rect* savedClip) {
    paintWindowFrame(canvas, outer, title);
    const Rect body = Body(outer, m_layout->titleHeight);
    *savedClip = canvas.clip();
    canvas.setClip(savedClip->intersect(body));
    canvas.fill(body, Opaque(background));
    return body;
}

void DemoScene::paintWindowFrame(Canvas& canvas, const Rect& outer, const char* title) {
    const Layout& l = *m_layout;
    canvas.shadow(outer, l.spread, 70);
    canvas.fill(outer, Opaque(0xF4F4F4));
    canvas.gradient({outer.x, outer.y, outer.width, l.titleHeight}, Opaque(0xECECEC),
                    Opaque(0xD4D4D4), true);
    const int32_t r = std::max(2, l.titleHeight / 5);
    const uint32_t lights[3] = {0xFF5F57, 0xFEBC2E, 0x28C840};
    for (int i = 0; i < 3; ++i) {
        canvas.disc(outer.x + l.pad + r + i * (3 * r), outer.y + l.titleHeight / 2, r,
                    Opaque(lights[i]));
    }
    const int32_t width = m_ui->measure(title);
    m_ui->draw(canvas, outer.x + (outer.width - width) / 2,
               outer.y + (l.titleHeight + m_ui->ascent()) / 2 - 1, title, Opaque(0x404040));
    canvas.frame(outer, Opaque(0x8A8A8A));
}

std::vector<std::string> DemoScene::editorLines(const State& state, size_t* top) {
    const Layout& l = *m_layout;
    const Rect body = Body(l.editor, l.titleHeight);
    const int32_t width = body.width - 2 * l.pad;
    const std::string text(kNote, state.typed);
    std::vector<std::string> lines;
    size_t start = 0;
    // Greedy wrapping by words, each keeping the spaces after it so that the
    // caret moves with every key.
    while (start <= text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        std::string line;
        size_t i = start;
        while (i < end) {
            size_t wordEnd = text.find(' ', i);
            wordEnd = wordEnd == std::string::npos || wordEnd > end ? end : wordEnd;
            size_t spaceEnd = wordEnd;
            while (spaceEnd < end && text[spaceEnd] == ' ') {
                ++spaceEnd;
            }
            const std::string word = text.substr(i, wordEnd - i);
            if (!line.empty() && m_ui->measure(line + word) > width) {
                lines.push_back(line);
                line.clear();
            }
            line += text.substr(i, spaceEnd - i);
            i = spaceEnd;
        }
        lines.push_back(line);
        start = end + 1;
    }
    const size_t rows = static_cast<size_t>(
        std::max<int32_t>(1, (body.height - 2 * l.pad) / std::max(1, m_ui->lineHeight())));
    *top = lines.size() > rows ? lines.size() - rows : 0;
    return lines;
}

Rect DemoScene::caretRect(const State& state) {
    const Layout& l = *m_layout;
    size_t top = 0;
    const std::vector<std::string> lines = editorLines(state, &top);
    const Rect body = Body(l.editor, l.titleHeight);
    const int32_t x = body.x + l.pad + m_ui->measure(lines.back());
    const int32_t y =
        body.y + l.pad + static_cast<int32_t>(lines.size() - 1 - top) * m_ui->lineHeight();
    return Rect{x, y, std::max(1, static_cast<int32_t>(std::lround(2 * l.scale))),
                m_ui->lineHeight()}
        .intersect(body);
}

void DemoScene::paintEditor(Canvas& canvas, const State& state) {
    const Layout& l = *m_layout;
    Rect saved;
    const Rect body = openWindow(canvas, l.editor, "notes.txt - Editor", 0xFFFFFF, &saved);
    size_t top = 0;
    const std::vector<std::string> lines = editorLines(state, &top);
    int32_t y = body.y + l.pad + m_ui->ascent();
    for (size_t i = top; i < lines.size(); ++i, y += m_ui->lineHeight()) {
        m_ui->draw(canvas, body.x + l.pad, y, lines[i], Opaque(i == 0 ? 0x1D3557 : 0x222222));
    }
    if (state.caretOn) {
        canvas.fill(caretRect(state), Opaque(0x1565C0));
    }
    canvas.setClip(saved);
}

void DemoScene::paintLog(Canvas& canvas, const State& state) {
    const Layout& l = *m_layout;
    Rect saved;
    const Rect body = openWindow(canvas, l.log, "build.log - Terminal", 0x1E1E1E, &saved);
    const int32_t lineHeight = std::max(1, m_mono->lineHeight());
    const int32_t first = std::max(0, (state.logScroll - l.pad) / lineHeight - 1);
    const int32_t count = body.height / lineHeight + 3;
    for (int32_t i = first; i < first + count; ++i) {
        const int32_t y = body.y + l.pad + i * lineHeight - state.logScroll + m_mono->ascent();
        const uint32_t ink = Hash(static_cast<uint32_t>(i)) % 5 == 0 ? 0x7FD67F : 0xC8C8C8;
        m_mono->draw(canvas, body.x + l.pad, y, LogLine(static_cast<uint32_t>(i)), Opaque(ink));
    }
    canvas.setClip(saved);
}

Rect DemoScene::chartFrame(const State& state) const {
    return state.chart;
}

Rect DemoScene::meterRect(const State& state) const {
    const Layout& l = *m_layout;
    const Rect body = Body(chartFrame(state), l.titleHeight);
    const int32_t height = body.height / 4;
    return {body.x + l.pad, body.bottom() - l.pad - height, body.width - 2 * l.pad, height};
}

void DemoScene::paintChart(Canvas& canvas, const State& state) {
    const Layout& l = *m_layout;
    Rect saved;
    const Rect body = openWindow(canvas, chartFrame(state), "Throughput", 0xFFFFFF, &saved);
    // Bars of the day, then a live meter along the bottom.
    const Rect meter = meterRect(state);
    const int32_t base = meter.y - l.pad;
    const int32_t bars = 8;
    const int32_t slot = std::max(1, (body.width - 2 * l.pad) / bars);
    for (int32_t i = 0; i < bars; ++i) {
        const int32_t height = (base - body.y - l.pad) * (30 + int32_t(Hash(i + 7) % 70)) / 100;
        canvas.gradient({body.x + l.pad + i * slot + slot / 6, base - height, slot * 2 / 3, height},
                        Opaque(0x4FC3F7), Opaque(0x1565C0), true);
    }
    canvas.fill(meter, Opaque(0xECEFF1));
    const int32_t samples = 24;
    const int32_t step = std::max(1, meter.width / samples);
    for (int32_t i = 0; i < samples; ++i) {
        const uint32_t v = Hash(state.frame + static_cast<uint32_t>(i)) % 100;
        const int32_t height =
            std::max(1, meter.height * static_cast<int32_t>(20 + v * 4 / 5) / 100);
        canvas.fill({meter.x + i * step, meter.bottom() - height, std::max(1, step - 1), height},
                    Opaque(v > 80 ? 0xE76F51 : 0x2A9D8F));
    }
    canvas.setClip(saved);
}

void DemoScene::makeAudio(uint32_t frame) {
    const uint64_t rate = m_settings.sampleRate, fps = m_settings.framesPerSecond;
    const uint64_t first = uint64_t{frame} * rate / fps;
    const uint64_t end = (uint64_t{frame} + 1) * rate / fps;
    // A little tune of quarter-second notes, each struck and fading.
    static constexpr double kNotes[8] = {523.25, 659.25, 783.99, 659.25,
                                         587.33, 698.46, 880.00, 698.46};
    const uint64_t noteLength = std::max<uint64_t>(1, rate / 4);
    m_audio.resize(end - first);
    for (uint64_t n = first; n < end; ++n) {
        const double frequency = kNotes[(n / noteLength) % 8];
        const double t = double(n % noteLength) / double(rate);
        const double envelope = std::min(1.0, t / 0.005) * std::exp(-5.0 * t);
        const double value =
            0.25 * 32767 * envelope * std::sin(2 * std::numbers::pi * frequency * t);
        m_audio[n - first] = static_cast<int16_t>(std::lround(value));
    }
}

}  // namespace mvddemo

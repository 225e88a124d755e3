#include "ScreenContent.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace mvdtest {

namespace {

constexpr int32_t kCellWidth = 7;
constexpr int32_t kCellHeight = 14;
constexpr int32_t kGlyphWidth = 5;
constexpr int32_t kGlyphHeight = 9;
constexpr int32_t kTextInset = 4;
constexpr uint8_t kFirstDigit = 16;  // character codes 16..25 are the digits 0..9
constexpr int kGlyphCount = 96;

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c) {
    uint64_t x = a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full ^
                 (c + 0x165667B19E3779F9ull) * 0xD6E8FEB86659FD93ull;
    x ^= x >> 32;
    x *= 0xD6E8FEB86659FD93ull;
    x ^= x >> 32;
    return static_cast<uint32_t>(x);
}

uint8_t Clamp8(int32_t v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

uint32_t Argb(int32_t r, int32_t g, int32_t b) {
    return 0xFF000000u | uint32_t{Clamp8(r)} << 16 | uint32_t{Clamp8(g)} << 8 | Clamp8(b);
}

int32_t Channel(uint32_t argb, int shift) {
    return static_cast<int32_t>(argb >> shift & 0xFF);
}

// Mixes a and b, t out of 256 parts of b.
uint32_t Mix(uint32_t a, uint32_t b, int32_t t) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int32_t v = (Channel(a, shift) * (256 - t) + Channel(b, shift) * t) >> 8;
        out |= static_cast<uint32_t>(v) << shift;
    }
    return out;
}

uint32_t Offset(uint32_t argb, int32_t delta) {
    return Argb(Channel(argb, 16) + delta, Channel(argb, 8) + delta, Channel(argb, 0) + delta);
}

// A small bitmap font: 5 x 9 glyphs whose rows come from a hash, with a
// blank top and bottom like lower-case letters of a real font.
using Glyph = std::array<uint8_t, kGlyphHeight>;
const std::array<Glyph, kGlyphCount>& Font() {
    static const std::array<Glyph, kGlyphCount> font = [] {
        std::array<Glyph, kGlyphCount> glyphs{};
        for (uint32_t c = 1; c < kGlyphCount; ++c) {
            const int32_t top = (c % 3 == 0) ? 0 : 3;  // ascenders on a third of them
            for (int32_t row = top; row < kGlyphHeight - 1; ++row) {
                uint8_t bits = static_cast<uint8_t>(Hash(c, static_cast<uint32_t>(row), 77) & 0x1F);
                if (bits == 0)
                    bits = 0x11;
                glyphs[c][static_cast<size_t>(row)] = bits;
            }
        }
        return glyphs;
    }();
    return font;
}

}  // namespace

ScreenRect ScreenRect::intersect(const ScreenRect& o) const {
    const int32_t left = std::max(x, o.x);
    const int32_t top = std::max(y, o.y);
    const int32_t right = std::min(x + width, o.x + o.width);
    const int32_t bottom = std::min(y + height, o.y + o.height);
    if (right <= left || bottom <= top)
        return {};
    return {left, top, right - left, bottom - top};
}

ScreenRect ScreenRect::unite(const ScreenRect& o) const {
    if (empty())
        return o;
    if (o.empty())
        return *this;
    const int32_t left = std::min(x, o.x);
    const int32_t top = std::min(y, o.y);
    const int32_t right = std::max(x + width, o.x + o.width);
    const int32_t bottom = std::max(y + height, o.y + o.height);
    return {left, top, right - left, bottom - top};
}

ScreenImage::ScreenImage(int32_t width, int32_t height, PixelOrder order, size_t rowBytes)
    : m_width(width), m_height(height), m_order(order) {
    if (width < 0 || height < 0)
        throw std::invalid_argument("negative picture size");
    const size_t line = static_cast<size_t>(width) * 4;
    m_rowBytes = rowBytes == 0 ? line : rowBytes;
    if (m_rowBytes < line)
        throw std::invalid_argument("row bytes shorter than a line");
    m_pixels.assign(m_rowBytes * static_cast<size_t>(height), 0);
}

uint32_t ScreenImage::pixel(int32_t x, int32_t y) const {
    const uint8_t* p = line(y) + static_cast<size_t>(x) * 4;
    if (m_order == PixelOrder::BGRA) {
        return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
    }
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void ScreenImage::setPixel(int32_t x, int32_t y, uint32_t argb) {
    uint8_t* p = line(y) + static_cast<size_t>(x) * 4;
    const uint8_t a = static_cast<uint8_t>(argb >> 24), r = static_cast<uint8_t>(argb >> 16),
                  g = static_cast<uint8_t>(argb >> 8), b = static_cast<uint8_t>(argb);
    if (m_order == PixelOrder::BGRA) {
        p[0] = b, p[1] = g, p[2] = r, p[3] = a;
    } else {
        p[0] = a, p[1] = r, p[2] = g, p[3] = b;
    }
}

void ScreenImage::fill(const ScreenRect& rect, uint32_t argb) {
    const ScreenRect r = rect.intersect(bounds());
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
        for (int32_t x = r.x; x < r.x + r.width; ++x)
            setPixel(x, y, argb);
    }
}

int64_t ScreenImage::countDifferences(const ScreenImage& other) const {
    if (other.m_width != m_width || other.m_height != m_height) {
        throw std::invalid_argument("pictures of different sizes");
    }
    int64_t count = 0;
    for (int32_t y = 0; y < m_height; ++y) {
        for (int32_t x = 0; x < m_width; ++x)
            count += pixel(x, y) != other.pixel(x, y);
    }
    return count;
}

namespace {
// A gradient over the whole of rect, drawn only where it meets clip.
void Gradient(ScreenImage& image, const ScreenRect& rect, const ScreenRect& clip, uint32_t from,
              uint32_t to, bool vertical) {
    const ScreenRect r = rect.intersect(clip).intersect(image.bounds());
    const int32_t span = std::max(1, (vertical ? rect.height : rect.width) - 1);
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
        for (int32_t x = r.x; x < r.x + r.width; ++x) {
            const int32_t along = vertical ? y - rect.y : x - rect.x;
            image.setPixel(x, y, Mix(from, to, along * 256 / span));
        }
    }
}
}  // namespace

void FillGradient(ScreenImage& image, const ScreenRect& rect, uint32_t from, uint32_t to,
                  bool vertical) {
    Gradient(image, rect, image.bounds(), from, to, vertical);
}

void FillNoise(ScreenImage& image, const ScreenRect& rect, uint32_t seed) {
    const ScreenRect r = rect.intersect(image.bounds());
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
        for (int32_t x = r.x; x < r.x + r.width; ++x) {
            image.setPixel(
                x, y, 0xFF000000u | Hash(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed));
        }
    }
}

ScreenContent::ScreenContent(int32_t width, int32_t height, uint32_t seed)
    : m_width(width), m_height(height), m_seed(seed), m_state(seed * 0x9E3779B97F4A7C15ull + 1) {
    const auto part = [](int32_t whole, int percent) { return whole * percent / 100; };
    const auto window = [&](int px, int py, int pw, int ph, Kind kind) {
        Window w{{part(width, px), part(height, py), std::max(part(width, pw), 24),
                  std::max(part(height, ph), 24)},
                 kind,
                 random(),
                 {},
                 0};
        m_windows.push_back(std::move(w));
    };
    window(4, 12, 40, 46, Kind::Chart);
    window(50, 7, 44, 52, Kind::Photo);
    window(14, 30, 56, 58, Kind::Text);
    Window& text = textWindow();
    const int32_t cols = columns(text);
    const int32_t shown = std::max(1, visibleLines(text) - 2);
    for (int32_t i = 0; i < shown; ++i) {
        text.lines.push_back(randomLine(
            static_cast<int32_t>(random() % static_cast<uint32_t>(std::max(cols - 1, 1)))));
    }
}

uint32_t ScreenContent::random() {
    m_state += 0x9E3779B97F4A7C15ull;
    uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

std::vector<uint8_t> ScreenContent::randomLine(int32_t length) {
    std::vector<uint8_t> line;
    while (static_cast<int32_t>(line.size()) < length) {
        const uint32_t word = 2 + random() % 8;
        for (uint32_t i = 0; i < word && static_cast<int32_t>(line.size()) < length; ++i) {
            line.push_back(static_cast<uint8_t>(30 + random() % (kGlyphCount - 30)));
        }
        if (static_cast<int32_t>(line.size()) < length)
            line.push_back(0);
    }
    return line;
}

ScreenContent::Window& ScreenContent::textWindow() {
    return m_windows[2];
}
ScreenContent::Window& ScreenContent::photoWindow() {
    return m_windows[1];
}

int32_t ScreenContent::titleHeight() const {
    return std::clamp(m_height / 30, 8, 20);
}

ScreenRect ScreenContent::body(const Window& window) const {
    const int32_t title = titleHeight();
    const ScreenRect& f = window.frame;
    return {f.x + 1, f.y + title, f.width - 2, f.height - title - 1};
}

int32_t ScreenContent::columns(const Window& window) const {
    return std::max(2, (body(window).width - 2 * kTextInset) / kCellWidth);
}

int32_t ScreenContent::visibleLines(const Window& window) const {
    return std::max(1, (body(window).height - kTextInset) / kCellHeight);
}

ScreenRect ScreenContent::textCell(const Window& window, int32_t line, int32_t column) const {
    const ScreenRect b = body(window);
    return {b.x + kTextInset + column * kCellWidth, b.y + 2 + (line - window.top) * kCellHeight,
            kCellWidth, kCellHeight};
}

ScreenRect ScreenContent::animationRect() const {
    const ScreenRect b = body(m_windows[1]);
    return ScreenRect{b.x + 8, b.y + 8, m_animation.width, m_animation.height}.intersect(b);
}

void ScreenContent::render(ScreenImage& image) const {
    draw(image, image.bounds());
}

ScreenRect ScreenContent::redraw(ScreenImage& image, const ScreenRect& rect) const {
    const ScreenRect clip = rect.intersect(image.bounds());
    if (!clip.empty())
        draw(image, clip);
    return clip;
}

void ScreenContent::draw(ScreenImage& image, const ScreenRect& clip) const {
    // Wallpaper: a diagonal gradient with a little grain.
    const uint32_t top = Argb(40 + m_seed % 60, 70, 120), bottom = Argb(20, 110, 90 + m_seed % 50);
    const int32_t span = std::max(1, m_width + m_height);
    for (int32_t y = clip.y; y < clip.y + clip.height; ++y) {
        for (int32_t x = clip.x; x < clip.x + clip.width; ++x) {
            const uint32_t base = Mix(top, bottom, (x + y) * 256 / span);
            const int32_t grain = static_cast<int32_t>(Hash(x, y, m_seed) % 5) - 2;
            image.setPixel(x, y, Offset(base, grain));
        }
    }
    // Menu bar with a clock.
    const ScreenRect menu{0, 0, m_width, std::clamp(m_height / 32, 6, 22)};
    Gradient(image, menu, clip, 0xFFF4F4F4, 0xFFDADADA, true);
    const ScreenRect menuClip = menu.intersect(clip);
    drawString(image, menuClip, 12, menu.y + 4, {40, 52, 0, 61, 45, 70, 0, 33, 57, 66}, 0xFF202020);
    std::vector<uint8_t> clock;
    for (uint32_t v = m_clock, i = 0; i < 6; ++i, v /= 10) {
        clock.insert(clock.begin(), static_cast<uint8_t>(kFirstDigit + v % 10));
    }
    drawString(image, menuClip, m_width - 60, menu.y + 4, clock, 0xFF202020);
    for (const Window& window : m_windows)
        drawWindow(image, clip, window);
    // Dock with icons.
    const int32_t dockHeight = std::clamp(m_height / 16, 6, 44);
    const ScreenRect dock{m_width / 5, m_height - dockHeight, m_width * 3 / 5, dockHeight};
    Gradient(image, dock, clip, 0xFF505A64, 0xFF2A3038, true);
    for (int32_t i = 0, x = dock.x + 6; x + dockHeight - 12 < dock.x + dock.width; ++i) {
        const ScreenRect icon{x, dock.y + 6, dockHeight - 12, dockHeight - 12};
        const uint32_t hue = Hash(static_cast<uint32_t>(i), m_seed, 5) | 0xFF000000u;
        Gradient(image, icon, clip, hue, Offset(hue, -60), true);
        x += dockHeight - 4;
    }
}

void ScreenContent::drawWindow(ScreenImage& image, const ScreenRect& clip,
                               const Window& window) const {
    const ScreenRect& f = window.frame;
    image.fill(f.intersect(clip), 0xFF6E6E6E);  // border
    const ScreenRect title{f.x + 1, f.y + 1, f.width - 2, titleHeight() - 1};
    Gradient(image, title, clip, 0xFFE8ECF2, 0xFFB8C2D0, true);
    const uint32_t buttons[3] = {0xFFEC5F57, 0xFFF5BE4F, 0xFF5FC454};
    for (int32_t i = 0; i < 3; ++i) {
        image.fill(ScreenRect{f.x + 8 + i * 14, f.y + 5, 8, 8}.intersect(title).intersect(clip),
                   buttons[i]);
    }
    drawString(image, title.intersect(clip), f.x + f.width / 2 - 30, f.y + 3,
               {34, 60, 71, 0, 50, 44, 80}, 0xFF303030);
    switch (window.kind) {
        case Kind::Text:
            return drawText(image, clip, window);
        case Kind::Photo:
            return drawPhoto(image, clip, window);
        case Kind::Chart:
            return drawChart(image, clip, window);
    }
}

void ScreenContent::drawText(ScreenImage& image, const ScreenRect& clip,
                             const Window& window) const {
    const ScreenRect b = body(window).intersect(clip);
    image.fill(b, 0xFFFFFFFF);
    const int32_t shown = visibleLines(window);
    const int32_t last = static_cast<int32_t>(window.lines.size());
    for (int32_t line = window.top; line < std::min(last, window.top + shown); ++line) {
        const ScreenRect cell = textCell(window, line, 0);
        drawString(image, b, cell.x, cell.y, window.lines[static_cast<size_t>(line)], 0xFF1A1A1A);
    }
    const int32_t caretLine = last - 1;
    if (caretLine >= window.top && caretLine < window.top + shown) {
        const ScreenRect cell =
            textCell(window, caretLine, static_cast<int32_t>(window.lines.back().size()));
        image.fill(ScreenRect{cell.x, cell.y + 1, 1, kCellHeight - 2}.intersect(b), 0xFF000000);
    }
}

void ScreenContent::drawPhoto(ScreenImage& image, const ScreenRect& clip,
                              const Window& window) const {
    const ScreenRect b = body(window);
    const ScreenRect area = b.intersect(clip);
    constexpr int32_t kLattice = 16;
    const auto corner = [&](int32_t gx, int32_t gy) {
        return Hash(static_cast<uint32_t>(gx), static_cast<uint32_t>(gy), window.seed);
    };
    for (int32_t y = area.y; y < area.y + area.height; ++y) {
        for (int32_t x = area.x; x < area.x + area.width; ++x) {
            // Value noise on a lattice, bilinear, with fine grain: a photograph.
            const int32_t lx = x - b.x, ly = y - b.y;
            const int32_t gx = lx / kLattice, gy = ly / kLattice;
            const int32_t fx = (lx % kLattice) * 16, fy = (ly % kLattice) * 16;
            const uint32_t c = Mix(Mix(corner(gx, gy), corner(gx + 1, gy), fx),
                                   Mix(corner(gx, gy + 1), corner(gx + 1, gy + 1), fx), fy);
            const int32_t grain = static_cast<int32_t>(Hash(x, y, window.seed) % 13) - 6;
            image.setPixel(x, y, Offset(c | 0xFF000000u, grain));
        }
    }
    drawAnimation(image, clip);
}

// The animated area changes completely with every tick: a panel whose
// colours, progress bar and text change, or video with grain.
void ScreenContent::drawAnimation(ScreenImage& image, const ScreenRect& clip) const {
    const ScreenRect area = animationRect();
    const ScreenRect visible = area.intersect(clip);
    const uint32_t hue = Hash(m_tick, m_seed, 9) | 0xFF000000u;
    if (m_region == Region::Panel) {
        Gradient(image, area, clip, Mix(hue, 0xFFFFFFFF, 200), Mix(hue, 0xFFFFFFFF, 120), true);
        const int32_t progress = static_cast<int32_t>(m_tick * 7) % std::max(area.width - 8, 1);
        image.fill(ScreenRect{area.x + 4, area.y + 4, progress, 6}.intersect(visible), 0xFF3C9A3C);
        for (int32_t y = area.y + 14, line = 0; y + kCellHeight <= area.y + area.height;
             y += kCellHeight, ++line) {
            std::vector<uint8_t> text(
                static_cast<size_t>(std::max(area.width / kCellWidth - 1, 0)));
            for (size_t i = 0; i < text.size(); ++i) {
                const uint32_t h =
                    Hash(m_tick, static_cast<uint32_t>(line), static_cast<uint32_t>(i));
                text[i] = h % 7 == 0 ? 0 : static_cast<uint8_t>(30 + h % 66);
            }
            drawString(image, visible, area.x + 3, y, text, 0xFF202020);
        }
        return;
    }
    for (int32_t y = visible.y; y < visible.y + visible.height; ++y) {
        for (int32_t x = visible.x; x < visible.x + visible.width; ++x) {
            const int32_t t = ((x + y + static_cast<int32_t>(m_tick) * 3) & 63) * 4;
            const int32_t grain = static_cast<int32_t>(Hash(x, y, m_tick) % 9) - 4;
            image.setPixel(x, y, Offset(Mix(hue, 0xFF101010, t), grain));
        }
    }
}

void ScreenContent::drawChart(ScreenImage& image, const ScreenRect& clip,
                              const Window& window) const {
    const ScreenRect b = body(window);
    Gradient(image, b, clip, 0xFFFFFFFF, 0xFFE4EAF0, true);
    for (int32_t y = b.y + 20; y < b.y + b.height; y += 20) {
        image.fill(ScreenRect{b.x, y, b.width, 1}.intersect(clip), 0xFFC8D0D8);
    }
    const int32_t bars = 8;
    const int32_t slot = std::max(1, b.width / (bars + 1));
    for (int32_t i = 0; i < bars; ++i) {
        const uint32_t h = Hash(static_cast<uint32_t>(i), window.seed, 3);
        const int32_t barHeight =
            static_cast<int32_t>(h % static_cast<uint32_t>(std::max(1, b.height - 10)));
        const ScreenRect bar{b.x + slot / 2 + i * slot, b.y + b.height - barHeight, slot * 2 / 3,
                             barHeight};
        image.fill(bar.intersect(b).intersect(clip), Argb(40 + i * 25, 90, 200 - i * 15));
    }
}

void ScreenContent::drawString(ScreenImage& image, const ScreenRect& clip, int32_t x, int32_t y,
                               const std::vector<uint8_t>& text, uint32_t ink) const {
    const ScreenRect area = clip.intersect(image.bounds());
    const uint32_t halo = Mix(ink, 0xFFFFFFFF, 150);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == 0 || text[i] >= kGlyphCount)
            continue;
        const Glyph& glyph = Font()[text[i]];
        const int32_t gx = x + static_cast<int32_t>(i) * kCellWidth + 1;
        for (int32_t row = 0; row < kGlyphHeight; ++row) {
            const uint32_t bits = glyph[static_cast<size_t>(row)];
            for (int32_t col = -1; col <= kGlyphWidth; ++col) {
                const auto on = [&](int32_t c) {
                    return c >= 0 && c < kGlyphWidth && (bits >> (kGlyphWidth - 1 - c) & 1) != 0;
                };
                const int32_t px = gx + col, py = y + 3 + row;
                if (px < area.x || py < area.y || px >= area.x + area.width ||
                    py >= area.y + area.height) {
                    continue;
                }
                if (on(col)) {
                    image.setPixel(px, py, ink);
                } else if (on(col - 1) || on(col + 1)) {
                    image.setPixel(px, py, halo);  // the soft edge of smoothed text
                }
            }
        }
    }
}

ScreenRect ScreenContent::typeText(ScreenImage& image, int characters) {
    Window& text = textWindow();
    const int32_t cols = columns(text);
    const int32_t shown = visibleLines(text);
    const auto caretCell = [&] {
        return textCell(text, static_cast<int32_t>(text.lines.size()) - 1,
                        static_cast<int32_t>(text.lines.back().size()));
    };
    ScreenRect changed = caretCell();
    const int32_t oldTop = text.top;
    for (int i = 0; i < characters; ++i) {
        if (static_cast<int32_t>(text.lines.back().size()) >= cols - 1)
            text.lines.emplace_back();
        const bool space = random() % 6 == 0;
        text.lines.back().push_back(space ? 0 : static_cast<uint8_t>(30 + random() % 66));
        text.top = std::max(text.top, static_cast<int32_t>(text.lines.size()) - shown);
        changed = changed.unite(caretCell());
    }
    if (text.top != oldTop)
        changed = body(text);  // the text scrolled to keep the caret shown
    return redraw(image, changed.intersect(body(text)));
}

ScreenRect ScreenContent::scroll(ScreenImage& image, int lines) {
    Window& text = textWindow();
    for (int i = 0; i < lines; ++i) {
        text.lines.push_back(randomLine(static_cast<int32_t>(
            random() % static_cast<uint32_t>(std::max(columns(text) - 1, 1)))));
    }
    text.top = std::max(0, static_cast<int32_t>(text.lines.size()) - visibleLines(text));
    return redraw(image, body(text));
}

ScreenRect ScreenContent::moveWindow(ScreenImage& image, int32_t dx, int32_t dy) {
    Window& window = m_windows[random() % m_windows.size()];
    const ScreenRect before = window.frame;
    window.frame.x = std::clamp(window.frame.x + dx, 20 - window.frame.width, m_width - 20);
    window.frame.y = std::clamp(window.frame.y + dy, 0, m_height - 20);
    return redraw(image, before.unite(window.frame));
}

ScreenRect ScreenContent::redrawRegion(ScreenImage& image, int32_t width, int32_t height,
                                       Region content) {
    const ScreenRect before = animationRect();
    m_animation = {0, 0, std::max(width, 0), std::max(height, 0)};
    m_region = content;
    ++m_tick;
    return redraw(image, before.unite(animationRect()));
}

ScreenRect ScreenContent::tickClock(ScreenImage& image) {
    ++m_clock;
    return redraw(image, {m_width - 60, 0, 6 * kCellWidth + 2, std::clamp(m_height / 32, 6, 22)});
}

ScreenRect ScreenContent::nextFrame(ScreenImage& image) {
    const uint32_t pick = random() % 100;
    if (pick < 55)
        return typeText(image, 1 + static_cast<int>(random() % 6));
    if (pick < 68)
        return tickClock(image).unite(typeText(image, 1));
    if (pick < 82) {
        const auto side = static_cast<int32_t>(48 + random() % 112);
        return redrawRegion(image, side, side, random() % 3 ? Region::Panel : Region::Video);
    }
    if (pick < 92)
        return scroll(image, 1 + static_cast<int>(random() % 3));
    if (pick < 97) {
        const auto step = [&] { return static_cast<int32_t>(random() % 41) - 20; };
        const int32_t dx = step();
        return moveWindow(image, dx, step());
    }
    return {};
}

}  // namespace mvdtest

#include "support/Corpus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace mvdtest {

namespace {

std::string CorpusDir() {
    if (const char* dir = std::getenv("MVD_CORPUS_DIR"))
        return dir;
    return std::string(MVD_BENCH_SOURCE_DIR) + "/corpus";
}

// Changed pixels of one tile row band [y0, y1) in columns [x0, x1).
int64_t CountChanged(const uint8_t* before, const uint8_t* after, size_t rowBytes, int32_t x0,
                     int32_t x1, int32_t y0, int32_t y1) {
    int64_t changed = 0;
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* a = before + static_cast<size_t>(y) * rowBytes;
        const uint8_t* b = after + static_cast<size_t>(y) * rowBytes;
        for (int32_t x = x0; x < x1; ++x)
            changed += std::memcmp(a + 4 * x, b + 4 * x, 4) != 0;
    }
    return changed;
}

bool TileChanged(const uint8_t* before, const uint8_t* after, size_t rowBytes, int32_t x0,
                 int32_t x1, int32_t y0, int32_t y1) {
    const size_t offset = static_cast<size_t>(x0) * 4;
    const size_t bytes = static_cast<size_t>(x1 - x0) * 4;
    for (int32_t y = y0; y < y1; ++y) {
        const size_t line = static_cast<size_t>(y) * rowBytes + offset;
        if (std::memcmp(before + line, after + line, bytes) != 0)
            return true;
    }
    return false;
}

}  // namespace

std::vector<ScreenRect> DirtyTiles(const uint8_t* before, const uint8_t* after, size_t rowBytes,
                                   int32_t width, int32_t height, int32_t tile,
                                   int64_t* changedPixels) {
    std::vector<ScreenRect> done;
    std::vector<ScreenRect> open;  // runs of the tile row above, still growing downwards
    for (int32_t y0 = 0; y0 < height; y0 += tile) {
        const int32_t y1 = std::min(height, y0 + tile);
        std::vector<ScreenRect> row;
        for (int32_t x0 = 0; x0 < width; x0 += tile) {
            const int32_t x1 = std::min(width, x0 + tile);
            if (!TileChanged(before, after, rowBytes, x0, x1, y0, y1))
                continue;
            if (changedPixels)
                *changedPixels += CountChanged(before, after, rowBytes, x0, x1, y0, y1);
            if (!row.empty() && row.back().x + row.back().width == x0)
                row.back().width += x1 - x0;
            else
                row.push_back({x0, y0, x1 - x0, y1 - y0});
        }
        std::vector<ScreenRect> next;
        for (ScreenRect run : row) {
            for (auto it = open.begin(); it != open.end(); ++it) {
                if (it->x == run.x && it->width == run.width) {
                    run = {run.x, it->y, run.width, y1 - it->y};
                    open.erase(it);
                    break;
                }
            }
            next.push_back(run);
        }
        done.insert(done.end(), open.begin(), open.end());
        open = std::move(next);
    }
    done.insert(done.end(), open.begin(), open.end());
    return done;
}

std::string Corpus::PathFor(int32_t width, int32_t height) {
    return CorpusDir() + "/desktop-" + std::to_string(width) + "x" + std::to_string(height) +
           ".mkv";
}

std::optional<Corpus> Corpus::Load(int32_t width, int32_t height, size_t maxFrames, size_t skip) {
    if (const char* frames = std::getenv("MVD_CORPUS_FRAMES"))
        maxFrames = static_cast<size_t>(std::strtoul(frames, nullptr, 10));
    const std::string path = PathFor(width, height);
    std::error_code ignored;
    if (maxFrames < 2 || !std::filesystem::is_regular_file(path, ignored))
        return std::nullopt;
    Corpus corpus(width, height);
    if (!corpus.read(path, maxFrames, skip))
        return std::nullopt;
    corpus.findDirtyRects();
    return corpus;
}

Corpus Corpus::Generate(int32_t width, int32_t height, size_t frames, uint32_t seed) {
    Corpus corpus(width, height);
    corpus.m_path = "generated";
    corpus.m_pixels.resize(corpus.frameBytes() * std::max<size_t>(frames, 2));
    corpus.m_dirty.resize(std::max<size_t>(frames, 2));
    ScreenImage image(width, height);
    ScreenContent screen(width, height, seed);
    screen.render(image);
    for (size_t i = 0; i < corpus.size(); ++i) {
        if (i > 0)
            screen.nextFrame(image);
        std::memcpy(corpus.frame(i), image.data(), corpus.frameBytes());
    }
    corpus.findDirtyRects();
    return corpus;
}

bool Corpus::read(const std::string& path, size_t maxFrames, size_t skip) {
    const std::string command = "ffmpeg -nostdin -v error -i '" + path + "' -vf 'select=gte(n\\," +
                                std::to_string(skip) + ")' -vsync 0 -frames:v " +
                                std::to_string(maxFrames) +
                                " -f rawvideo -pix_fmt bgra - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return false;
    m_path = path;
    m_pixels.resize(frameBytes() * maxFrames);
    size_t frames = 0;
    while (frames < maxFrames &&
           std::fread(m_pixels.data() + frames * frameBytes(), frameBytes(), 1, pipe) == 1) {
        ++frames;
    }
    pclose(pipe);
    m_pixels.resize(frames * frameBytes());
    m_pixels.shrink_to_fit();
    m_dirty.resize(frames);
    return frames >= 2;
}

void Corpus::findDirtyRects() {
    m_dirty[0] = {{0, 0, m_width, m_height}};
    int64_t changed = 0;
    size_t unchanged = 0;
    for (size_t i = 1; i < size(); ++i) {
        m_dirty[i] =
            DirtyTiles(frame(i - 1), frame(i), rowBytes(), m_width, m_height, kTile, &changed);
        unchanged += m_dirty[i].empty();
    }
    const double steps = static_cast<double>(size() - 1);
    m_changedPercent =
        100.0 * static_cast<double>(changed) / steps / (static_cast<double>(m_width) * m_height);
    m_unchangedFramesPercent = 100.0 * static_cast<double>(unchanged) / steps;
}

}  // namespace mvdtest

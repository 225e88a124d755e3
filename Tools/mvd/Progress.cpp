#include "Progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace mvd {

namespace {

bool& Disabled() {
    static bool disabled = false;
    return disabled;
}

}  // namespace

void Progress::disable() {
    Disabled() = true;
}

Progress::Progress(std::string label, uint64_t total)
    : m_label(std::move(label)),
      m_total(total),
      m_shown(!Disabled() && ::isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
    finish();
}

void Progress::update(uint64_t done) {
    m_done = m_total == 0 ? done : std::min(done, m_total);
    if (!m_shown) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (m_drawn && (m_total == 0 || m_done < m_total) &&
        now - m_last < std::chrono::milliseconds(100)) {
        return;
    }
    m_last = now;
    draw();
}

void Progress::draw() {
    if (m_total == 0) {
        // An unknown amount of work: only the count.
        std::fprintf(stderr, "\r%-24.24s %llu", m_label.c_str(),
                     static_cast<unsigned long long>(m_done));
        std::fflush(stderr);
        m_drawn = true;
        return;
    }
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(m_done * kWidth / m_total);
    const unsigned percent = static_cast<unsigned>(m_done * 100 / m_total);
    std::fprintf(stderr, "\r%-24.24s [%s%s] %3u%% %llu/%llu", m_label.c_str(),
                 std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(kWidth - filled), '.').c_str(), percent,
                 static_cast<unsigned long long>(m_done), static_cast<unsigned long long>(m_total));
    std::fflush(stderr);
    m_drawn = true;
}

void Progress::finish() {
    if (m_drawn) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_drawn = false;
    }
}

}  // namespace mvd

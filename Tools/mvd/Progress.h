// A progress bar on standard error for long work, drawn only when standard
// error is a terminal, so that scripts and logs stay quiet.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace mvd {

class Progress {
  public:
    // A total of 0 stands for an unknown amount: only the count is shown.
    Progress(std::string label, uint64_t total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Moves the bar to `done` of the total (redrawn at most ten times a
    // second).
    void update(uint64_t done);
    // Clears the bar's line.
    void finish();

    // Off for every bar, whatever the terminal (the --quiet option).
    static void disable();

  private:
    void draw();

    std::string m_label;
    uint64_t m_total;
    uint64_t m_done = 0;
    bool m_shown;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_last;
};

}  // namespace mvd

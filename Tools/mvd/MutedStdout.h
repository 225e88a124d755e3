// Parts of the library print hints for its developers on standard output
// (one line per frame when a pixel buffer has to be converted); the tool's
// standard output carries its own results, so those lines are dropped while
// such a call runs.
#pragma once

namespace mvd {

class MutedStdout {
  public:
    MutedStdout();
    ~MutedStdout();
    MutedStdout(const MutedStdout&) = delete;
    MutedStdout& operator=(const MutedStdout&) = delete;

  private:
    int m_saved = -1;
};

}  // namespace mvd

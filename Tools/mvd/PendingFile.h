// A file written under a temporary name beside its final one and moved into
// place only when the work succeeded, so that a failed command neither
// leaves a half-written file nor destroys one that was already there.
#pragma once

#include <string>

namespace mvd {

class PendingFile {
  public:
    explicit PendingFile(std::string finalPath);
    // Removes the temporary file unless it was kept.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Where to write meanwhile: the final name with ".part" added.
    const std::string& path() const { return m_temporary; }
    // Moves the written file to its final name (ToolError when it cannot).
    void keep();

  private:
    std::string m_final;
    std::string m_temporary;
    bool m_kept = false;
};

}  // namespace mvd

// Readable descriptions of the library's files, for `mvd info`.  Each
// throws (ToolError or the library's exceptions) when the file is damaged.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace mvd {

struct InspectOptions {
    bool list = false;  // one line per frame, sample or tag
};

// How many frames a file holds and how long they last: a capture file's
// frames, a movie's first video track, an SWF file's header.
struct MediaSummary {
    uint64_t frames = 0;
    double seconds = 0;
};

MediaSummary SummarizeCapture(const std::string& path);
MediaSummary SummarizeMovie(const std::string& path);
MediaSummary SummarizeSwf(const std::string& path);
// By the file's first bytes.
MediaSummary SummarizeFile(const std::string& path);

void DescribeCapture(const std::string& path, const InspectOptions& options, std::ostream& out);
void DescribeMovie(const std::string& path, const InspectOptions& options, std::ostream& out);
void DescribeSwf(const std::string& path, const InspectOptions& options, std::ostream& out);
void DescribeRecovery(const std::string& path, const InspectOptions& options, std::ostream& out);

}  // namespace mvd

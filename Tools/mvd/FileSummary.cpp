#include "FileKind.h"
#include "Inspectors.h"
#include "ToolError.h"

namespace mvd {

MediaSummary SummarizeFile(const std::string& path) {
    switch (DetectFileKind(path)) {
        case FileKind::capture:
            return SummarizeCapture(path);
        case FileKind::movie:
            return SummarizeMovie(path);
        case FileKind::swf:
            return SummarizeSwf(path);
        default:
            throw ToolError("recovery files hold no frames of their own");
    }
}

}  // namespace mvd

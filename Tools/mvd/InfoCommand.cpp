// mvd info FILE: describes any of the library's files, told by its first
// bytes.
#include <iostream>
#include <sstream>

#include "ArgParser.h"
#include "Commands.h"
#include "FileKind.h"
#include "Inspectors.h"
#include "Progress.h"
#include "ToolError.h"

namespace mvd {

int RunInfo(const Arguments& args) {
    ArgParser parser("mvd info",
                     "Describes a capture file (.mvrc), a QuickTime movie (.mov), an SWF file\n"
                     "or a movie's recovery file in readable form.  The kind of file is told by "
                     "its first bytes.\n"
                     "The whole file is read, so a damaged file is reported as an error.");
    parser.positional("FILE", "the file to describe")
        .flag("--list", "also list every frame, sample or tag")
        .flag("--quiet", "no progress bar while a capture file is read");
    if (!parser.parse(args)) {
        return kExitSuccess;
    }
    if (parser.given("--quiet")) {
        Progress::disable();
    }
    const std::string path = parser.argument("FILE");
    ErrorContext context(path);
    InspectOptions options;
    options.list = parser.given("--list");
    // The description is printed only once the whole file has been read.
    std::ostringstream out;
    switch (DetectFileKind(path)) {
        case FileKind::capture:
            DescribeCapture(path, options, out);
            break;
        case FileKind::movie:
            DescribeMovie(path, options, out);
            break;
        case FileKind::swf:
            DescribeSwf(path, options, out);
            break;
        case FileKind::recovery:
            DescribeRecovery(path, options, out);
            break;
    }
    std::cout << out.str() << std::flush;
    if (!std::cout) {
        throw ToolError("cannot write to standard output");
    }
    return kExitSuccess;
}

}  // namespace mvd

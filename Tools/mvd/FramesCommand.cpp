// mvd frames FILE DIR: writes chosen frames of a capture file or a movie's
// video track as PNG images.
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "ArgParser.h"
#include "Commands.h"
#include "FrameList.h"
#include "FrameSource.h"
#include "PngWriter.h"
#include "Progress.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

namespace {

std::string FrameFileName(const std::string& dir, uint64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06llu.png", static_cast<unsigned long long>(frame));
    return (std::filesystem::path(dir) / name).string();
}

}  // namespace

int RunFrames(const Arguments& args) {
    ArgParser parser("mvd frames",
                     "Writes frames of a capture file (with its cursor drawn) or of a movie's\n"
                     "video track ('raw ', 'rle ' or 'mvdk') as PNG images named\n"
                     "frame-NNNNNN.png, numbered from 0.  DIR is created when missing.");
    parser.positional("FILE", "a capture file or a movie")
        .positional("DIR", "the folder for the images")
        .option("--frames", "LIST", "frames to write: all, or e.g. 0,10-20,150-", "all")
        .option("--track", "ID", "the movie's video track to read (default: the first)")
        .flag("--alpha", "keep the alpha channel (RGBA images; default RGB)")
        .flag("--quiet", "no progress bar");
    if (!parser.parse(args)) {
        return kExitSuccess;
    }
    if (parser.given("--quiet")) {
        Progress::disable();
    }
    const FrameList frames = FrameList::Parse(parser.value("--frames"));
    FrameSourceOptions options;
    options.trackID = static_cast<uint32_t>(parser.number("--track", 1, UINT32_MAX).value_or(0));
    const std::string path = parser.argument("FILE");
    const std::string dir = parser.argument("DIR");
    const bool alpha = parser.given("--alpha");

    std::unique_ptr<FrameSource> source;
    {
        ErrorContext context(path);
        source = OpenFrameSource(path, options);
    }
    {
        ErrorContext context(dir);
        std::filesystem::create_directories(dir);
    }
    const std::optional<uint64_t> last = frames.last();
    Progress progress("writing frames", last ? *last + 1 : source->frameCount().value_or(0));
    uint64_t index = 0, written = 0;
    while (!last || index <= *last) {
        bool more = false;
        {
            ErrorContext context(path + ": frame " + std::to_string(index));
            more = source->next();
        }
        if (!more) {
            break;
        }
        if (frames.contains(index)) {
            WritePng(FrameFileName(dir, index), source->image(), alpha);
            ++written;
        }
        progress.update(++index);
    }
    progress.finish();
    if (const auto missing = frames.firstMissing(index)) {
        ErrorContext context(path);
        throw ToolError("asked for frame " + std::to_string(*missing) + " but the file has " +
                        Plural(index, "frame", "frames"));
    }
    std::cout << "wrote " << Plural(written, "image", "images") << " to " << dir << "\n";
    return kExitSuccess;
}

}  // namespace mvd

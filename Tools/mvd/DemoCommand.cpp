// mvd demo [DIR]: draws the built-in desktop session and records it through
// every path at once, then reads each file back and prints what it wrote.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "ArgParser.h"
#include "Commands.h"
#include "DemoRecorders.h"
#include "DemoScene.h"
#include "Inspectors.h"
#include "Progress.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Output {
    std::unique_ptr<DemoRecorder> recorder;
    std::string path;
    double seconds = 0;
};

mvddemo::DemoSettings ReadSettings(const ArgParser& parser) {
    mvddemo::DemoSettings settings;
    const std::string size = parser.value("--size");
    unsigned width = 0, height = 0;
    char extra = 0;
    if (std::sscanf(size.c_str(), "%ux%u%c", &width, &height, &extra) != 2 || width < 64 ||
        height < 64 || width > 4096 || height > 4096) {
        throw UsageError("--size needs WIDTHxHEIGHT with sides from 64 to 4096, not \"" + size +
                         "\"");
    }
    settings.width = static_cast<int32_t>(width);
    settings.height = static_cast<int32_t>(height);
    settings.framesPerSecond = static_cast<uint32_t>(*parser.number("--fps", 1, 60));
    if (parser.given("--frames") && parser.given("--seconds")) {
        throw UsageError("give --frames or --seconds, not both");
    }
    if (parser.given("--frames")) {
        settings.frameCount = static_cast<uint32_t>(*parser.number("--frames", 1, 100000));
    } else {
        const double seconds = *parser.decimal("--seconds", 0.1, 3600);
        settings.frameCount =
            std::max<uint32_t>(1, static_cast<uint32_t>(seconds * settings.framesPerSecond + 0.5));
    }
    return settings;
}

void PrintTable(const std::vector<Output>& outputs, const mvddemo::DemoSettings& settings) {
    const double rawFrame = double(settings.width) * settings.height * 4;
    std::printf("\n%-22s %7s %11s %11s %8s %8s\n", "file", "frames", "duration", "size", "of raw",
                "seconds");
    for (const Output& o : outputs) {
        ErrorContext context(o.path);
        const MediaSummary summary = SummarizeFile(o.path);
        const uint64_t size = std::filesystem::file_size(o.path);
        char share[32] = "-";
        if (summary.frames > 0) {
            std::snprintf(share, sizeof share, "%.2f%%",
                          100.0 * double(size) / (rawFrame * double(summary.frames)));
        }
        std::printf("%-22s %7llu %11s %11s %8s %8.2f\n", o.recorder->fileName().c_str(),
                    static_cast<unsigned long long>(summary.frames),
                    FormatSeconds(summary.seconds).c_str(), FormatBytes(size).c_str(), share,
                    o.seconds);
    }
    std::printf("\nTo look at them:\n");
    for (const Output& o : outputs) {
        std::string hint = o.recorder->viewHint();
        for (size_t at = hint.find("%s"); at != std::string::npos; at = hint.find("%s", at)) {
            hint.replace(at, 2, o.path);
            at += o.path.size();
        }
        std::printf("  %-22s %s\n", o.recorder->fileName().c_str(), hint.c_str());
    }
}

}  // namespace

int RunDemo(const Arguments& args) {
    ArgParser parser("mvd demo",
                     "Draws a built-in desktop session (an editor in which a note is typed with\n"
                     "glyphs of a system font, a scrolling build log, a window dragged across the\n"
                     "screen, a cursor with a soft shadow, a tone and captions) and records it\n"
                     "through every path of the library at once: a capture file, a movie\n"
                     "written live with its recovery file, the capture converted into a movie,\n"
                     "a movie of capture records and an SWF movie with its controller.  Each\n"
                     "file is then read back and a table shows what was written and how long\n"
                     "each path took.");
    parser.positional("DIR", "the folder for the files (created when missing)", true)
        .option("--seconds", "N", "length of the session", "20")
        .option("--frames", "N", "number of frames, in place of --seconds")
        .option("--fps", "N", "frames per second", "10")
        .option("--size", "WxH", "frame size", "1280x720")
        .flag("--quiet", "no progress bar");
    if (!parser.parse(args)) {
        return kExitSuccess;
    }
    if (parser.given("--quiet")) {
        Progress::disable();
    }
    const mvddemo::DemoSettings settings = ReadSettings(parser);
    std::string dir = parser.argument("DIR");
    if (dir.empty()) {
        dir = "mvd-demo";
    }
    {
        ErrorContext context(dir);
        std::filesystem::create_directories(dir);
    }

    mvddemo::DemoScene scene(settings);
    std::vector<Output> outputs;
    outputs.push_back({MakeCaptureRecorder(), "", 0});
    const std::string capturePath =
        (std::filesystem::path(dir) / outputs.back().recorder->fileName()).string();
    outputs.push_back({MakeLiveMovieRecorder(), "", 0});
    outputs.push_back({MakeConvertedMovieRecorder(capturePath), "", 0});
    outputs.push_back({MakeCaptureMovieRecorder(), "", 0});
    outputs.push_back({MakeSwfRecorder(), "", 0});
    for (Output& o : outputs) {
        o.path = (std::filesystem::path(dir) / o.recorder->fileName()).string();
    }

    std::printf("Recording %u frames of %d x %d at %u fps (%s) into %s\nFonts: %s\n",
                settings.frameCount, settings.width, settings.height, settings.framesPerSecond,
                FormatSeconds(double(settings.frameCount) / settings.framesPerSecond).c_str(),
                dir.c_str(), scene.fontFamilies().c_str());
    std::fflush(stdout);
    auto timed = [](Output& o, auto&& work) {
        ErrorContext context(o.path);
        const auto start = Clock::now();
        work(*o.recorder);
        o.seconds += Since(start);
    };
    for (Output& o : outputs) {
        timed(o, [&](DemoRecorder& r) { r.begin(scene, o.path); });
    }
    double drawing = 0;
    Progress progress("recording", settings.frameCount);
    for (;;) {
        const auto start = Clock::now();
        if (!scene.next()) {
            break;
        }
        drawing += Since(start);
        for (Output& o : outputs) {
            timed(o, [&](DemoRecorder& r) { r.frame(scene); });
        }
        progress.update(scene.frameNumber() + 1);
    }
    for (Output& o : outputs) {
        timed(o, [](DemoRecorder& r) { r.end(); });
    }
    progress.finish();
    std::printf("Drawing the session took %.2f s.\n", drawing);
    PrintTable(outputs, settings);
    return kExitSuccess;
}

}  // namespace mvd

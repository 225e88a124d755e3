// mvd convert CAPTURE.mvrc OUT.mov: converts a capture file into a
// QuickTime movie (lossless Animation video, the cursor drawn in).
#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include "ArgParser.h"
#include "Capture/MVRCReader.h"
#include "Commands.h"
#include "FileKind.h"
#include "Inspectors.h"
#include "MutedStdout.h"
#include "PendingFile.h"
#include "Progress.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

namespace {

// The conversion runs in one library call; while it does, the bar shows how
// much of the movie has been written.
class GrowthWatch {
  public:
    explicit GrowthWatch(const std::string& path)
        : m_progress("converting (KiB written)", 0), m_thread([this, path] { watch(path); }) {}
    ~GrowthWatch() {
        m_stop = true;
        m_thread.join();
        m_progress.finish();
    }
    GrowthWatch(const GrowthWatch&) = delete;
    GrowthWatch& operator=(const GrowthWatch&) = delete;

  private:
    void watch(const std::string& path) {
        while (!m_stop) {
            std::error_code error;
            const uintmax_t size = std::filesystem::file_size(path, error);
            if (!error) {
                m_progress.update(size / 1024);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    Progress m_progress;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace

int RunConvert(const Arguments& args) {
    ArgParser parser("mvd convert",
                     "Converts a capture file into a QuickTime movie: one lossless Animation\n"
                     "('rle ') video track showing each capture frame upright with its cursor.\n"
                     "The movie is written beside OUT.mov and moved into place when complete,\n"
                     "so a failed conversion leaves no file behind.");
    parser.positional("CAPTURE.mvrc", "the capture file")
        .positional("OUT.mov", "the movie to write")
        .flag("--salvage",
              "for a capture file that is damaged or cut short, keep the movie of every\n"
              "                        complete frame before the damage (a warning names it)")
        .flag("--quiet", "no progress bar")
        .epilogue("example: mvd convert session.mvrc session.mov");
    if (!parser.parse(args)) {
        return kExitSuccess;
    }
    if (parser.given("--quiet")) {
        Progress::disable();
    }
    const std::string input = parser.argument("CAPTURE.mvrc");
    const std::string output = parser.argument("OUT.mov");
    RequireFileKind(input, FileKind::capture);

    PendingFile movie(output);
    std::string damage;
    {
        // The reader's damage is caught here and named after the capture;
        // anything else thrown comes from writing the movie.
        ErrorContext context(output);
        GrowthWatch watch(movie.path());
        MVRCReader reader;
        try {
            MutedStdout muted;
            reader.convertToMOV(input.c_str(), movie.path().c_str());
        } catch (const MVRCReaderException&) {
            damage = DescribeCurrentException();
        } catch (int) {
            damage = DescribeCurrentException();
        }
    }
    // A damaged capture still leaves a finished movie of the frames before
    // the damage (none when the header itself was refused).
    MediaSummary written;
    if (!damage.empty() && !std::filesystem::exists(movie.path())) {
        throw ToolError(input + ": " + damage);
    }
    {
        ErrorContext context(output);
        written = SummarizeMovie(movie.path());
    }
    if (!damage.empty()) {
        const std::string complete = Plural(written.frames, "complete frame", "complete frames");
        if (written.frames == 0) {
            throw ToolError(input + ": " + damage + " (no complete frame before it)");
        }
        if (!parser.given("--salvage")) {
            throw ToolError(input + ": " + damage + " (--salvage keeps the " + complete +
                            " before it)");
        }
        std::cerr << "mvd convert: warning: " << input << ": " << damage << "; kept the "
                  << complete << " before it\n";
    }
    movie.keep();
    std::cout << "wrote " << output << ": " << Plural(written.frames, "frame", "frames") << ", "
              << FormatSeconds(written.seconds) << "\n";
    return kExitSuccess;
}

}  // namespace mvd

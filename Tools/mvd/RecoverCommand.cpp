// mvd recover INDEX DATA OUT.mov: rebuilds a movie whose recording ended
// without being finished, from its recovery file and the samples in the
// broken movie file.
#include <filesystem>
#include <iostream>
#include <memory>

#include "ArgParser.h"
#include "Commands.h"
#include "FileKind.h"
#include "Inspectors.h"
#include "PendingFile.h"
#include "Progress.h"
#include "QuickTime/QTRecovery.h"
#include "TextFormat.h"
#include "ToolError.h"

namespace mvd {

namespace {

struct ReleaseRecovery {
    void operator()(QTRecovery* recovery) const { recovery->release(); }
};
using RecoveryHandle = std::unique_ptr<QTRecovery, ReleaseRecovery>;

RecoveryHandle OpenRecovery(const std::string& index, const std::string& data,
                            const std::string& movie) {
    QTRecovery* recovery = new QTRecovery(index, data, movie);
    recovery->retain();
    return RecoveryHandle(recovery);
}

// The new movie must not overwrite what it is rebuilt from.
void RequireDistinct(const std::string& output, const std::string& input) {
    std::error_code error;
    if (std::filesystem::equivalent(output, input, error)) {
        throw UsageError("OUT.mov is " + input + ", one of the files the movie is rebuilt from");
    }
}

// The samples are copied from the data file, so one without bytes cannot
// give any.
uint64_t DataFileSize(const std::string& path) {
    ErrorContext context(path);
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        throw ToolError("cannot read the file: " + error.message());
    }
    if (size == 0) {
        throw ToolError("the file is empty, so it holds no samples");
    }
    return size;
}

}  // namespace

int RunRecover(const Arguments& args) {
    ArgParser parser("mvd recover",
                     "Rebuilds a movie whose recording ended without being finished (a crash,\n"
                     "a power cut): the recovery file written beside it lists every sample\n"
                     "and track, and the samples are copied from the broken movie file.  A\n"
                     "last record cut off by the crash is left out.  When a record in the\n"
                     "middle is damaged, the movie of the records before it is still written,\n"
                     "and the damage is reported with exit status 1.");
    parser.positional("INDEX", "the recovery file (the movie's name with .rcvr added)")
        .positional("DATA", "the broken movie file holding the samples")
        .positional("OUT.mov", "the movie to write")
        .flag("--quiet", "no progress bar")
        .epilogue("example: mvd recover talk.mov.rcvr talk.mov talk-recovered.mov");
    if (!parser.parse(args)) {
        return kExitSuccess;
    }
    if (parser.given("--quiet")) {
        Progress::disable();
    }
    const std::string index = parser.argument("INDEX");
    const std::string data = parser.argument("DATA");
    const std::string output = parser.argument("OUT.mov");
    RequireDistinct(output, index);
    RequireDistinct(output, data);
    RequireFileKind(index, FileKind::recovery);
    const uint64_t dataSize = DataFileSize(data);

    PendingFile movie(output);
    RecoveryHandle recovery = OpenRecovery(index, data, movie.path());
    bool header = false;
    {
        ErrorContext context(output);  // the new movie is created with the header
        header = recovery->readHeader();
    }
    if (!header) {
        ErrorContext context(index);
        throw ToolError("the header is cut short or gives an impossible movie size");
    }
    uint64_t records = 0;
    std::string damage;
    {
        Progress progress("recovering", dataSize);
        try {
            while (recovery->readNextData()) {
                ++records;
                progress.update(static_cast<uint64_t>(recovery->lastDataOffset()));
            }
        } catch (...) {
            damage = DescribeCurrentException();
        }
    }
    {
        ErrorContext context(output);
        if (!recovery->finalize()) {
            throw ToolError("the rebuilt movie could not be written");
        }
    }
    recovery.reset();
    MediaSummary written;
    {
        ErrorContext context(output);
        written = SummarizeMovie(movie.path());
    }
    if (written.frames == 0 && written.seconds == 0) {
        ErrorContext context(index);
        throw ToolError(damage.empty() ? "the recovery file lists no samples"
                                       : damage + "; no sample could be recovered");
    }
    movie.keep();
    const std::string summary =
        "rebuilt " + output + " from " + Plural(records, "record", "records") + ": " +
        Plural(written.frames, "frame", "frames") + ", " + FormatSeconds(written.seconds);
    if (!damage.empty()) {
        ErrorContext context(index);
        throw ToolError(damage + " after record " + std::to_string(records) + "; " + summary);
    }
    std::cout << summary << "\n";
    return kExitSuccess;
}

}  // namespace mvd

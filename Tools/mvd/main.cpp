// mvd: records, converts and inspects the files of the recording library.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Commands.h"
#include "MVDWriterVersion.h"
#include "ToolError.h"

namespace {

struct Command {
    const char* name;
    const char* arguments;
    const char* summary;
    int (*run)(const mvd::Arguments&);
};

constexpr Command kCommands[] = {
    {"demo", "[DIR]", "record the built-in desktop session through every path", mvd::RunDemo},
    {"info", "FILE", "describe a capture file, movie, SWF file or recovery file", mvd::RunInfo},
    {"frames", "FILE DIR", "write frames of a capture file or movie as PNG images", mvd::RunFrames},
    {"swf", "INPUT OUT.swf", "export a capture file or movie as an SWF movie with a controller",
     mvd::RunSwf},
    {"convert", "CAPTURE.mvrc OUT.mov", "convert a capture file into a QuickTime movie",
     mvd::RunConvert},
    {"recover", "INDEX DATA OUT.mov", "rebuild an unfinished movie from its recovery file",
     mvd::RunRecover},
};

void PrintOverview(FILE* out) {
    std::fprintf(out,
                 "usage: mvd COMMAND [options] [arguments]\n\n"
                 "Records, converts and inspects the files of the MVDWriter library.\n\n"
                 "commands:\n");
    for (const Command& c : kCommands) {
        const std::string left = std::string(c.name) + " " + c.arguments;
        std::fprintf(out, "  %-30s %s\n", left.c_str(), c.summary);
    }
    std::fprintf(out,
                 "\n'mvd COMMAND --help' describes a command.  Exit status: 0 on success, 1\n"
                 "when an input is damaged or a file cannot be read or written, 2 for a\n"
                 "command line that cannot be understood.\n");
}

const Command* FindCommand(const std::string& name) {
    for (const Command& c : kCommands) {
        if (name == c.name) {
            return &c;
        }
    }
    return nullptr;
}

int RunCommand(const Command& command, const mvd::Arguments& args) {
    const std::string prefix = std::string("mvd ") + command.name + ": ";
    try {
        return command.run(args);
    } catch (const mvd::UsageError& e) {
        std::fprintf(stderr, "%s%s (see 'mvd %s --help')\n", prefix.c_str(),
                     mvd::OneLine(e.what()).c_str(), command.name);
        return mvd::kExitUsage;
    } catch (...) {
        const std::string message = mvd::DescribeCurrentException();
        const std::string subject = mvd::ErrorContext::takeFailedSubject();
        std::fprintf(stderr, "%s%s%s\n", prefix.c_str(),
                     subject.empty() ? "" : (subject + ": ").c_str(), message.c_str());
        return mvd::kExitFailure;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty()) {
        PrintOverview(stderr);
        return mvd::kExitUsage;
    }
    const std::string& first = all[0];
    if (first == "--help" || first == "-h") {
        PrintOverview(stdout);
        return mvd::kExitSuccess;
    }
    if (first == "--version") {
        std::printf("mvd %s\n", MVDWriterVersionString());
        return mvd::kExitSuccess;
    }
    if (first == "help" && all.size() >= 2) {
        const Command* command = FindCommand(all[1]);
        if (command != nullptr) {
            return RunCommand(*command, {"--help"});
        }
    }
    const Command* command = FindCommand(first);
    if (command == nullptr) {
        std::fprintf(stderr, "mvd: unknown command \"%s\" (see 'mvd --help')\n", first.c_str());
        return mvd::kExitUsage;
    }
    return RunCommand(*command, mvd::Arguments(all.begin() + 1, all.end()));
}

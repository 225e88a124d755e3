// The subcommands of the tool.  Each takes the arguments after its name,
// returns the exit status, and throws (ToolError, UsageError or whatever
// the library throws) on failure; main turns any exception into one line.
#pragma once

#include <string>
#include <vector>

namespace mvd {

using Arguments = std::vector<std::string>;

int RunDemo(const Arguments& args);
int RunInfo(const Arguments& args);
int RunFrames(const Arguments& args);
int RunSwf(const Arguments& args);
int RunConvert(const Arguments& args);
int RunRecover(const Arguments& args);

}  // namespace mvd

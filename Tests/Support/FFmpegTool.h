// Runs the independent media tools (ffprobe, ffmpeg) on files our code wrote
// and hands back their JSON or raw output.  Tests call FFmpegToolsMissing()
// first and skip with its reason when the tools are not installed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Support/JsonValue.h"

namespace mvdtest {

struct CommandResult {
    int exitCode = -1;   // -1 when the program could not be run
    std::string output;  // standard output, bytes as they came
    std::string errors;  // standard error
};

// Runs a program (looked up on PATH) with arguments, without a shell.
CommandResult RunCommand(const std::vector<std::string>& arguments);

// Empty when ffprobe and ffmpeg are on PATH, else the reason to skip.
std::string FFmpegToolsMissing();

// `ffprobe -v error -of json <sections> file`, parsed; sections such as
// "-show_streams", "-show_format", "-show_chapters", "-show_packets".
// nullopt (with the tool's message in *error) when ffprobe fails.
std::optional<JsonValue> FFprobe(const std::string& path, const std::vector<std::string>& sections,
                                 std::string* error = nullptr);

// `ffmpeg -v error -i file <options> -` and its raw output, e.g. options
// {"-map", "0:v:0", "-f", "rawvideo", "-pix_fmt", "argb"}.
std::optional<std::vector<uint8_t>> FFmpegDecode(const std::string& path,
                                                 const std::vector<std::string>& options,
                                                 std::string* error = nullptr);

}  // namespace mvdtest

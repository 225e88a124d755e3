#include "Support/SwfPlayer.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Support/TempDir.h"

namespace mvdtest {

namespace {

namespace fs = std::filesystem;

constexpr int kExitMissingDependency = 3;

std::string Environment(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

// The first executable called `name` on PATH (or `name` itself when it is a path).
std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return access(name.c_str(), X_OK) == 0 ? name : "";
    }
    std::stringstream path(Environment("PATH", "/usr/bin:/bin"));
    std::string folder;
    while (std::getline(path, folder, ':')) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

std::string HarnessHome() {
    return Environment("MVD_HARNESS_HOME", Environment("HOME", "/root") + "/.cache/mvd-harness");
}

std::string HarnessScript() {
    return std::string(MVD_SOURCE_DIR) + "/Tests/Harness/render_swf.mjs";
}

std::string ChromiumPath() {
    const char* configured = std::getenv("CHROMIUM");
    if (configured != nullptr && *configured != '\0') {
        return FindProgram(configured);
    }
    std::string found = FindProgram("chromium");
    return found.empty() ? FindProgram("chromium-browser") : found;
}

// Runs the program with the arguments, output to `logPath`; returns its
// exit status (-1 when it did not exit normally).
int Run(const std::vector<std::string>& argv, const std::string& logPath) {
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("cannot start the SWF player harness");
    }
    if (pid == 0) {
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            close(log);
        }
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Decodes a JSON string literal (the harness writes texts as such).
std::string JsonString(const std::string& text) {
    std::string out;
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
        return text;
    }
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] != '\\' || i + 2 >= text.size()) {
            out += text[i];
            continue;
        }
        const char e = text[++i];
        switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                const unsigned code = std::stoul(text.substr(i + 1, 4), nullptr, 16);
                i += 4;
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xC0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | (code >> 12));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
                break;
            }
            default:
                out += e;
                break;
        }
    }
    return out;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void ReadResults(const std::string& folder, SwfRun& run) {
    std::ifstream in(folder + "/result.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "size") {
            fields >> run.width >> run.height;
        } else if (kind == "frame") {
            int frame = 0;
            std::string file;
            fields >> frame >> file;
            SwfImage image{run.width, run.height, ReadFileBytes(file)};
            if (image.rgb.size() != static_cast<size_t>(run.width) * run.height * 3) {
                throw std::runtime_error("SWF player harness wrote a frame of the wrong size");
            }
            run.frames[frame] = std::move(image);
        } else if (kind == "trace") {
            int frame = 0;
            fields >> frame;
            std::string rest;
            std::getline(fields >> std::ws, rest);
            run.traces.emplace_back(frame, JsonString(rest));
        } else if (kind == "console" || kind == "error") {
            std::string rest;
            std::getline(fields >> std::ws, rest);
            (kind == "console" ? run.console : run.errors).push_back(JsonString(rest));
        }
    }
    const std::vector<uint8_t> audio = fs::exists(folder + "/audio.f32")
                                           ? ReadFileBytes(folder + "/audio.f32")
                                           : std::vector<uint8_t>();
    run.audio.resize(audio.size() / sizeof(float));
    std::copy(audio.begin(), audio.begin() + run.audio.size() * sizeof(float),
              reinterpret_cast<uint8_t*>(run.audio.data()));
}

}  // namespace

std::array<uint8_t, 3> SwfImage::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        throw std::out_of_range("pixel outside the stage");
    }
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

std::vector<std::string> SwfRun::TraceTexts() const {
    std::vector<std::string> texts;
    for (const auto& [frame, text] : traces) {
        texts.push_back(text);
    }
    return texts;
}

const SwfImage& SwfRun::Frame(int frame) const& {
    const auto it = frames.find(frame);
    if (it == frames.end()) {
        throw std::out_of_range("frame " + std::to_string(frame) + " was not captured");
    }
    return it->second;
}

std::string SwfPlayer::Unavailable() {
    if (FindProgram("node").empty()) {
        return "node is not installed: the SWF player harness cannot run";
    }
    if (ChromiumPath().empty()) {
        return "chromium is not installed: the SWF player harness cannot run";
    }
    const std::string home = HarnessHome();
    for (const char* package : {"@ruffle-rs/ruffle", "playwright-core"}) {
        if (!fs::exists(home + "/node_modules/" + package + "/package.json")) {
            return std::string(package) + " is not installed in " + home +
                   " (run Tests/Harness/setup.sh)";
        }
    }
    if (!fs::exists(HarnessScript())) {
        return "the harness script " + HarnessScript() + " is missing";
    }
    return "";
}

SwfRun SwfPlayer::Play(const std::string& swfPath, const SwfPlayRequest& request) {
    TempDir temp;
    const std::string folder = request.keepFilesIn.empty() ? temp.path() : request.keepFilesIn;
    fs::create_directories(folder);
    std::vector<std::string> argv = {FindProgram("node"),
                                     HarnessScript(),
                                     swfPath,
                                     "--out",
                                     folder,
                                     "--timeout",
                                     std::to_string(request.timeoutSeconds)};
    std::string frames;
    for (int f : request.frames) {
        frames += (frames.empty() ? "" : ",") + std::to_string(f);
    }
    argv.insert(argv.end(), {"--frames", frames.empty() ? "1" : frames});
    for (const SwfClick& c : request.clicks) {
        argv.insert(argv.end(), {"--click", std::to_string(c.x) + "," + std::to_string(c.y) + "@" +
                                                std::to_string(c.afterFrame)});
    }
    if (request.audio) {
        argv.push_back("--audio");
    }
    if (!request.renderer.empty()) {
        argv.insert(argv.end(), {"--renderer", request.renderer});
    }
    if (!request.keepFilesIn.empty()) {
        argv.push_back("--png");
    }
    const std::string logPath = folder + "/harness.log";
    const int status = Run(argv, logPath);
    SwfRun run;
    ReadResults(folder, run);
    if (status != 0) {
        std::string message = "SWF player harness failed (status " + std::to_string(status) + ")";
        if (status == kExitMissingDependency) {
            message += ", a dependency is missing";
        }
        for (const std::string& e : run.errors) {
            message += "\n  " + e;
        }
        throw std::runtime_error(message + "\n" + ReadText(logPath));
    }
    return run;
}

::testing::AssertionResult RegionIs(const SwfImage& image, int x, int y, int width, int height,
                                    std::array<uint8_t, 3> rgb, int tolerance) {
    for (int j = y; j < y + height; ++j) {
        for (int i = x; i < x + width; ++i) {
            const std::array<uint8_t, 3> p = image.At(i, j);
            for (int c = 0; c < 3; ++c) {
                if (std::abs(int{p[c]} - int{rgb[c]}) > tolerance) {
                    return ::testing::AssertionFailure()
                           << "pixel (" << i << ", " << j << ") is " << int{p[0]} << ","
                           << int{p[1]} << "," << int{p[2]} << ", not " << int{rgb[0]} << ","
                           << int{rgb[1]} << "," << int{rgb[2]} << " (within " << tolerance << ")";
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace mvdtest

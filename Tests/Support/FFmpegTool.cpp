#include "Support/FFmpegTool.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace mvdtest {

namespace {

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        std::string dir =
            dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

// Reads both pipes until they close, so neither can fill up and stall the
// child.
void Drain(int outFd, int errFd, std::string& out, std::string& err) {
    struct pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& arguments) {
    CommandResult result;
    int outPipe[2], errPipe[2];
    if (arguments.empty() || ::pipe(outPipe) != 0) {
        return result;
    }
    if (::pipe(errPipe) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", 0, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawned != 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return result;
    }
    Drain(outPipe[0], errPipe[0], result.output, result.errors);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string FFmpegToolsMissing() {
    for (const char* tool : {"ffprobe", "ffmpeg"}) {
        if (!OnPath(tool)) {
            return std::string(tool) + " is not installed";
        }
    }
    return {};
}

std::optional<JsonValue> FFprobe(const std::string& path, const std::vector<std::string>& sections,
                                 std::string* error) {
    std::vector<std::string> args{"ffprobe", "-v", "error", "-of", "json"};
    args.insert(args.end(), sections.begin(), sections.end());
    args.push_back(path);
    CommandResult run = RunCommand(args);
    if (error != nullptr) {
        *error = run.errors;
    }
    if (run.exitCode != 0) {
        return std::nullopt;
    }
    return JsonValue::Parse(run.output);
}

std::optional<std::vector<uint8_t>> FFmpegDecode(const std::string& path,
                                                 const std::vector<std::string>& options,
                                                 std::string* error) {
    std::vector<std::string> args{"ffmpeg", "-nostdin", "-v", "error", "-i", path};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("-");
    CommandResult run = RunCommand(args);
    if (error != nullptr) {
        *error = run.errors;
    }
    if (run.exitCode != 0) {
        return std::nullopt;
    }
    return std::vector<uint8_t>(run.output.begin(), run.output.end());
}

}  // namespace mvdtest

#include "support/Baselines.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>

namespace mvdtest {

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double MemcpySecondsPerFrame(const Corpus& corpus, size_t frames) {
    frames = std::min(frames, corpus.size());
    std::vector<uint8_t> to(corpus.frameBytes());
    std::vector<double> passes;
    for (int pass = 0; pass < 5; ++pass) {
        const double start = ThreadCpuSeconds();
        for (size_t i = 0; i < frames; ++i) {
            std::memcpy(to.data(), corpus.frame(i), corpus.frameBytes());
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        }
        passes.push_back((ThreadCpuSeconds() - start) / static_cast<double>(frames));
    }
    std::sort(passes.begin(), passes.end());
    return passes[passes.size() / 2];
}

namespace {

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Writes all of n bytes to fd; false when the reader went away.
bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t written = write(fd, p, n);
        if (written <= 0)
            return false;
        p += written;
        n -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

ExternalEncode RunFFmpeg(const Corpus& corpus, size_t frames,
                         const std::vector<std::string>& codecArgs, const std::string& extension) {
    ExternalEncode result;
    frames = std::min(frames, corpus.size());
    const std::string output = (std::filesystem::temp_directory_path() /
                                ("mvd_baseline_" + std::to_string(getpid()) + "." + extension))
                                   .string();
    std::vector<std::string> args = {
        "ffmpeg",
        "-nostdin",
        "-v",
        "error",
        "-y",
        "-f",
        "rawvideo",
        "-pix_fmt",
        "bgra",
        "-s",
        std::to_string(corpus.width()) + "x" + std::to_string(corpus.height()),
        "-r",
        "30",
        "-i",
        "pipe:0"};
    args.insert(args.end(), codecArgs.begin(), codecArgs.end());
    args.push_back(output);

    int fds[2];
    if (pipe(fds) != 0) {
        result.error = "pipe failed";
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[0], 0);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp("ffmpeg", argv.data());
        _exit(127);
    }
    close(fds[0]);
    if (pid < 0) {
        close(fds[1]);
        result.error = "fork failed";
        return result;
    }
    const auto oldHandler = std::signal(SIGPIPE, SIG_IGN);
    bool fed = true;
    for (size_t i = 0; i < frames && fed; ++i)
        fed = WriteAll(fds[1], corpus.frame(i), corpus.frameBytes());
    close(fds[1]);
    std::signal(SIGPIPE, oldHandler);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    std::error_code ignored;
    if (!fed || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        result.error = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "ffmpeg not installed"
                                                                       : "ffmpeg failed";
        std::filesystem::remove(output, ignored);
        return result;
    }
    result.ran = true;
    result.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    result.outputBytes = std::filesystem::file_size(output, ignored);
    std::filesystem::remove(output, ignored);
    return result;
}

const Corpus* SharedCorpus(bool recorded, int32_t width, int32_t height, size_t frames) {
    struct Key {
        bool recorded;
        int32_t width;
        int32_t height;
        size_t frames;
        bool operator==(const Key&) const = default;
    };
    static Key key{};
    static std::unique_ptr<Corpus> kept;
    static bool missing = false;
    const Key wanted{recorded, width, height, frames};
    if (key == wanted)
        return missing ? nullptr : kept.get();
    kept.reset();  // free the old frames before reading new ones
    key = wanted;
    if (recorded) {
        std::optional<Corpus> corpus = Corpus::Load(width, height, frames);
        missing = !corpus;
        if (corpus)
            kept = std::make_unique<Corpus>(std::move(*corpus));
    } else {
        missing = false;
        kept = std::make_unique<Corpus>(Corpus::Generate(width, height, frames));
    }
    return kept.get();
}

void SetFrameCounters(benchmark::State& state, const Corpus& corpus, double cpuSeconds,
                      double memcpySecondsPerFrame, int64_t frames) {
    const double perFrame = cpuSeconds / static_cast<double>(std::max<int64_t>(frames, 1));
    state.counters["fps"] = 1.0 / perFrame;
    state.counters["vs_memcpy"] = memcpySecondsPerFrame / perFrame;
    state.counters["memcpy_fps"] = 1.0 / memcpySecondsPerFrame;
    state.counters["changed_pct"] = corpus.changedPercent();
    state.counters["frames_in_corpus"] = static_cast<double>(corpus.size());
    state.SetLabel(corpus.path() == "generated" ? "generated" : "recorded");
}

}  // namespace mvdtest

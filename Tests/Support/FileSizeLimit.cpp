#include "Support/FileSizeLimit.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>

namespace mvdtest {

std::string RunWithFileSizeLimit(rlim_t limit, const std::function<std::string()>& body) {
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return "";
    }
    const pid_t child = fork();
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        close(fds[0]);
        close(fds[1]);
        return "";
    }
    if (child == 0) {
        close(fds[0]);
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited;
        getrlimit(RLIMIT_FSIZE, &limited);
        limited.rlim_cur = limit;
        std::string report = "setrlimit failed";
        if (setrlimit(RLIMIT_FSIZE, &limited) == 0) {
            try {
                report = body();
            } catch (const std::exception& e) {
                report = std::string("escaped: ") + e.what();
            }
        }
        for (size_t sent = 0; sent < report.size();) {
            const ssize_t n = write(fds[1], report.data() + sent, report.size() - sent);
            if (n <= 0) {
                break;
            }
            sent += static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    return report;
}

}  // namespace mvdtest

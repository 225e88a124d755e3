#include "MutedStdout.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace mvd {

MutedStdout::MutedStdout() {
    std::cout.flush();
    std::fflush(stdout);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) {
        return;  // the lines then stay; nothing else depends on this
    }
    m_saved = ::dup(STDOUT_FILENO);
    if (m_saved >= 0 && ::dup2(null, STDOUT_FILENO) < 0) {
        ::close(m_saved);
        m_saved = -1;
    }
    ::close(null);
}

MutedStdout::~MutedStdout() {
    if (m_saved < 0) {
        return;
    }
    std::fflush(stdout);
    ::dup2(m_saved, STDOUT_FILENO);
    ::close(m_saved);
}

}  // namespace mvd

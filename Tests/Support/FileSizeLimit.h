// Running code as on a full disk: in a child process whose files may not
// grow past a limit (RLIMIT_FSIZE), with SIGXFSZ ignored so that a write
// beyond the limit fails with EFBIG instead of killing the process.
#pragma once

#include <sys/resource.h>

#include <functional>
#include <string>

namespace mvdtest {

// Runs body in a forked child under the file size limit and returns the
// text it returned (an exception escaping body is returned as "escaped: "
// and its message).  Threads the body starts live and die in the child.
// Reports a test failure when the child does not end normally.
std::string RunWithFileSizeLimit(rlim_t limit, const std::function<std::string()>& body);

}  // namespace mvdtest

// How the tool reports failures: every failure ends as one line on standard
// error and a non-zero exit status, whatever the library threw.
#pragma once

#include <stdexcept>
#include <string>

namespace mvd {

// Bad input or a failed read or write (exit status 1).
class ToolError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A command line that cannot be understood (exit status 2).
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum ExitStatus { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2 };

// Names what is being worked on (usually a file) while it lives.  When an
// exception leaves its scope, the name is kept so that the error line can
// say where the failure happened: "mvd info: demo.mvrc: ...".
class ErrorContext {
  public:
    explicit ErrorContext(std::string subject);
    ~ErrorContext();
    ErrorContext(const ErrorContext&) = delete;
    ErrorContext& operator=(const ErrorContext&) = delete;

    // The subject of the innermost context an exception left, or empty;
    // clears it.
    static std::string takeFailedSubject();

  private:
    std::string m_subject;
    int m_uncaught;
};

// Collapses a message to one line: trailing blanks and newlines dropped,
// inner line breaks turned into "; ".
std::string OneLine(const std::string& message);

// Describes the exception being handled (call only inside a catch block),
// whatever its type: standard exceptions by their message, the integer a
// damaged zlib stream raises in the capture reader, and anything else.
std::string DescribeCurrentException();

// "what: <the description of errno>", after a failed system call.
std::string SystemError(const std::string& what);

}  // namespace mvd

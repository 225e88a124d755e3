#include "ToolError.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "Portability/CFile.h"

namespace mvd {

namespace {

std::string& FailedSubject() {
    static std::string subject;
    return subject;
}

}  // namespace

ErrorContext::ErrorContext(std::string subject)
    : m_subject(std::move(subject)), m_uncaught(std::uncaught_exceptions()) {}

ErrorContext::~ErrorContext() {
    // The innermost context is destroyed first during unwinding; outer ones
    // must not replace what it named.
    if (std::uncaught_exceptions() > m_uncaught && FailedSubject().empty()) {
        FailedSubject() = m_subject;
    }
}

std::string ErrorContext::takeFailedSubject() {
    std::string subject;
    subject.swap(FailedSubject());
    return subject;
}

std::string OneLine(const std::string& message) {
    std::string line;
    for (char c : message) {
        if (c == '\n' || c == '\r') {
            line += "; ";
        } else {
            line += c;
        }
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == ';' || line.back() == '\t')) {
        line.pop_back();
    }
    return line.empty() ? "failed without a message" : line;
}

std::string DescribeCurrentException() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return OneLine(e.what());
    } catch (int code) {
        return "damaged compressed data (zlib stream error " + std::to_string(code) + ")";
    } catch (const CFileException&) {
        return "a file could not be read or written";
    } catch (...) {
        return "failed with an error of an unknown kind";
    }
}

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace mvd

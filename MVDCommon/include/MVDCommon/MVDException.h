// Exceptions thrown by the movie and capture classes.  Both hold a fixed
// English message; they are thrown by value and caught by type.
#pragma once

#include <exception>
#include <string>

// A failure while recording or finalising.
class MVDException : public std::exception {
  public:
    explicit MVDException(const std::string& message) : m_message(message) {}
    ~MVDException() override = default;
    const char* what() const noexcept override { return m_message.c_str(); }

  private:
    std::string m_message;
};

// A failure while a file, track, media, component or compression session is
// being set up.  Deliberately not an MVDException, so that callers that tell
// the two apart by type keep doing so whatever order their handlers have.
class SetupException : public std::exception {
  public:
    explicit SetupException(const std::string& message) : m_message(message) {}
    ~SetupException() override = default;
    const char* what() const noexcept override { return m_message.c_str(); }

  private:
    std::string m_message;
};

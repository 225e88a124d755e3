// A capture file that is not what it should be.
#pragma once

#include <exception>
#include <string>

class MVRCReaderException : public std::exception {
  public:
    explicit MVRCReaderException(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }

  private:
    std::string m_message;
};

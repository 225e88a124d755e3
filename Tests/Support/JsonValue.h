// A small JSON reader for the output of the independent tools (ffprobe).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mvdtest {

class JsonValue {
  public:
    enum class Kind { null, boolean, number, string, array, object };

    // Parses a whole document; nullopt when it is not valid JSON.
    static std::optional<JsonValue> Parse(const std::string& text);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::null; }
    // Object member or null value when absent (or this is no object).
    const JsonValue& operator[](const std::string& key) const;
    // Array element or null value when out of range.
    const JsonValue& operator[](size_t index) const;
    size_t size() const;  // elements of an array, members of an object
    bool has(const std::string& key) const;

    const std::string& string() const { return m_string; }
    double number() const { return m_number; }
    // A number, or a string holding one (ffprobe writes many numbers as
    // strings); 0 otherwise.
    double asNumber() const;
    bool boolean() const { return m_bool; }

  private:
    friend class JsonParser;
    Kind m_kind = Kind::null;
    bool m_bool = false;
    double m_number = 0;
    std::string m_string;
    std::vector<JsonValue> m_array;
    std::map<std::string, JsonValue> m_object;
};

}  // namespace mvdtest

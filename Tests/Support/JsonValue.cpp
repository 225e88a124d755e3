#include "Support/JsonValue.h"

#include <cstdlib>

namespace mvdtest {

class JsonParser {
  public:
    explicit JsonParser(const std::string& text) : m_text(text) {}

    bool document(JsonValue& out) {
        if (!value(out, 0)) {
            return false;
        }
        skipSpace();
        return m_pos == m_text.size();
    }

  private:
    static constexpr int kMaxDepth = 64;

    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\t')) {
            ++m_pos;
        }
    }

    bool literal(const char* word) {
        std::string w(word);
        if (m_text.compare(m_pos, w.size(), w) != 0) {
            return false;
        }
        m_pos += w.size();
        return true;
    }

    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool hex4(unsigned& code) {
        if (m_pos + 4 > m_text.size()) {
            return false;
        }
        char* end = nullptr;
        std::string digits = m_text.substr(m_pos, 4);
        code = static_cast<unsigned>(std::strtoul(digits.c_str(), &end, 16));
        m_pos += 4;
        return end == digits.c_str() + 4;
    }

    bool string(std::string& out) {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"') {
            return false;
        }
        ++m_pos;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) {
                return false;
            }
            char e = m_text[m_pos++];
            switch (e) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u': {
                    unsigned code = 0;
                    if (!hex4(code)) {
                        return false;
                    }
                    if (code >= 0xD800 && code < 0xDC00 && literal("\\u")) {
                        unsigned low = 0;
                        if (!hex4(low)) {
                            return false;
                        }
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    }
                    appendUtf8(out, code);
                    break;
                }
                default:
                    out += e;
            }
        }
        return false;
    }

    bool value(JsonValue& out, int depth) {
        if (depth > kMaxDepth) {
            return false;
        }
        skipSpace();
        if (m_pos >= m_text.size()) {
            return false;
        }
        char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            out.m_kind = JsonValue::Kind::object;
            skipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                ++m_pos;
                return true;
            }
            while (true) {
                skipSpace();
                std::string key;
                if (!string(key)) {
                    return false;
                }
                skipSpace();
                if (!literal(":") || !value(out.m_object[key], depth + 1)) {
                    return false;
                }
                skipSpace();
                if (literal("}")) {
                    return true;
                }
                if (!literal(",")) {
                    return false;
                }
            }
        }
        if (c == '[') {
            ++m_pos;
            out.m_kind = JsonValue::Kind::array;
            skipSpace();
            if (literal("]")) {
                return true;
            }
            while (true) {
                out.m_array.emplace_back();
                if (!value(out.m_array.back(), depth + 1)) {
                    return false;
                }
                skipSpace();
                if (literal("]")) {
                    return true;
                }
                if (!literal(",")) {
                    return false;
                }
            }
        }
        if (c == '"') {
            out.m_kind = JsonValue::Kind::string;
            return string(out.m_string);
        }
        if (literal("true") || literal("false")) {
            out.m_kind = JsonValue::Kind::boolean;
            out.m_bool = m_text[m_pos - 1] == 'e' && m_text[m_pos - 2] == 'u';
            return true;
        }
        if (literal("null")) {
            return true;
        }
        const char* start = m_text.c_str() + m_pos;
        char* end = nullptr;
        out.m_number = std::strtod(start, &end);
        if (end == start) {
            return false;
        }
        out.m_kind = JsonValue::Kind::number;
        m_pos += static_cast<size_t>(end - start);
        return true;
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

std::optional<JsonValue> JsonValue::Parse(const std::string& text) {
    JsonValue result;
    JsonParser parser(text);
    if (!parser.document(result)) {
        return std::nullopt;
    }
    return result;
}

namespace {
const JsonValue& NullValue() {
    static const JsonValue null;
    return null;
}
}  // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const {
    auto it = m_object.find(key);
    return it == m_object.end() ? NullValue() : it->second;
}

const JsonValue& JsonValue::operator[](size_t index) const {
    return index < m_array.size() ? m_array[index] : NullValue();
}

size_t JsonValue::size() const {
    return m_kind == Kind::array ? m_array.size() : m_object.size();
}

bool JsonValue::has(const std::string& key) const {
    return m_object.count(key) != 0;
}

double JsonValue::asNumber() const {
    if (m_kind == Kind::number) {
        return m_number;
    }
    if (m_kind == Kind::string) {
        return std::strtod(m_string.c_str(), nullptr);
    }
    return 0;
}

}  // namespace mvdtest

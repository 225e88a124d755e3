#include "ArgParser.h"

#include <charconv>
#include <cstdio>
#include <sstream>

#include "ToolError.h"

namespace mvd {

ArgParser::ArgParser(std::string command, std::string summary)
    : m_command(std::move(command)), m_summary(std::move(summary)) {}

ArgParser& ArgParser::positional(std::string name, std::string help, bool optional) {
    m_positionals.push_back({std::move(name), std::move(help), optional});
    return *this;
}

ArgParser& ArgParser::option(std::string name, std::string valueName, std::string help,
                             std::string defaultValue) {
    m_options.push_back(
        {std::move(name), std::move(valueName), std::move(help), std::move(defaultValue)});
    return *this;
}

ArgParser& ArgParser::flag(std::string name, std::string help) {
    m_options.push_back({std::move(name), "", std::move(help), ""});
    return *this;
}

ArgParser& ArgParser::epilogue(std::string text) {
    m_epilogue = std::move(text);
    return *this;
}

const ArgParser::Option* ArgParser::find(const std::string& name) const {
    for (const Option& option : m_options) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

bool ArgParser::parse(const std::vector<std::string>& args) {
    std::vector<std::string> positionals;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(help().c_str(), stdout);
            return false;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const Option* option = find(name);
        if (option == nullptr) {
            throw UsageError("unknown option " + name);
        }
        if (option->valueName.empty()) {
            if (equals != std::string::npos) {
                throw UsageError("option " + name + " takes no value");
            }
            m_values[name] = "";
        } else if (equals != std::string::npos) {
            m_values[name] = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            m_values[name] = args[++i];
        } else {
            throw UsageError("option " + name + " needs a value (" + option->valueName + ")");
        }
    }
    size_t required = 0;
    for (const Positional& p : m_positionals) {
        required += p.optional ? 0 : 1;
    }
    if (positionals.size() < required) {
        throw UsageError("missing " + m_positionals[positionals.size()].name);
    }
    if (positionals.size() > m_positionals.size()) {
        throw UsageError("unexpected argument \"" + positionals[m_positionals.size()] + "\"");
    }
    for (size_t i = 0; i < positionals.size(); ++i) {
        m_arguments[m_positionals[i].name] = positionals[i];
    }
    return true;
}

bool ArgParser::given(const std::string& name) const {
    return m_values.count(name) != 0;
}

std::string ArgParser::value(const std::string& name) const {
    auto found = m_values.find(name);
    if (found != m_values.end()) {
        return found->second;
    }
    const Option* option = find(name);
    return option != nullptr ? option->defaultValue : std::string();
}

std::string ArgParser::argument(const std::string& name) const {
    auto found = m_arguments.find(name);
    return found != m_arguments.end() ? found->second : std::string();
}

std::optional<uint64_t> ArgParser::number(const std::string& name, uint64_t min,
                                          uint64_t max) const {
    const std::string text = value(name);
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < min || n > max) {
        throw UsageError(name + " needs a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not \"" + text + "\"");
    }
    return n;
}

std::optional<double> ArgParser::decimal(const std::string& name, double min, double max) const {
    const std::string text = value(name);
    if (text.empty()) {
        return std::nullopt;
    }
    double n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || !(n >= min && n <= max)) {
        std::ostringstream range;
        range << name << " needs a number from " << min << " to " << max << ", not \"" << text
              << "\"";
        throw UsageError(range.str());
    }
    return n;
}

std::string ArgParser::help() const {
    std::ostringstream out;
    out << "usage: " << m_command;
    if (!m_options.empty()) {
        out << " [options]";
    }
    for (const Positional& p : m_positionals) {
        out << (p.optional ? " [" + p.name + "]" : " " + p.name);
    }
    out << "\n\n" << m_summary << "\n";
    if (!m_positionals.empty()) {
        out << "\narguments:\n";
        for (const Positional& p : m_positionals) {
            out << "  " << p.name << std::string(p.name.size() < 22 ? 22 - p.name.size() : 1, ' ')
                << p.help << "\n";
        }
    }
    out << "\noptions:\n";
    for (const Option& o : m_options) {
        const std::string left = o.valueName.empty() ? o.name : o.name + " " + o.valueName;
        out << "  " << left << std::string(left.size() < 22 ? 22 - left.size() : 1, ' ') << o.help;
        if (!o.defaultValue.empty()) {
            out << " (default " << o.defaultValue << ")";
        }
        out << "\n";
    }
    out << "  -h, --help" << std::string(12, ' ') << "show this help\n";
    if (!m_epilogue.empty()) {
        out << "\n" << m_epilogue << "\n";
    }
    return out.str();
}

}  // namespace mvd

// The tool's command-line parser, shared by every subcommand: positional
// arguments, options with a value ("--name VALUE" or "--name=VALUE"),
// flags, and a --help page built from their descriptions.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace mvd {

class ArgParser {
  public:
    // command: e.g. "mvd info"; summary: one paragraph for --help.
    ArgParser(std::string command, std::string summary);

    ArgParser& positional(std::string name, std::string help, bool optional = false);
    ArgParser& option(std::string name, std::string valueName, std::string help,
                      std::string defaultValue = "");
    ArgParser& flag(std::string name, std::string help);
    // Text printed after the option list in --help (examples, notes).
    ArgParser& epilogue(std::string text);

    // Reads the arguments after the command name.  Returns false when
    // --help or -h was given (the help page is then printed on standard
    // output).  Throws UsageError for unknown options, missing values and
    // wrong numbers of positional arguments.
    bool parse(const std::vector<std::string>& args);

    bool given(const std::string& name) const;
    // An option's value, its default when not given.
    std::string value(const std::string& name) const;
    // A positional argument by name; empty when an optional one is absent.
    std::string argument(const std::string& name) const;
    // An option's value as a whole number within [min, max]; nullopt when
    // the option was not given and has no default.
    std::optional<uint64_t> number(const std::string& name, uint64_t min, uint64_t max) const;
    // An option's value as a number (decimals allowed) within [min, max].
    std::optional<double> decimal(const std::string& name, double min, double max) const;

    std::string help() const;

  private:
    struct Option {
        std::string name;
        std::string valueName;  // empty for a flag
        std::string help;
        std::string defaultValue;
    };
    struct Positional {
        std::string name;
        std::string help;
        bool optional;
    };

    const Option* find(const std::string& name) const;

    std::string m_command;
    std::string m_summary;
    std::string m_epilogue;
    std::vector<Option> m_options;
    std::vector<Positional> m_positionals;
    std::map<std::string, std::string> m_values;
    std::map<std::string, std::string> m_arguments;
};

}  // namespace mvd

#pragma once

// One command of norvelle-cli: its name, synopsis, options, help and run, all in the command's
// own file. --help is made from them.

#include "cli/Messages.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle::cli {

// An option as the command reads it and --help lists it.
struct OptionSpec {
    std::string_view name;   // "--output"
    std::string_view value;  // what its value is called ("FILE"); empty for a flag
    std::string_view help;   // one line of --help for each line of the text

    bool takesValue() const { return !value.empty(); }
};

struct Arguments {
    std::map<std::string, std::string, std::less<>> values;  // flags have an empty value
    std::vector<std::string> operands;

    bool has(std::string_view name) const { return values.find(name) != values.end(); }
    std::string value(std::string_view name) const {
        const auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
};

// Reads "--name value", "--name=value" and flags; "--" ends the options. Returns an error
// text, empty when the arguments are fine.
std::string parseArguments(const std::vector<std::string>& args, std::size_t first,
                           std::span<const OptionSpec> options, Arguments& parsed);

struct Command {
    std::string_view name;
    // What follows the name in --help; its further lines stand under the first.
    std::string_view synopsis;
    // What the command does, one line of --help for each line of the text.
    std::string_view help;
    std::span<const OptionSpec> options;
    // Returns the exit code.
    int (*run)(const Arguments& args, std::ostream& out, Messages& messages);
};

extern const Command kRenderCommand;
extern const Command kCheckCommand;
extern const Command kLintCommand;
extern const Command kShowCommand;

}  // namespace norvelle::cli

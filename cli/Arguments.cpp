// The options and operands of a command.

#include "cli/Command.h"

#include <algorithm>

namespace norvelle::cli {

std::string parseArguments(const std::vector<std::string>& args, std::size_t first,
                           std::span<const OptionSpec> options, Arguments& parsed) {
    bool optionsEnded = false;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-' || arg == "-") {
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const OptionSpec& o) { return o.name == name; });
        if (option == options.end()) return "unknown option " + printable(name);
        if (parsed.has(name)) return name + " is given twice";
        if (!option->takesValue()) {
            if (eq != std::string::npos) return name + " takes no value";
            parsed.values[name];
            continue;
        }
        if (eq != std::string::npos) {
            parsed.values[name] = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            parsed.values[name] = args[++i];
        } else {
            return name + " needs a value";
        }
        if (parsed.values[name].empty()) return name + " needs a value";
    }
    return {};
}

}  // namespace norvelle::cli

// The text of norvelle-cli --help, made from the commands' own.

#include "cli/Usage.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace norvelle::cli {

namespace {

const char kIntro[] =
    "Usage: norvelle-cli COMMAND [OPTION]...\n"
    "Makes Readme files from Norvelle software data (.sft) and plugins (.spd), and checks\n"
    "plugins and finished Readmes.\n"
    "\n"
    "Commands:\n";

const char kExitStatus[] =
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  check (or render --strict) found an unknown or unclosed marker, or a byte that\n"
    "     made a UTF-8 plugin code page 932; lint found something other systems garble\n"
    "  2  the command line is wrong\n"
    "  3  code page 932 cannot hold some characters of the Readme; nothing written\n"
    "  4  a file could not be read or written (check, lint: also when others had problems)\n"
    "  5  the .sft file is not Norvelle 2.0x software data\n";

// Where an option's help starts: after the longest option and two spaces.
constexpr std::size_t kOptionHelpColumn = 25;

// `first` and the first line of `text`, then its other lines, each indented by `indent`.
void appendLines(std::string& out, std::string_view first, std::string_view text,
                 std::size_t indent) {
    out += first;
    for (bool firstLine = true;; firstLine = false) {
        const std::size_t end = text.find('\n');
        if (!firstLine) out.append(indent, ' ');
        out += text.substr(0, end);
        out += '\n';
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

void appendOption(std::string& out, const OptionSpec& option) {
    std::string head = "  " + std::string(option.name);
    if (option.takesValue()) head += " " + std::string(option.value);
    head.append(std::max(kOptionHelpColumn, head.size() + 2) - head.size(), ' ');
    appendLines(out, head, option.help, kOptionHelpColumn);
}

// Each option once, in the order of the commands that take it: one that a later command brings
// stands before the first option it shares with those already listed, as in that command.
std::vector<const OptionSpec*> allOptions(std::span<const Command* const> commands) {
    std::vector<const OptionSpec*> listed;
    for (const Command* command : commands) {
        std::size_t at = listed.size();
        // Last to first, so that each new option goes in front of the one after it.
        for (std::size_t i = command->options.size(); i-- > 0;) {
            const OptionSpec& option = command->options[i];
            const auto known = std::find_if(listed.begin(), listed.end(), [&](const OptionSpec* o) {
                return o->name == option.name;
            });
            if (known != listed.end()) {
                at = static_cast<std::size_t>(known - listed.begin());
            } else {
                listed.insert(listed.begin() + static_cast<std::ptrdiff_t>(at), &option);
            }
        }
    }
    return listed;
}

}  // namespace

std::string usage(std::span<const Command* const> commands,
                  std::span<const OptionSpec> ownOptions) {
    std::string out = kIntro;
    for (const Command* command : commands) {
        const std::string name = "  " + std::string(command->name) + " ";
        appendLines(out, name, command->synopsis, name.size());
        appendLines(out, "      ", command->help, 6);
    }
    out += "\nOptions:\n";
    for (const OptionSpec* option : allOptions(commands)) appendOption(out, *option);
    for (const OptionSpec& option : ownOptions) appendOption(out, option);
    out += kExitStatus;
    return out;
}

}  // namespace norvelle::cli

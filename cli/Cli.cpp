#include "cli/Cli.h"

#include "cli/Command.h"
#include "cli/Usage.h"

#include "core/document/Version.h"

#include <algorithm>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle::cli {

namespace {

constexpr const Command* kCommands[] = {&kRenderCommand, &kCheckCommand, &kLintCommand,
                                        &kShowCommand};

// The options of the program itself, not of a command: they count wherever they stand on the
// command line.
constexpr OptionSpec kProgramOptions[] = {
    {"-h, --help", "", "show this help and exit"},
    {"--version", "", "show the version and exit"},
};

// "render, check, show", or with `last` before the last name: "render, check or show".
std::string commandNames(std::string_view last) {
    std::string names;
    for (std::size_t i = 0; i < std::size(kCommands); ++i) {
        if (i > 0) names += i + 1 == std::size(kCommands) ? last : ", ";
        names += kCommands[i]->name;
    }
    return names;
}

int runCommand(const std::vector<std::string>& args, std::ostream& out, Messages& messages) {
    if (args.empty()) return messages.usage("a command is missing: " + commandNames(" or "));

    auto given = [&args](std::string_view option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (given("-h") || given("--help")) {
        out << usage(kCommands, kProgramOptions);
        return kExitOk;
    }
    if (given("--version")) {
        out << kProgram << " (Norvelle) " << kAppVersion << '\n';
        return kExitOk;
    }

    const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                      [&](const Command* c) { return c->name == args[0]; });
    if (command == std::end(kCommands)) {
        return messages.usage("unknown command " + printable(args[0]) + "; the commands are " +
                              commandNames(", "));
    }
    Arguments parsed;
    const std::string error = parseArguments(args, 1, (*command)->options, parsed);
    if (!error.empty()) return messages.usage(error);
    return (*command)->run(parsed, out, messages);
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Messages messages(err);
    int code = kExitOk;
    // Unwinding takes a half-written Readme's temporary file away; a message with no file in
    // it needs no memory.
    try {
        code = runCommand(args, out, messages);
    } catch (const std::bad_alloc&) {
        err << kProgram << ": out of memory\n";
        return kExitIoError;
    } catch (const std::exception& e) {
        messages.line(printable(e.what()));
        return kExitIoError;
    }
    // A listing or a Readme that did not reach standard output is a failed command, however
    // well it went otherwise.
    if (!out.flush()) return messages.cannotWrite(kStdoutName, outputError(out));
    return code;
}

}  // namespace norvelle::cli

#include "cli/Cli.h"

#include "cli/Command.h"
#include "core/document/Version.h"

#include "core/plugin/PluginStream.h"

#include <algorithm>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>


namespace norvelle::cli {

namespace {

const char kUsage[] =
    "Usage: norvelle-cli COMMAND [OPTION]...\n"
    "Makes Readme files from Norvelle software data (.sft) and plugins (.spd), and checks\n"
    "plugins.\n"
    "\n"
    "Commands:\n"
    "  render --data FILE.sft --plugin FILE.spd [--output FILE] [--lists-dir DIR]\n"
    "         [--encoding cp932|utf-8] [--strict] [--replace-unencodable]\n"
    "      Writes the Readme that Norvelle's preview window saves for the same form and\n"
    "      plugin: the expanded plugin, then one more CR LF, in the plugin's encoding:\n"
    "      code page 932, or UTF-8 for a plugin that starts with the UTF-8 byte-order\n"
    "      mark (the Readme then starts with it too) or is valid UTF-8 throughout with a\n"
    "      character outside ASCII. Without --output (or with --output -) the Readme\n"
    "      goes to standard output. A file is replaced only when the whole Readme is\n"
    "      ready; standard output gets nothing when the command fails. A plugin line may\n"
    "      be at most 1 MiB long and a Readme at most 1 GiB large; a file with a longer\n"
    "      line is no plugin, and a larger Readme is refused (exit 4) before it fills\n"
    "      the disk. Render takes a few megabytes of memory whatever the plugin; on its\n"
    "      way to standard output the Readme waits in the temporary folder.\n"
    "  check FILE.spd...\n"
    "      Lists every marker that would stay in the Readme as written: an unknown name,\n"
    "      or a \"[$\" not closed on its line. One line each, FILE:LINE:COLUMN (the column\n"
    "      counted in characters from 1). A line longer than 1 MiB is an error (exit 4).\n"
    "  show --data FILE.sft [--lists-dir DIR] [--json]\n"
    "      Prints the fields with their labels and the selected needed files by name;\n"
    "      --json prints one JSON object.\n"
    "\n"
    "Options:\n"
    "  --data FILE.sft        the software data file: the form the Readme is made from\n"
    "  --plugin FILE.spd      the plugin: the template with its [$...] markers\n"
    "  --output FILE          where the Readme goes (default, and -: standard output)\n"
    "  --encoding ENCODING    cp932 or utf-8 (without a byte-order mark), whatever the\n"
    "                         plugin's encoding (default: the plugin's, as the window\n"
    "                         writes)\n"
    "  --json                 show: print one JSON object with stable keys\n"
    "  --lists-dir DIR        the folder of Needfiles.dat (default: the working directory);\n"
    "                         the needed files are its entries after the five fixed ones\n"
    "  --strict               run check first; write nothing if it finds a problem\n"
    "  --replace-unencodable  write \"?\" for characters that code page 932 cannot hold\n"
    "  -h, --help             show this help and exit\n"
    "  --version              show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  check (or render --strict) found an unknown or unclosed marker\n"
    "  2  the command line is wrong\n"
    "  3  code page 932 cannot hold some characters of the Readme; nothing written\n"
    "  4  a file could not be read or written (check: also when others had problems)\n"
    "  5  the .sft file is not Norvelle 2.0x software data\n";

static_assert(kMaxPluginLineSize == std::size_t{1} << 20 && kMaxReadmeSize == std::uint64_t{1} << 30,
              "--help states the limits in words");

int runCommand(const std::vector<std::string>& args, std::ostream& out, Messages& messages) {
    if (args.empty()) return messages.usage("a command is missing: render, check or show");

    const std::string& command = args[0];
    auto given = [&args](std::string_view option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (given("-h") || given("--help")) {
        out << kUsage;
        return kExitOk;
    }
    if (given("--version")) {
        out << kProgram << " (Norvelle) " << kAppVersion << '\n';
        return kExitOk;
    }

    Arguments parsed;
    std::string error;
    if (command == "render") {
        error = parseArguments(args, 1,
                               {{"--data", true},
                                {"--plugin", true},
                                {"--output", true},
                                {"--lists-dir", true},
                                {"--encoding", true},
                                {"--strict", false},
                                {"--replace-unencodable", false}},
                               parsed);
        if (error.empty()) return runRender(parsed, out, messages);
    } else if (command == "check") {
        error = parseArguments(args, 1, {}, parsed);
        if (error.empty()) return runCheck(parsed, out, messages);
    } else if (command == "show") {
        error = parseArguments(
            args, 1, {{"--data", true}, {"--lists-dir", true}, {"--json", false}}, parsed);
        if (error.empty()) return runShow(parsed, out, messages);
    } else {
        error = "unknown command " + printable(command) + "; the commands are render, check, show";
    }
    return messages.usage(error);
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

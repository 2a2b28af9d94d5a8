// norvelle-cli check: the markers of plugins that a Readme would keep as written.

#include "cli/Command.h"

#include "core/io/FileResult.h"
#include "core/plugin/PluginFile.h"
#include "core/plugin/PluginStream.h"

#include <ostream>

namespace norvelle::cli {

namespace {

int runCheck(const Arguments& a, std::ostream& out, Messages& messages) {
    if (a.operands.empty()) return messages.usage("check needs one or more plugin files");
    bool problems = false;
    bool unreadable = false;
    for (const std::string& path : a.operands) {
        PluginFile file;
        CheckResult checked{file.open(path), file.line()};
        if (!checked.error) {
            // The byte that made a UTF-8 plugin code page 932 comes first: the markers found
            // after it are read in the wrong encoding.
            if (const auto& stray = file.strayByte()) {
                problems = true;
                out << position(path, stray->line, stray->column) << ": "
                    << describeStrayByte(stray->byte) << '\n';
            }
            checked = checkPlugin(file.source(), file.sourceEncoding(), [&](const MarkerProblem& p) {
                problems = true;
                out << position(path, p.line, p.column) << ": " << describe(p) << '\n';
            });
        }
        if (checked.error == FileErrc::TooLarge) {
            messages.lineTooLong(path, checked.line);
        } else if (checked.error) {
            messages.cannotRead(path, checked.error);
        }
        unreadable = unreadable || checked.error;
        // Whatever else is found could not be listed; runCli reports why.
        if (!out.flush()) return kExitIoError;
    }
    if (unreadable) return kExitIoError;
    return problems ? kExitMarkerProblems : kExitOk;
}

// The help states the limit in words.
static_assert(kMaxPluginLineSize == std::size_t{1} << 20);

}  // namespace

const Command kCheckCommand{
    "check",
    "FILE.spd...",
    "Lists every marker that would stay in the Readme as written: an unknown name,\n"
    "or a \"[$\" not closed on its line. One line each, FILE:LINE:COLUMN (the column\n"
    "counted in characters from 1). A plugin that is UTF-8 but for a few bytes is\n"
    "read as code page 932; the first such byte is listed too. A line longer than\n"
    "1 MiB is an error (exit 4), and so are NUL bytes without a byte-order mark\n"
    "(UTF-16 without its mark).",
    {},
    runCheck,
};

}  // namespace norvelle::cli

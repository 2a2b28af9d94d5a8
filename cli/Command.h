#pragma once

// What the commands of norvelle-cli share: their arguments, their messages and the form they
// read. Each command has its own file.

#include "cli/Cli.h"

#include "core/document/SoftwareData.h"
#include "core/plugin/PluginCheck.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle::cli {

inline constexpr std::string_view kProgram = "norvelle-cli";
inline constexpr std::string_view kStdoutName = "<stdout>";

// --- messages ----------------------------------------------------------------------------

// The reason for an errno value, or one of FileIO's k...Error values, in English.
std::string reasonFor(int errnum);

// Control characters of a file's text or name, shown so that a message stays one line and
// the terminal stays as it was.
std::string printable(std::string_view text);

// The first `count` characters of a UTF-8 text, with "…" when there is more.
std::string excerpt(std::string_view text, std::size_t count);

// FILE:LINE:COLUMN or FILE:LINE, the name made printable.
std::string position(std::string_view file, std::size_t line, std::size_t column);
std::string position(std::string_view file, std::size_t line);

std::string describe(const MarkerProblem& problem);

// One line each on standard error, every file name made printable.
class Messages {
public:
    explicit Messages(std::ostream& err) : m_err(err) {}

    void line(std::string_view text);
    void file(std::string_view name, std::string_view text);
    int usage(std::string_view text);
    int cannotRead(std::string_view name, int errnum);
    int cannotWrite(std::string_view name, int errnum);
    // A plugin line longer than kMaxPluginLineSize: a file that is no plugin.
    int lineTooLong(std::string_view name, std::size_t line);

private:
    std::ostream& m_err;
};

// Why writing to `out` failed: the errno its buffer kept, when it keeps one.
int outputError(const std::ostream& out);

// --- command line ------------------------------------------------------------------------

struct Option {
    std::string_view name;
    bool takesValue;
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
                           const std::vector<Option>& options, Arguments& parsed);

// --- software data -----------------------------------------------------------------------

struct LoadedData {
    SoftwareData data;
    std::string versionLine;
};

// Reads a software data file the way the main window loads it, with the needed files of
// `listsDir`. Returns an exit code.
int loadSoftwareData(const std::string& path, const std::string& listsDir, Messages& messages,
                     LoadedData& loaded);

// --- the commands ------------------------------------------------------------------------

int runRender(const Arguments& args, std::ostream& out, Messages& messages);
int runCheck(const Arguments& args, std::ostream& out, Messages& messages);
int runShow(const Arguments& args, std::ostream& out, Messages& messages);

}  // namespace norvelle::cli

#pragma once

// What the commands of norvelle-cli say on standard error, and how they name files and
// markers in it.

#include "cli/Cli.h"

#include "core/plugin/PluginCheck.h"

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <system_error>

namespace norvelle::cli {

inline constexpr std::string_view kProgram = "norvelle-cli";
inline constexpr std::string_view kStdoutName = "<stdout>";

// The reason for a file error, in English.
std::string reasonFor(const std::error_code& error);

// Control characters of a file's text or name, shown so that a message stays one line and
// the terminal stays as it was.
std::string printable(std::string_view text);

// The first `count` characters of a UTF-8 text, with "…" when there is more.
std::string excerpt(std::string_view text, std::size_t count);

// FILE:LINE:COLUMN or FILE:LINE, the name made printable.
std::string position(std::string_view file, std::size_t line, std::size_t column);
std::string position(std::string_view file, std::size_t line);

std::string describe(const MarkerProblem& problem);
// The byte that broke UTF-8 in a file that was UTF-8 but for it: "plugin" or "Readme".
std::string describeStrayByte(unsigned char byte, std::string_view file = "plugin");

// One line each on standard error, every file name made printable.
class Messages {
public:
    explicit Messages(std::ostream& err) : m_err(err) {}

    void line(std::string_view text);
    void file(std::string_view name, std::string_view text);
    int usage(std::string_view text);
    int cannotRead(std::string_view name, const std::error_code& error);
    int cannotWrite(std::string_view name, const std::error_code& error);
    // A plugin line longer than kMaxPluginLineSize: a file that is no plugin.
    int lineTooLong(std::string_view name, std::size_t line);

private:
    std::ostream& m_err;
};

// Why writing to `out` failed: the errno its buffer kept, when it keeps one.
std::error_code outputError(const std::ostream& out);

}  // namespace norvelle::cli

#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace norvelle::cli {

// The exit codes of norvelle-cli; --help lists them too.
enum ExitCode : int {
    kExitOk = 0,
    kExitMarkerProblems = 1,   // check, render --strict: an unknown or unclosed marker, or
                               // a stray byte; lint: anything it reports
    kExitUsage = 2,            // the command line is wrong
    kExitUnencodable = 3,      // code page 932 cannot hold some character; nothing written
    kExitIoError = 4,          // a file could not be read or written
    kExitNotSoftwareData = 5,  // the .sft file is not Norvelle 2.0x software data
};

// Runs one command line (the arguments after the program's name). The Readme and the
// listings go to `out`, messages to `err`, one line each.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The program itself: runCli on the standard streams, made ready for bytes, with temporary
// files removed on Ctrl+C and its like. Returns the exit code.
int runProgram(const std::vector<std::string>& args);

}  // namespace norvelle::cli

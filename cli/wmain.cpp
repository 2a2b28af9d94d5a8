#include "cli/Cli.h"

#include "core/io/win32/Utf16.h"

#include <string>
#include <vector>

// Windows hands a program its arguments in UTF-16 (linked with -municode); the program works
// in UTF-8, so Japanese file names arrive whole whatever the system's code page.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(norvelle::win32::toUtf8(argv[i]));
    return norvelle::cli::runProgram(args);
}

#include "cli/Cli.h"

#include <string>
#include <vector>

// The arguments are UTF-8 on Linux, as the file names are. Windows starts at wmain.cpp.
int main(int argc, char** argv) {
    return norvelle::cli::runProgram(std::vector<std::string>(argv + 1, argv + argc));
}

#include "Cli.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Readmes are binary as far as the streams go; nothing here needs the C stdio sync.
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int code = norvelle::cli::runCli(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}

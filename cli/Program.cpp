#include "cli/Cli.h"
#include "cli/Output.h"

#include "core/io/AtomicFileWriter.h"
#include "core/io/StandardStreams.h"

#include <iostream>
#include <string>
#include <vector>

namespace norvelle::cli {

int runProgram(const std::vector<std::string>& args) {
    // An interrupted render takes its temporary file with it.
    removeTemporaryFilesOnSignals();
    prepareStandardStreams();
    // Readmes are binary as far as the streams go, and standard output keeps the errno of a
    // failed write, which std::cout would lose.
    std::ios::sync_with_stdio(false);
    StandardOutput buffer(StandardStream::Output);
    std::ostream out(&buffer);
    try {
        return runCli(args, out, std::cerr);
    } catch (...) {
        (void)writeStandardStream(StandardStream::Error, "norvelle-cli: out of memory\n");
        return kExitIoError;
    }
}

}  // namespace norvelle::cli

#include "Cli.h"
#include "Output.h"

#include "text/FileIO.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

namespace {

// A standard descriptor the caller closed gets /dev/null, read-only, so that no file the
// program opens takes its number (a Readme's temporary file must not become standard output)
// and writing to it fails with a reason that can be reported.
void occupyClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // An interrupted render takes its temporary file with it.
    norvelle::removeTemporaryFilesOnSignals();
    occupyClosedStandardDescriptors();
    // Readmes are binary as far as the streams go, and standard output keeps the errno of a
    // failed write, which std::cout would lose.
    std::ios::sync_with_stdio(false);
    norvelle::cli::DescriptorOutput buffer(STDOUT_FILENO);
    std::ostream out(&buffer);
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        return norvelle::cli::runCli(args, out, std::cerr);
    } catch (...) {
        static const char kMessage[] = "norvelle-cli: out of memory\n";
        (void)::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
        return norvelle::cli::kExitIoError;
    }
}

#pragma once

// What the tests of norvelle-cli's commands share: the command run in-process, and a form
// written as the window writes it.

#include "cli/Cli.h"

#include "core/document/SoftwareDataFile.h"
#include "core/text/Cp932.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle::cli {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

inline Outcome cli(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = runCli(args, out, err);
    return {code, out.str(), err.str()};
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

inline void writeSoftwareData(const std::string& path, const SoftwareData& form,
                              std::string_view version = "2.06") {
    test::writeBytes(path, encodeCp932(formatSoftwareDataFile(form, version)).bytes);
}

class Cli : public ::testing::Test {
protected:
    test::TempDir dir;
};

}  // namespace norvelle::cli

#pragma once

// The form a command reads: a software data file and the needed files its positions refer to.

#include "cli/Command.h"

#include "core/document/SoftwareData.h"

#include <string>

namespace norvelle::cli {

// The options of every command that reads a software data file.
inline constexpr OptionSpec kDataOption{"--data", "FILE.sft",
                                        "the software data file: the form the Readme is made from"};
inline constexpr OptionSpec kListsDirOption{
    "--lists-dir", "DIR",
    "the folder of Needfiles.dat (default: the working directory);\n"
    "the needed files are its entries after the five fixed ones"};

struct LoadedData {
    SoftwareData data;
    std::string versionLine;
};

// Reads a software data file the way the main window loads it, with the needed files of
// `listsDir`. Returns an exit code.
int loadSoftwareData(const std::string& path, const std::string& listsDir, Messages& messages,
                     LoadedData& loaded);

}  // namespace norvelle::cli

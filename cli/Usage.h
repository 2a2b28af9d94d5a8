#pragma once

#include "cli/Command.h"

#include <span>
#include <string>

namespace norvelle::cli {

// What --help prints: the program's own lines around what each command says of itself, and
// every option once, followed by `ownOptions` (those of the program rather than a command).
std::string usage(std::span<const Command* const> commands, std::span<const OptionSpec> ownOptions);

}  // namespace norvelle::cli

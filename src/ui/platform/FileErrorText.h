#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace norvelle {

// Why a file could not be read or written, in the words of the windows.
std::string describeError(const std::error_code& error);

// The same, for a reader with a size limit: a file over `limit` bytes is named with it.
std::string describeFileError(const std::error_code& error, std::uint64_t limit);

// Where the text of a failed write is when the old file is gone already (WriteResult::keptIn),
// on a line of its own; empty when it is nowhere.
std::string describeKeptText(const std::string& keptIn);

// A size in bytes as the user interface shows it: "4 MB", "512 KB", "100 バイト".
std::string describeSize(std::uint64_t bytes);

// The reason for refusing a file larger than `limit` bytes, naming the limit.
std::string describeTooLarge(std::uint64_t limit);

}  // namespace norvelle

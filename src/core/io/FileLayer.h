#pragma once

// Inside the file layer: what its POSIX and Windows implementations share.

#include "core/io/FileResult.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace norvelle {

// The error a test wants this write step to fail with, or none.
std::error_code injectedFault(std::string_view step, const std::string& path);

// Reads the next piece of an open file into `buffer`: none with `count` 0 at its end, or why
// not.
using ReadPiece =
    std::function<std::error_code(char* buffer, std::size_t size, std::size_t& count)>;

// Reads an open file to its end into `result`, or no more than `limit` bytes of it, marking
// it truncated when it goes on; `sizeGuess` sizes the first buffer. None, or why the reading
// failed (`result` then holds nothing).
std::error_code readToLimit(const ReadPiece& readPiece, std::uint64_t sizeGuess,
                            std::uint64_t limit, ReadResult& result);

}  // namespace norvelle

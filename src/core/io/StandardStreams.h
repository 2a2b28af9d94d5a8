#pragma once

#include <string_view>
#include <system_error>

namespace norvelle {

// Makes the standard streams carry bytes as they are (Windows would turn "\n" into CR LF)
// and gives a standard descriptor the caller closed something harmless to stand on (POSIX),
// so that no file the program opens takes its place.
void prepareStandardStreams();

// Writes all the bytes to standard output or standard error. None, or why not (EPIPE, ENOSPC,
// EBADF when there is no such stream ...).
enum class StandardStream { Output, Error };
std::error_code writeStandardStream(StandardStream stream, std::string_view bytes);

}  // namespace norvelle

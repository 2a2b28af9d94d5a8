#pragma once

#include <cstdint>
#include <string>

namespace norvelle {

// Why a file could not be read or written: an errno value, or one of these kinds the system
// has no number for. The core reports them as data; the windows word them in Japanese, the
// command line in English.
inline constexpr int kNotRegularFileError = -1;     // a device or pipe where a file must be
inline constexpr int kUnsafeLinkError = -2;         // another user's link in a shared folder
inline constexpr int kFolderNotWritableError = -3;  // the file may be written, its folder not
inline constexpr int kTooLargeError = -4;           // larger than the reader allows
inline constexpr int kInvalidNameError = -5;        // a name Windows does not allow
inline constexpr int kLockTimeoutError = -6;        // another process kept a FileLock too long
inline constexpr int kLocksUnsupportedError = -7;   // the file system offers no FileLock

struct ReadResult {
    enum class Status { Ok, Missing, Error };
    Status status = Status::Missing;
    std::string bytes;  // the whole file when Ok
    int errnum = 0;     // why, when Error; ENOENT or ENOTDIR when Missing
    // Ok, but the file is longer than the caller's limit: `bytes` holds only its start.
    bool truncated = false;

    bool ok() const { return status == Status::Ok; }
};

struct WriteResult {
    bool ok = true;
    int errnum = 0;  // why, when !ok
    // !ok, and the old file is gone while the new text could not take its place: the hidden
    // temporary file that holds the text, which the user must not lose.
    std::string keptIn;
};

// No limit on how much of a file is read.
inline constexpr std::uint64_t kWholeFile = UINT64_MAX;

}  // namespace norvelle

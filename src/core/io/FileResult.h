#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace norvelle {

// Why a file could not be read or written: an errno value, in std::generic_category() (the
// Windows implementation turns the system's errors into errno values too), or one of these
// kinds the system has no number for, in fileErrorCategory(). The core reports them as data;
// the windows word them in Japanese, the command line in English, from one table
// (core/io/FileErrorReasons.h).
enum class FileErrc {
    NotRegularFile = 1,  // a device or pipe where a file must be
    UnsafeLink,          // another user's link in a shared folder
    FolderNotWritable,   // the file may be written, its folder not
    TooLarge,            // larger than the reader allows
    InvalidName,         // a name Windows does not allow
    LockTimeout,         // another process kept a FileLock too long
    LocksUnsupported,    // the file system offers no FileLock
    Utf16WithoutMark,    // a plugin of NUL bytes and no byte-order mark: UTF-16 that cannot
                         // be told from its bytes
};

const std::error_category& fileErrorCategory();
std::error_code make_error_code(FileErrc kind);

// An errno value as an error; 0 is none.
inline std::error_code errnoError(int errnum) {
    return {errnum, std::generic_category()};
}

struct ReadResult {
    enum class Status { Ok, Missing, Error };
    Status status = Status::Missing;
    std::string bytes;      // the whole file when Ok
    std::error_code error;  // why, when Error; ENOENT or ENOTDIR when Missing
    // Ok, but the file is longer than the caller's limit: `bytes` holds only its start.
    bool truncated = false;

    bool ok() const { return status == Status::Ok; }
};

struct WriteResult {
    bool ok = true;
    std::error_code error;  // why, when !ok
    // !ok, and the old file is gone while the new text could not take its place: the hidden
    // temporary file that holds the text, which the user must not lose.
    std::string keptIn;
};

// No limit on how much of a file is read.
inline constexpr std::uint64_t kWholeFile = UINT64_MAX;

}  // namespace norvelle

template <>
struct std::is_error_code_enum<norvelle::FileErrc> : std::true_type {};

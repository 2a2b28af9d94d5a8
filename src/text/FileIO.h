#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace norvelle {

struct ReadResult {
    enum class Status { Ok, Missing, Error };
    Status status = Status::Missing;
    std::string bytes;  // the whole file when Ok
    std::string error;  // the reason, in Japanese, when Error

    bool ok() const { return status == Status::Ok; }
};

struct WriteResult {
    bool ok = true;
    std::string error;  // the reason, in Japanese, when !ok
};

// Reads a whole file. A missing file is its own outcome; a folder, a file without read
// permission or a failing read is an error with its reason.
ReadResult readFileBytes(const std::string& path);

// Reads a file and decodes it from code page 932 to UTF-8.
ReadResult readTextFile(const std::string& path);

bool fileExists(const std::string& path);          // any kind of file or folder
std::optional<std::uint64_t> fileSize(const std::string& path);  // regular files only

// Writes the bytes to a temporary file in the target's folder, flushes it to the disk and
// renames it over the target, so that a failed or interrupted write leaves the old file
// whole. Keeps the permissions of a file it replaces.
WriteResult writeFileAtomic(const std::string& path, std::string_view bytes);

// Removes a file. A missing file counts as removed.
WriteResult removeFile(const std::string& path);

// The reason for an errno value, in the words of the program's user interface.
std::string describeErrno(int errnum);

// Test seam: when set, every write step asks it first; a non-zero errno it returns makes
// that step fail with that errno. Steps: "open", "write", "sync", "rename", "remove".
using WriteFaultInjector = std::function<int(std::string_view step, const std::string& path)>;
void setWriteFaultInjector(WriteFaultInjector injector);

}  // namespace norvelle

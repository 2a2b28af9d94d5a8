#pragma once

#include "core/io/FileResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace norvelle {

// Reads a whole file, or no more than its first `limit` bytes: a longer file comes back cut
// and marked truncated, so that no file can take more memory than its reader allows. A
// missing file is its own outcome; a folder, a named pipe, a device, a file without read
// permission or a failing read is an error with its reason.
ReadResult readFileBytes(const std::string& path, std::uint64_t limit = kWholeFile);

// Reads a file, or its first `limit` bytes, and decodes it from code page 932 to UTF-8.
ReadResult readTextFile(const std::string& path, std::uint64_t limit = kWholeFile);

// Whether something is at a path. A path that cannot be looked at (a folder on the way
// without search permission, an I/O error) is neither there nor missing: Unknown, with the
// errno, so that no caller mistakes a file it may not see for one that is not there.
enum class FileState { Missing, Present, Unknown };
struct FileLookup {
    FileState state = FileState::Missing;
    std::error_code error;  // when Unknown
    bool folder = false;    // when Present: a folder
    bool regular = false;   // when Present: a regular file, not a device or pipe
};
FileLookup lookUpFile(const std::string& path);
bool fileExists(const std::string& path);  // Present: any kind of file or folder
std::optional<std::uint64_t> fileSize(const std::string& path);  // regular files only

// readFileBytes for what FileReader reads: any kind of file but a folder, a named pipe too.
ReadResult readAnyFileBytes(const std::string& path, std::uint64_t limit = kWholeFile);

// A file read from start to end a piece at a time. Unlike readFileBytes it reads any kind of
// file but a folder, a named pipe too: whoever names one to a command means it.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    std::error_code open(const std::string& path);  // none, or ENOENT, EACCES, EISDIR ...
    // Reads up to `size` bytes; `count` 0 means the end of the file.
    std::error_code read(char* buffer, std::size_t size, std::size_t& count);
    std::error_code readAll(std::string& bytes);  // appends all that is left
    void close();

private:
    std::intptr_t m_handle = -1;  // a descriptor, or a Windows HANDLE
};

}  // namespace norvelle

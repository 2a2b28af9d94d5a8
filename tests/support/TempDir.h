#pragma once

#include "core/text/TextEncoding.h"

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

namespace norvelle::test {

// A fresh temporary folder that is the working directory while the object lives; the
// previous working directory comes back and the folder is removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(std::string_view name) const { return m_path + "/" + std::string(name); }

private:
    std::string m_path;
    std::string m_previous;
};

// The few checks that differ by system: Windows allows no control character in a file name,
// keeps no permission bits, and calls its null device NUL.
#ifdef _WIN32
inline constexpr bool kOnWindows = true;
#else
inline constexpr bool kOnWindows = false;
#endif
inline constexpr const char* kNullDevice = kOnWindows ? "NUL" : "/dev/null";

// Paths are UTF-8 in the program; the standard library takes them as the system's own (on
// Windows, UTF-16) only through these.
std::filesystem::path fsPath(std::string_view utf8);
std::string utf8Path(const std::filesystem::path& path);

// Small file helpers for tests: bytes in, bytes out, no conversion. A plugin (*.spd) written
// by writeBytes must be one the program reads as code page 932, and one written by
// writeUtf8Plugin one it reads as UTF-8, and one written by writePlugin one it reads in the
// encoding given, so that every plugin of the tests proves the rule that tells them apart.
void writeBytes(const std::string& path, std::string_view bytes);
void writeUtf8Plugin(const std::string& path, std::string_view bytes);
void writePlugin(const std::string& path, std::string_view bytes, TextEncoding encoding);
std::string readBytes(const std::string& path);
bool exists(const std::string& path);
// Makes the file `size` bytes long without writing them (sparse where the file system can).
void resizeFile(const std::string& path, std::uintmax_t size);
// A named pipe at `path`; false where the file system has none (Windows).
bool makeNamedPipe(const std::string& path);

// The names in a folder, hidden ones included: what a failed or interrupted write may have
// left behind.
std::set<std::string> namesIn(const std::string& folder);

// UTF-8 text to code page 932 bytes, for writing test files in Japanese.
std::string sjis(std::string_view utf8);

}  // namespace norvelle::test

#pragma once

// What the Windows side of the file layer shares: paths are UTF-8 in the program and UTF-16
// at the system's boundary, and the system's error codes become the errno values (or the
// k...Error kinds of FileResult.h) that the rest of the program words.

#include <string>
#include <string_view>
#include <system_error>

#include <windows.h>

namespace norvelle::win32 {

std::wstring toUtf16(std::string_view utf8);
std::string toUtf8(std::wstring_view utf16);

// A path for the wide file functions: UTF-16, and for a path longer than the old limit of
// 260 characters, the full path with the \\?\ prefix that lifts it.
std::wstring systemPath(const std::string& utf8);

// GetLastError()'s code as an errno value or one of the FileErrc kinds.
std::error_code errorFromSystem(DWORD code);
inline std::error_code lastError() {
    return errorFromSystem(::GetLastError());
}

// Whether a path's last part names one of the devices that exist in every folder: CON, PRN,
// AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, with or without an extension
// ("aux.txt" too, as Windows before 11 reads it), in any case.
bool isDeviceName(const std::string& path);

// A full path for a relative one, taken against the working directory now.
std::wstring fullPath(const std::wstring& path);

// The folder part of a path, '\' or '/' separated, "." for a bare name.
std::string folderOf(const std::string& path);

// A virus scanner, the search indexer or a backup program opens a file for a moment, without
// letting others in; reads and writes wait that out. Waits before the next try, after pauses
// of 10, 20, 40 ... up to 500 ms, for two seconds in all; false when the time is up.
class Patience {
public:
    bool waitAgain();

private:
    static constexpr ULONGLONG kPatienceMs = 2000;
    const ULONGLONG m_start = ::GetTickCount64();
    DWORD m_pause = 10;
};

}  // namespace norvelle::win32

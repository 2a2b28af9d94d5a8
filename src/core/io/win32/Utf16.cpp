#include "core/io/win32/Utf16.h"

#include "core/io/FileResult.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>

namespace norvelle::win32 {

std::wstring toUtf16(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
    return out;
}

std::string toUtf8(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int size = static_cast<int>(utf16.size());
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring systemPath(const std::string& utf8) {
    std::wstring path = toUtf16(utf8);
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    // Below the old limit every Windows accepts the path as it is, relative or not; the limit
    // counts the whole path, the working directory's part too.
    const std::wstring full = fullPath(path);
    if (full.size() < MAX_PATH - 12) return path;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share
    return L"\\\\?\\" + full;
}

namespace {

int errnoFromSystem(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_UNIT:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
        case ERROR_CANNOT_MAKE:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
        case ERROR_UNABLE_TO_REMOVE_REPLACED:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
            return EBUSY;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case 1295:  // ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack
            return ENOSPC;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return ENAMETOOLONG;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
            return EPIPE;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
            return ENOTSUP;
        case ERROR_OPERATION_ABORTED:
            return EINTR;
        default:
            // A disk, network or device failure (ERROR_CRC, ERROR_WRITE_FAULT, ERROR_NOT_READY,
            // ERROR_NETNAME_DELETED ...): the data did not get through.
            return EIO;
    }
}

}  // namespace

std::error_code errorFromSystem(DWORD code) {
    if (code == ERROR_INVALID_NAME || code == ERROR_BAD_PATHNAME) return FileErrc::InvalidName;
    return errnoError(errnoFromSystem(code));
}

bool isDeviceName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static const std::array<std::string_view, 6> kNames = {"CON", "PRN",    "AUX",
                                                           "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kNames.begin(), kNames.end(), name) != kNames.end()) return true;
    return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) &&
           name[3] >= '1' && name[3] <= '9';
}

std::wstring fullPath(const std::wstring& path) {
    const DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    if (written == 0 || written >= n) return path;
    full.resize(written);
    return full;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) {
        // "C:name" is a name in the current folder of drive C.
        if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + ".";
        return ".";
    }
    // The root of a drive keeps its separator: "C:\" is the folder, "C:" is not.
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

bool Patience::waitAgain() {
    const ULONGLONG waited = ::GetTickCount64() - m_start;
    if (waited >= kPatienceMs) return false;
    ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(m_pause, kPatienceMs - waited)));
    m_pause = std::min<DWORD>(m_pause * 2, 500);
    return true;
}

}  // namespace norvelle::win32

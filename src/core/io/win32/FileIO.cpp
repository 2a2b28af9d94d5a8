#include "core/io/FileReader.h"

#include "core/io/FileLayer.h"
#include "core/io/win32/Utf16.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

// Reading files on Windows: UTF-8 paths become UTF-16 here, handles stay inside this file,
// and the system's reasons come back as the errno values the rest of the program words.

namespace norvelle {

namespace {

HANDLE toHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

// Opens what is at a path for reading. Folders are told apart before opening, since a folder
// can only be opened with backup semantics and then reads as "access denied".
std::error_code openForReading(const std::string& path, HANDLE& handle) {
    // A console (CON) waits for someone to type, and other devices are no files either.
    if (win32::isDeviceName(path)) return FileErrc::NotRegularFile;
    const std::wstring wide = win32::systemPath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return errnoError(EISDIR);
    // Others may read, write and even replace the file while it is read: Norvelle's own
    // writer replaces a plugin or list whole, and the open reader keeps the old text.
    // A program that holds the file for a moment without letting others read is waited for,
    // as the writer waits: a list read at a change must not fail because the indexer looked.
    win32::Patience patience;
    for (;;) {
        handle = ::CreateFileW(wide.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle != INVALID_HANDLE_VALUE) break;
        const DWORD code = ::GetLastError();
        if ((code != ERROR_SHARING_VIOLATION && code != ERROR_LOCK_VIOLATION) ||
            !patience.waitAgain())
            return win32::errorFromSystem(code);
    }
    if (::GetFileType(handle) == FILE_TYPE_CHAR) {
        ::CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
        return FileErrc::NotRegularFile;
    }
    return {};
}

// Reads up to `size` bytes; `count` 0 at the end. The end of a pipe is its end, not an error.
std::error_code readSome(HANDLE handle, char* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, DWORD{1} << 30));
    DWORD n = 0;
    win32::Patience patience;  // a range another program locks for a moment
    while (!::ReadFile(handle, buffer, chunk, &n, nullptr)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_LOCK_VIOLATION && patience.waitAgain()) continue;
        return code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF ? std::error_code()
                                                                     : win32::errorFromSystem(code);
    }
    count = n;
    return {};
}

bool isMissing(const std::error_code& err) {
    return err == std::errc::no_such_file_or_directory || err == std::errc::not_a_directory;
}

}  // namespace

ReadResult readFileBytes(const std::string& path, std::uint64_t limit) {
    ReadResult result;
    auto fail = [&result](std::error_code error) {
        result.status = ReadResult::Status::Error;
        result.error = error;
        return result;
    };

    HANDLE handle = INVALID_HANDLE_VALUE;
    if (std::error_code err = openForReading(path, handle)) {
        if (!isMissing(err)) return fail(err);
        result.error = err;
        return result;
    }
    LARGE_INTEGER size{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileSizeEx(handle, &size)) {
        ::CloseHandle(handle);
        return fail(FileErrc::NotRegularFile);
    }

    const std::error_code err =
        readToLimit([handle](char* buffer, std::size_t size,
                             std::size_t& count) { return readSome(handle, buffer, size, count); },
                    static_cast<std::uint64_t>(size.QuadPart), limit, result);
    ::CloseHandle(handle);
    return !err ? result : fail(err);
}

FileLookup lookUpFile(const std::string& path) {
    if (win32::isDeviceName(path)) return {FileState::Present, {}, false, false};
    const std::wstring wide = win32::systemPath(path);
    // Opening with no access at all tells a device (NUL, CON, COM1, "aux.txt") from a file,
    // which the attributes alone do not; backup semantics let it open a folder too.
    const HANDLE handle =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        const DWORD type = ::GetFileType(handle);
        BY_HANDLE_FILE_INFORMATION info{};
        const bool folder = type == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info) &&
                            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        ::CloseHandle(handle);
        return {FileState::Present, {}, folder, type == FILE_TYPE_DISK && !folder};
    }
    const std::error_code err = win32::lastError();
    if (isMissing(err)) return {FileState::Missing, {}};
    // Some files cannot even be opened for nothing (a file in use without shared deletion,
    // one its owner locked down), yet the folder lists them.
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
        return {FileState::Present, {}, folder, !folder};
    }
    // A name Windows does not allow names nothing that is there.
    if (err == FileErrc::InvalidName) return {FileState::Missing, {}};
    return {FileState::Unknown, err};
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(win32::systemPath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !lookUpFile(path).regular)
        return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::error_code FileReader::open(const std::string& path) {
    close();
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (std::error_code err = openForReading(path, handle)) return err;
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return {};
}

std::error_code FileReader::read(char* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    if (m_handle == -1) return errnoError(EBADF);
    return readSome(toHandle(m_handle), buffer, size, count);
}

void FileReader::close() {
    if (m_handle != -1) ::CloseHandle(toHandle(m_handle));
    m_handle = -1;
}

}  // namespace norvelle

#include "core/io/FileLock.h"

#include "core/io/win32/Utf16.h"

#include <string>

// LockFileEx on single bytes of the lock file. Windows ties a lock to the handle, so two
// FileLocks of one process keep each other out as two processes do.

namespace norvelle {

namespace {

HANDLE toHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

OVERLAPPED at(int byte) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(byte);
    return where;
}

}  // namespace

std::error_code FileLock::openLockFile(const std::string& path) {
    if (win32::isDeviceName(path)) return FileErrc::NotRegularFile;
    // A folder would only read as "access denied", which lets a change go on unlocked.
    const DWORD attributes = ::GetFileAttributesW(win32::systemPath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return errnoError(EISDIR);
    // Open to every other user of the file, and hidden from Explorer's listing like the
    // writer's temporary files (the attribute counts only when the file is made here).
    const HANDLE handle =
        ::CreateFileW(win32::systemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return win32::lastError();
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        return FileErrc::NotRegularFile;
    }
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return {};
}

std::error_code FileLock::tryLock(Byte byte, bool& held) {
    OVERLAPPED where = at(static_cast<int>(byte));
    held = ::LockFileEx(toHandle(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                        1, 0, &where);
    if (held) return {};
    const DWORD code = ::GetLastError();
    return code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING ? std::error_code()
                                                                    : win32::errorFromSystem(code);
}

void FileLock::unlockByte(Byte byte) {
    OVERLAPPED where = at(static_cast<int>(byte));
    ::UnlockFileEx(toHandle(m_handle), 0, 1, 0, &where);
}

void FileLock::unlock() {
    if (m_handle == -1) return;
    // Closing the handle drops the locks too, but only "eventually"; this drops the lock now.
    // When it was never had, there is nothing to drop and the call fails harmlessly.
    unlockByte(Byte::Lock);
    ::CloseHandle(toHandle(m_handle));
    m_handle = -1;
}

}  // namespace norvelle

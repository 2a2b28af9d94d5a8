#pragma once

#include "core/io/FileResult.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace norvelle {

// An advisory lock that lets one process at a time change files that several share (the
// registered lists of two windows on one folder). It lives in a lock file of its own, since
// the atomic writer replaces the files it guards; the file is made when missing, empty and on
// Windows hidden (on POSIX a name with a leading dot hides it), and is left in place: removing
// it while another process waits would let two processes lock two different files. The
// system drops the lock when the holder closes it or ends, however it ends, so a crashed
// program never blocks the next one. Also held against other FileLocks of the same process.
// Waiters take turns with a holder that locks again and again: none waits for long while
// another goes on changing the files.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits up to `timeout` for the lock: none, FileErrc::LockTimeout, FileErrc::LocksUnsupported
    // where the file system has no locks (NFS without its lock service, some network shares),
    // or why the lock file could not be opened (EISDIR, ELOOP for a link,
    // FileErrc::NotRegularFile for a pipe or device, EACCES ...) or locked. Step for the fault
    // injector: "lock", once the lock file is open; what it returns is taken as the system's
    // answer.
    std::error_code lock(const std::string& path, std::chrono::milliseconds timeout);
    void unlock();

private:
    // The lock is one byte of the lock file, the queue in front of it another.
    enum class Byte { Lock = 0, Queue = 1 };
    std::error_code openLockFile(const std::string& path);
    std::error_code tryLock(Byte byte, bool& held);  // none, `held` false, while another has it
    void unlockByte(Byte byte);
    std::error_code waitFor(Byte byte, std::chrono::steady_clock::time_point deadline);

    std::intptr_t m_handle = -1;  // a descriptor, or a Windows HANDLE
};

}  // namespace norvelle

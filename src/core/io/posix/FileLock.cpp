#include "core/io/FileLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

// Linux's open file description locks: byte ranges, as the queue needs, that belong to the
// open file rather than to the process. A classic record lock would be dropped when the
// process closed any other descriptor of the file, and would not keep two FileLocks of one
// process apart.

namespace norvelle {

namespace {

int setLock(int fd, int byte, short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = byte;
    range.l_len = 1;
    while (::fcntl(fd, F_OFD_SETLK, &range) != 0)
        if (errno != EINTR) return errno;
    return 0;
}

}  // namespace

std::error_code FileLock::openLockFile(const std::string& path) {
    // No link is followed: a link someone left in a shared folder must not make the program
    // create or lock a file elsewhere. O_NONBLOCK, should a named pipe stand in its place.
    const int fd = ::open(path.c_str(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0) return errnoError(errno);
    struct stat st;
    const std::error_code err = ::fstat(fd, &st) != 0 ? errnoError(errno)
                                : S_ISREG(st.st_mode) ? std::error_code()
                                                      : FileErrc::NotRegularFile;
    if (err) {
        ::close(fd);
        return err;
    }
    m_handle = fd;
    return {};
}

std::error_code FileLock::tryLock(Byte byte, bool& held) {
    const int err = setLock(static_cast<int>(m_handle), static_cast<int>(byte), F_WRLCK);
    held = err == 0;
    return errnoError(err == EAGAIN || err == EACCES ? 0 : err);
}

void FileLock::unlockByte(Byte byte) {
    setLock(static_cast<int>(m_handle), static_cast<int>(byte), F_UNLCK);
}

void FileLock::unlock() {
    // Closing the only descriptor of the open file drops its locks.
    if (m_handle >= 0) ::close(static_cast<int>(m_handle));
    m_handle = -1;
}

}  // namespace norvelle

#include "core/io/FileReader.h"

#include "core/io/FileLayer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

namespace norvelle {

namespace {

int closeFile(int fd) {
    // Linux releases the descriptor even when close fails; never retry it.
    return ::close(fd) == 0 ? 0 : errno;
}

// Reads up to `size` bytes; `count` 0 at the end.
int readSome(int fd, char* buffer, std::size_t size, std::size_t& count) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        count = n > 0 ? static_cast<std::size_t>(n) : 0;
        if (n >= 0) return 0;
        if (errno != EINTR) return errno;
    }
}

}  // namespace

ReadResult readFileBytes(const std::string& path, std::uint64_t limit) {
    ReadResult result;
    auto fail = [&result](std::error_code error) {
        result.status = ReadResult::Status::Error;
        result.error = error;
        return result;
    };
    auto failErrno = [&fail](int errnum) { return fail(errnoError(errnum)); };
    auto notRegular = [&fail] { return fail(FileErrc::NotRegularFile); };
    auto missing = [&result](int errnum) {
        result.error = errnoError(errnum);
        return result;
    };

    // Look before opening: opening a named pipe or a device may block or have effects.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return missing(errno);
        return failErrno(errno);
    }
    if (S_ISDIR(st.st_mode)) return failErrno(EISDIR);
    if (!S_ISREG(st.st_mode)) return notRegular();

    // O_NONBLOCK too, in case the path was swapped for a pipe since the look above.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return missing(errno);
        return failErrno(errno);
    }
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return failErrno(err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? failErrno(EISDIR) : notRegular();
    }

    const std::error_code err = readToLimit(
        [fd](char* buffer, std::size_t size, std::size_t& count) {
            return errnoError(readSome(fd, buffer, size, count));
        },
        static_cast<std::uint64_t>(st.st_size), limit, result);
    ::close(fd);
    return !err ? result : fail(err);
}

FileLookup lookUpFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return {FileState::Present, {}, S_ISDIR(st.st_mode), S_ISREG(st.st_mode)};
    if (errno == ENOENT || errno == ENOTDIR) return {FileState::Missing, {}};
    return {FileState::Unknown, errnoError(errno)};
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::error_code FileReader::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errnoError(errno);
    struct stat st;
    int err = ::fstat(fd, &st) != 0 ? errno : 0;
    if (err == 0 && S_ISDIR(st.st_mode)) err = EISDIR;
    if (err != 0) {
        ::close(fd);
        return errnoError(err);
    }
    m_handle = fd;
    return {};
}

std::error_code FileReader::read(char* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    if (m_handle < 0) return errnoError(EBADF);
    return errnoError(readSome(static_cast<int>(m_handle), buffer, size, count));
}

void FileReader::close() {
    if (m_handle >= 0) closeFile(static_cast<int>(m_handle));
    m_handle = -1;
}

}  // namespace norvelle

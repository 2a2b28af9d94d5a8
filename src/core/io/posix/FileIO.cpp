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
    auto fail = [&result](int errnum) {
        result.status = ReadResult::Status::Error;
        result.errnum = errnum;
        return result;
    };
    auto notRegular = [&fail] { return fail(kNotRegularFileError); };
    auto missing = [&result](int errnum) {
        result.errnum = errnum;
        return result;
    };

    // Look before opening: opening a named pipe or a device may block or have effects.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return missing(errno);
        return fail(errno);
    }
    if (S_ISDIR(st.st_mode)) return fail(EISDIR);
    if (!S_ISREG(st.st_mode)) return notRegular();

    // O_NONBLOCK too, in case the path was swapped for a pipe since the look above.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return missing(errno);
        return fail(errno);
    }
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? fail(EISDIR) : notRegular();
    }

    const int err =
        readToLimit([fd](char* buffer, std::size_t size,
                         std::size_t& count) { return readSome(fd, buffer, size, count); },
                    static_cast<std::uint64_t>(st.st_size), limit, result);
    ::close(fd);
    return err == 0 ? result : fail(err);
}

FileLookup lookUpFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return {FileState::Present, 0, S_ISDIR(st.st_mode), S_ISREG(st.st_mode)};
    if (errno == ENOENT || errno == ENOTDIR) return {FileState::Missing, 0};
    return {FileState::Unknown, errno};
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

int FileReader::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno;
    struct stat st;
    int err = ::fstat(fd, &st) != 0 ? errno : 0;
    if (err == 0 && S_ISDIR(st.st_mode)) err = EISDIR;
    if (err != 0) {
        ::close(fd);
        return err;
    }
    m_handle = fd;
    return 0;
}

int FileReader::read(char* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    if (m_handle < 0) return EBADF;
    return readSome(static_cast<int>(m_handle), buffer, size, count);
}

void FileReader::close() {
    if (m_handle >= 0) closeFile(static_cast<int>(m_handle));
    m_handle = -1;
}

}  // namespace norvelle

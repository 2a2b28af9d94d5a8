#include "text/FileIO.h"

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

}  // namespace

ReadResult readFileBytes(const std::string& path, std::uint64_t limit) {
    ReadResult result;
    auto fail = [&result](int errnum) {
        result.status = ReadResult::Status::Error;
        result.errnum = errnum;
        return result;
    };
    auto notRegular = [&fail] { return fail(kNotRegularFileError); };

    // Look before opening: opening a named pipe or a device may block or have effects.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return result;  // Missing
        return fail(errno);
    }
    if (S_ISDIR(st.st_mode)) return fail(EISDIR);
    if (!S_ISREG(st.st_mode)) return notRegular();

    // O_NONBLOCK too, in case the path was swapped for a pipe since the look above.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return result;
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

    // The size is a first guess: the file may change while it is read. One byte beyond the
    // limit tells whether the file goes on.
    const std::uint64_t cap = limit == kWholeFile ? kWholeFile : limit + 1;
    std::string& data = result.bytes;
    data.resize(
        static_cast<std::size_t>(std::min(static_cast<std::uint64_t>(st.st_size) + 1, cap)));
    std::size_t filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (filled >= cap) break;
            data.resize(static_cast<std::size_t>(std::min<std::uint64_t>(data.size() * 2, cap)));
        }
        const ssize_t n = ::read(fd, data.data() + filled, data.size() - filled);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            result.bytes.clear();
            return fail(err);
        }
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (filled > limit) {
        filled = static_cast<std::size_t>(limit);
        result.truncated = true;
    }
    data.resize(filled);
    result.status = ReadResult::Status::Ok;
    return result;
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
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_handle), buffer, size);
        if (n >= 0) {
            count = static_cast<std::size_t>(n);
            return 0;
        }
        if (errno != EINTR) return errno;
    }
}

void FileReader::close() {
    if (m_handle >= 0) closeFile(static_cast<int>(m_handle));
    m_handle = -1;
}

}  // namespace norvelle

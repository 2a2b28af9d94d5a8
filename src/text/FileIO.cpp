#include "text/FileIO.h"

#include "text/Cp932.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <random>
#include <string>

namespace norvelle {

namespace {

const char kNotRegularFile[] = "通常のファイルではありません。";

std::mutex& injectorMutex() {
    static std::mutex m;
    return m;
}

WriteFaultInjector& injectorSlot() {
    static WriteFaultInjector injector;
    return injector;
}

// The errno a test wants this step to fail with, or 0.
int injectedFault(std::string_view step, const std::string& path) {
    WriteFaultInjector injector;
    {
        std::lock_guard<std::mutex> lock(injectorMutex());
        injector = injectorSlot();
    }
    return injector ? injector(step, path) : 0;
}

WriteResult failure(int errnum) {
    return {false, describeErrno(errnum)};
}

// strerror_r comes in two flavours, depending on the C library's feature macros.
[[maybe_unused]] const char* strerrorText(int result, const char* buf) {
    return result == 0 ? buf : "";
}
[[maybe_unused]] const char* strerrorText(const char* result, const char*) {
    return result;
}

int closeFile(int fd) {
    // Linux releases the descriptor even when close fails; never retry it.
    return ::close(fd) == 0 ? 0 : errno;
}

// Follows symbolic links to the file they name, even one that does not exist yet, so that
// saving through a link updates the file it points at and keeps the link.
int resolveLinks(const std::string& path, std::string& resolved) {
    resolved = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(resolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(resolved.c_str(), buf, sizeof buf);
        if (n < 0) return errno;
        if (static_cast<std::size_t>(n) == sizeof buf) return ENAMETOOLONG;
        std::string target(buf, static_cast<std::size_t>(n));
        if (!target.empty() && target[0] != '/') {
            const std::size_t slash = resolved.rfind('/');
            if (slash != std::string::npos) target.insert(0, resolved, 0, slash + 1);
        }
        resolved = std::move(target);
    }
    return ELOOP;
}

// Creates a new, empty temporary file next to `target`. Its name starts with a dot and ends
// in .tmp, so no one listing *.txt, *.spd or *.sft files ever sees it. Created with mode
// 0666, so the kernel applies the umask and the folder's default permissions as for any
// new file.
int createTempFile(const std::string& target, std::string& tempPath, int& fd) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.size() > 200) name.resize(200);  // the suffix must still fit in NAME_MAX

    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random(std::random_device{}() ^
                                        static_cast<std::uint64_t>(::getpid()) << 32);
    const std::string prefix = folder + "." + name + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, 'X');
        for (char& c : suffix) c = kChars[random() % (sizeof kChars - 1)];
        tempPath = prefix;
        tempPath.append(suffix).append(".tmp");
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

int writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const std::size_t chunk = left < (std::size_t{1} << 30) ? left : (std::size_t{1} << 30);
        const ssize_t n = ::write(fd, p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

int syncFile(int fd) {
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        // Some file systems cannot flush on request; the data is written all the same.
        if (errno == EINVAL || errno == ENOTSUP) return 0;
        return errno;
    }
    return 0;
}

// Makes the rename itself last through a power cut. Best effort: the file is already in
// place and whole, so a folder that cannot be flushed is no reason to report a failure.
void syncFolderOf(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Gives a temporary file the replaced file's permissions and, where allowed, its owner. Both
// are courtesies: a file system that ignores them still gets the new text.
void keepOwnership(int fd, const struct stat& replaced) {
    (void)::fchmod(fd, replaced.st_mode & 07777);
    struct stat now;
    if (::fstat(fd, &now) == 0 &&
        (now.st_uid != replaced.st_uid || now.st_gid != replaced.st_gid)) {
        if (::fchown(fd, replaced.st_uid, replaced.st_gid) == 0) {
            // chown may clear the set-id bits; give them back.
            (void)::fchmod(fd, replaced.st_mode & 07777);
        }
    }
}

// Writes everything to an open temporary file, flushes and closes it; returns an errno.
int fillTempFile(int fd, const std::string& path, std::string_view bytes,
                 const struct stat* replaced) {
    int err = 0;
    if (replaced) keepOwnership(fd, *replaced);
    err = injectedFault("write", path);
    if (err == 0) err = writeAll(fd, bytes);
    if (err == 0) err = injectedFault("sync", path);
    if (err == 0) err = syncFile(fd);
    const int closeErr = closeFile(fd);
    return err != 0 ? err : closeErr;
}

// Where a write to `path` lands, links followed, and whether it replaces a file. Returns an
// errno, or kNotRegularFileError for a device or a named pipe, which no rename may replace.
int checkTarget(const std::string& path, std::string& target, struct stat& old, bool& replacing) {
    if (int err = resolveLinks(path, target)) return err;
    replacing = ::stat(target.c_str(), &old) == 0;
    if (!replacing) return errno == ENOENT ? 0 : errno;
    if (S_ISDIR(old.st_mode)) return EISDIR;
    if (!S_ISREG(old.st_mode)) return kNotRegularFileError;
    // Renaming over a read-only file would succeed; the user asked for it to stay.
    if (::access(target.c_str(), W_OK) != 0) return errno;
    return 0;
}

}  // namespace

std::string describeErrno(int errnum) {
    switch (errnum) {
        case ENOSPC:
            return "ディスクの空き容量が足りません。";
        case EDQUOT:
            return "ディスクの使用量の上限を超えています。";
        case EACCES:
        case EPERM:
            return "アクセスが拒否されました。";
        case ENOENT:
            return "ファイルまたはフォルダが見つかりません。";
        case ENOTDIR:
            return "パスの途中にフォルダではないものがあります。";
        case EROFS:
            return "読み取り専用の場所です。";
        case EISDIR:
            return "フォルダです。";
        case EIO:
            return "ディスクの読み書きでエラーが発生しました。";
        case ENAMETOOLONG:
            return "ファイル名が長すぎます。";
        case ETXTBSY:
        case EBUSY:
            return "ファイルが使用中です。";
        case EMFILE:
        case ENFILE:
            return "開いているファイルが多すぎます。";
        case ELOOP:
            return "シンボリックリンクが多すぎます。";
        case EFBIG:
            return "ファイルが大きすぎます。";
        case ENOMEM:
            return "メモリが足りません。";
        case EEXIST:
            return "同じ名前のファイルがすでにあります。";
        default:
            break;
    }
    char buf[256] = {};
    const char* text = strerrorText(::strerror_r(errnum, buf, sizeof buf), buf);
    return "エラー " + std::to_string(errnum) + " (" + text + ")";
}

std::string describeSize(std::uint64_t bytes) {
    constexpr std::uint64_t kKilo = 1024;
    if (bytes != 0 && bytes % (kKilo * kKilo) == 0) return std::to_string(bytes >> 20) + " MB";
    if (bytes != 0 && bytes % kKilo == 0) return std::to_string(bytes >> 10) + " KB";
    return std::to_string(bytes) + " バイト";
}

std::string describeTooLarge(std::uint64_t limit) {
    return "ファイルが大きすぎます。扱えるのは " + describeSize(limit) + " までです。";
}

void setWriteFaultInjector(WriteFaultInjector injector) {
    std::lock_guard<std::mutex> lock(injectorMutex());
    injectorSlot() = std::move(injector);
}

ReadResult readFileBytes(const std::string& path, std::uint64_t limit) {
    ReadResult result;
    auto fail = [&result](int errnum) {
        result.status = ReadResult::Status::Error;
        result.error = describeErrno(errnum);
        return result;
    };
    auto notRegular = [&result] {
        result.status = ReadResult::Status::Error;
        result.error = kNotRegularFile;
        return result;
    };

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

ReadResult readTextFile(const std::string& path, std::uint64_t limit) {
    ReadResult result = readFileBytes(path, limit);
    if (result.ok()) result.bytes = decodeCp932(result.bytes);
    return result;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

WriteResult writeFileAtomic(const std::string& path, std::string_view bytes) {
    std::string target;
    struct stat old;
    bool replacing = false;
    if (int err = checkTarget(path, target, old, replacing))
        return err == kNotRegularFileError ? WriteResult{false, kNotRegularFile} : failure(err);

    std::string tempPath;
    int fd = -1;
    int err = injectedFault("open", path);
    if (err == 0) err = createTempFile(target, tempPath, fd);
    if (err != 0) return failure(err);

    err = fillTempFile(fd, path, bytes, replacing ? &old : nullptr);
    if (err == 0) err = injectedFault("rename", path);
    if (err == 0 && ::rename(tempPath.c_str(), target.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(tempPath.c_str());
        return failure(err);
    }
    syncFolderOf(target);
    return {};
}

WriteResult removeFile(const std::string& path) {
    if (int err = injectedFault("remove", path)) return failure(err);
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return failure(errno);
    return {};
}

FileReader::~FileReader() {
    close();
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
    m_fd = fd;
    return 0;
}

int FileReader::read(char* buffer, std::size_t size, std::size_t& count) {
    count = 0;
    if (m_fd < 0) return EBADF;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0) {
            count = static_cast<std::size_t>(n);
            return 0;
        }
        if (errno != EINTR) return errno;
    }
}

int FileReader::readAll(std::string& bytes) {
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
        const std::size_t filled = bytes.size();
        bytes.resize(filled + kChunk);
        std::size_t count = 0;
        const int err = read(bytes.data() + filled, kChunk, count);
        bytes.resize(filled + count);
        if (err != 0 || count == 0) return err;
    }
}

void FileReader::close() {
    if (m_fd >= 0) closeFile(m_fd);
    m_fd = -1;
}

AtomicFileWriter::~AtomicFileWriter() {
    abandon();
}

int AtomicFileWriter::open(const std::string& path) {
    abandon();
    struct stat old;
    bool replacing = false;
    if (int err = checkTarget(path, m_target, old, replacing)) return err;
    if (int err = injectedFault("open", path)) return err;
    if (int err = createTempFile(m_target, m_temp, m_fd)) {
        m_fd = -1;
        return err;
    }
    m_path = path;
    if (replacing) keepOwnership(m_fd, old);
    return 0;
}

int AtomicFileWriter::write(std::string_view bytes) {
    if (m_fd < 0) return EBADF;
    if (int err = injectedFault("write", m_path)) return err;
    return writeAll(m_fd, bytes);
}

int AtomicFileWriter::commit() {
    if (m_fd < 0) return EBADF;
    int err = injectedFault("sync", m_path);
    if (err == 0) err = syncFile(m_fd);
    const int closeErr = closeFile(m_fd);
    m_fd = -1;
    if (err == 0) err = closeErr;
    if (err == 0) err = injectedFault("rename", m_path);
    if (err == 0 && ::rename(m_temp.c_str(), m_target.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(m_temp.c_str());
    } else {
        syncFolderOf(m_target);
    }
    m_temp.clear();
    return err;
}

void AtomicFileWriter::abandon() {
    if (m_fd < 0) return;
    closeFile(m_fd);
    m_fd = -1;
    ::unlink(m_temp.c_str());
    m_temp.clear();
}

}  // namespace norvelle

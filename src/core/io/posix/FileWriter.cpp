#include "core/io/AtomicFileWriter.h"
#include "core/io/ScratchFile.h"
#include "core/io/StandardStreams.h"

#include "core/io/FileLayer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

// The one writer of every file the program saves: Readmes, software data files, the
// registered lists and the command line's --output.

namespace norvelle {

namespace {

WriteResult failure(int errnum) {
    return {false, errnoError(errnum), {}};
}

int closeFile(int fd) {
    // Linux releases the descriptor even when close fails; never retry it.
    return ::close(fd) == 0 ? 0 : errno;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The kernel's protected_symlinks rule: in a sticky folder that everyone may write to, such
// as /tmp, a link is followed only when it belongs to the user or to the folder's owner.
// Anyone else's link there may have been planted to make the user's program write to one of
// the user's own files. Applied here whether or not the system has the rule on, since this
// writer resolves links itself and the kernel would not see them.
bool linkIsSafe(const std::string& link, const struct stat& linkStat) {
    struct stat folder;
    if (::stat(folderOf(link).c_str(), &folder) != 0) return false;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || linkStat.st_uid == ::geteuid() || linkStat.st_uid == folder.st_uid;
}

// Follows symbolic links to the file they name, even one that does not exist yet, so that
// saving through a link updates the file it points at and keeps the link.
std::error_code resolveLinks(const std::string& path, std::string& resolved) {
    resolved = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(resolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
        if (!linkIsSafe(resolved, st)) return FileErrc::UnsafeLink;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(resolved.c_str(), buf, sizeof buf);
        if (n < 0) return errnoError(errno);
        if (static_cast<std::size_t>(n) == sizeof buf) return errnoError(ENAMETOOLONG);
        std::string target(buf, static_cast<std::size_t>(n));
        if (!target.empty() && target[0] != '/') {
            const std::size_t slash = resolved.rfind('/');
            if (slash != std::string::npos) target.insert(0, resolved, 0, slash + 1);
        }
        resolved = std::move(target);
    }
    return errnoError(ELOOP);
}

// The mode a new file gets from the kernel: 0666 less the umask. Read from /proc, since
// umask() can only be read by changing it.
mode_t newFileMode() {
    mode_t mask = 022;
    bool found = false;
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (!found && std::fgets(line, sizeof line, status)) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                found = true;
            }
        }
        std::fclose(status);
    }
    if (!found) {
        mask = ::umask(022);
        ::umask(mask);
    }
    return 0666 & ~mask;
}

// Creates a new, empty temporary file next to `target`, readable and writable by its owner
// alone. Its name starts with a dot and ends in .tmp, so no one listing *.txt, *.spd or *.sft
// files ever sees it.
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
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// Why a temporary file could not be made beside `target`: a folder the user may not write to
// deserves saying so, since the file itself may well be writable.
std::error_code creationError(std::error_code err, const std::string& target) {
    if ((err == std::errc::permission_denied || err == std::errc::operation_not_permitted) &&
        ::access(folderOf(target).c_str(), W_OK | X_OK) != 0)
        return FileErrc::FolderNotWritable;
    return err;
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
    const int fd = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Gives a temporary file the replaced file's owner, where allowed. A courtesy: a file system
// that ignores it still gets the new text. The mode comes last, just before the rename.
void keepOwner(int fd, const struct stat& replaced) {
    struct stat now;
    if (::fstat(fd, &now) == 0 &&
        (now.st_uid != replaced.st_uid || now.st_gid != replaced.st_gid))
        (void)::fchown(fd, replaced.st_uid, replaced.st_gid);
}

// Where a write to `path` lands, links followed, and whether it replaces a file. Returns an
// errno, or FileErrc::NotRegularFile for a device or a named pipe, which no rename may
// replace.
std::error_code checkTarget(const std::string& path, std::string& target, struct stat& old,
                            bool& replacing) {
    if (std::error_code err = resolveLinks(path, target)) return err;
    replacing = ::stat(target.c_str(), &old) == 0;
    if (!replacing) return errno == ENOENT ? std::error_code() : errnoError(errno);
    if (S_ISDIR(old.st_mode)) return errnoError(EISDIR);
    if (!S_ISREG(old.st_mode)) return FileErrc::NotRegularFile;
    // Renaming over a read-only file would succeed; the user asked for it to stay.
    if (::access(target.c_str(), W_OK) != 0) return errnoError(errno);
    return {};
}

// --- temporary files a signal must not leave behind -----------------------------------------

// The temporary files of writes under way, where a signal handler can read them: fixed
// slots, no allocation, a state that is set only once the path is whole.
constexpr int kCleanupSlots = 16;
enum : int { kSlotFree = 0, kSlotFilling = 1, kSlotArmed = 2 };
struct CleanupSlot {
    std::atomic<int> state{kSlotFree};
    char path[PATH_MAX] = {};
};
CleanupSlot g_cleanupSlots[kCleanupSlots];

// Remembers a temporary file for the signal handler; -1 when every slot is taken or the path
// is too long, and the file then stays hidden as after a power cut.
int rememberTempFile(const std::string& tempPath) {
    std::string absolute = tempPath;
    if (absolute.empty() || absolute[0] != '/') {
        // The working directory may change before the signal comes; the window changes it.
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd)) return -1;
        absolute = std::string(cwd) + "/" + absolute;
    }
    if (absolute.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kCleanupSlots; ++i) {
        int expected = kSlotFree;
        if (!g_cleanupSlots[i].state.compare_exchange_strong(expected, kSlotFilling)) continue;
        std::memcpy(g_cleanupSlots[i].path, absolute.c_str(), absolute.size() + 1);
        g_cleanupSlots[i].state.store(kSlotArmed);
        return i;
    }
    return -1;
}

void forgetTempFile(int slot) {
    if (slot >= 0) g_cleanupSlots[slot].state.store(kSlotFree);
}

extern "C" void removeTempFilesAndResignal(int signal) {
    const int savedErrno = errno;
    for (CleanupSlot& slot : g_cleanupSlots)
        if (slot.state.load() == kSlotArmed) ::unlink(slot.path);
    errno = savedErrno;
    // The handler was reset on entry (SA_RESETHAND): the signal now does what it would have.
    ::raise(signal);
}

}  // namespace

WriteResult removeFile(const std::string& path) {
    if (std::error_code err = injectedFault("remove", path)) return {false, err, {}};
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return failure(errno);
    return {};
}

std::error_code AtomicFileWriter::open(const std::string& path) {
    abandon();
    m_kept.clear();
    struct stat old;
    bool replacing = false;
    if (std::error_code err = checkTarget(path, m_target, old, replacing)) return err;
    if (std::error_code err = injectedFault("open", path)) return creationError(err, m_target);
    // A signal between making the temporary file and remembering it would leave it behind.
    sigset_t cleanupSignals, previous;
    sigemptyset(&cleanupSignals);
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) sigaddset(&cleanupSignals, s);
    ::pthread_sigmask(SIG_BLOCK, &cleanupSignals, &previous);
    int fd = -1;
    const int created = createTempFile(m_target, m_temp, fd);
    if (created == 0) m_cleanupSlot = rememberTempFile(m_temp);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (created != 0) return creationError(errnoError(created), m_target);
    m_handle = fd;
    m_path = path;
    if (replacing) keepOwner(fd, old);
    m_finalMode = replacing ? (old.st_mode & 07777) : newFileMode();
    m_replacing = replacing;
    return {};
}

std::error_code AtomicFileWriter::write(std::string_view bytes) {
    if (m_handle < 0) return errnoError(EBADF);
    if (std::error_code err = injectedFault("write", m_path)) return err;
    return errnoError(writeAll(static_cast<int>(m_handle), bytes));
}

std::error_code AtomicFileWriter::commit() {
    if (m_handle < 0) return errnoError(EBADF);
    const int fd = static_cast<int>(m_handle);
    m_handle = -1;
    // The final mode only now, when the contents are whole: before, a file the user keeps
    // private would be readable by others while it is written. A file system that ignores
    // modes still gets the new text.
    (void)::fchmod(fd, static_cast<mode_t>(m_finalMode));
    std::error_code err = injectedFault("sync", m_path);
    if (!err) err = errnoError(syncFile(fd));
    const int closeErr = closeFile(fd);
    if (!err) err = errnoError(closeErr);
    if (!err) err = injectedFault("rename", m_path);
    if (!err && ::rename(m_temp.c_str(), m_target.c_str()) != 0) err = errnoError(errno);
    if (err) {
        ::unlink(m_temp.c_str());
    } else {
        syncFolderOf(m_target);
    }
    forgetTempFile(m_cleanupSlot);
    m_cleanupSlot = -1;
    m_temp.clear();
    return err;
}

void AtomicFileWriter::abandon() {
    if (m_handle < 0) return;
    closeFile(static_cast<int>(m_handle));
    m_handle = -1;
    ::unlink(m_temp.c_str());
    forgetTempFile(m_cleanupSlot);
    m_cleanupSlot = -1;
    m_temp.clear();
}

void removeTemporaryFilesOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeTempFilesAndResignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
}

DeviceWriter::~DeviceWriter() {
    close();
}

std::error_code DeviceWriter::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errnoError(errno);
    m_handle = fd;
    return {};
}

std::error_code DeviceWriter::write(std::string_view bytes) {
    return errnoError(m_handle < 0 ? EBADF : writeAll(static_cast<int>(m_handle), bytes));
}

std::error_code DeviceWriter::close() {
    if (m_handle < 0) return {};
    const int err = closeFile(static_cast<int>(m_handle));
    m_handle = -1;
    return errnoError(err);
}

std::FILE* openScratchFile() {
    // The C library's tmpfile() always uses /tmp; the user may have pointed TMPDIR at a faster
    // or larger file system, as other programs honour.
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string folder = tmpdir && *tmpdir ? tmpdir : "/tmp";
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
        // A file system without unnamed files: a named one, unlinked at once.
        std::string path = folder + "/norvelle-XXXXXX";
        fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd >= 0) ::unlink(path.c_str());
    }
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "w+b");
    if (!file) {
        const int err = errno;
        ::close(fd);
        errno = err;
    }
    return file;
}

// --- standard streams --------------------------------------------------------------------

void prepareStandardStreams() {
    // A standard descriptor the caller closed gets /dev/null, read-only, so that no file the
    // program opens takes its number (a Readme's temporary file must not become standard
    // output) and writing to it fails with a reason that can be reported.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

std::error_code writeStandardStream(StandardStream stream, std::string_view bytes) {
    return errnoError(
        writeAll(stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO, bytes));
}

}  // namespace norvelle

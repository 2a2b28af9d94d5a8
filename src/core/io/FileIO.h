#pragma once

#include "core/text/TextEncoding.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle {

// Why a file could not be read or written: an errno value, or one of these kinds the system
// has no number for. The core reports them as data; the windows word them in Japanese, the
// command line in English.
inline constexpr int kNotRegularFileError = -1;     // a device or pipe where a file must be
inline constexpr int kUnsafeLinkError = -2;         // another user's link in a shared folder
inline constexpr int kFolderNotWritableError = -3;  // the file may be written, its folder not
inline constexpr int kTooLargeError = -4;           // larger than the reader allows
inline constexpr int kInvalidNameError = -5;        // a name Windows does not allow
inline constexpr int kLockTimeoutError = -6;        // another process kept a FileLock too long

struct ReadResult {
    enum class Status { Ok, Missing, Error };
    Status status = Status::Missing;
    std::string bytes;  // the whole file when Ok
    int errnum = 0;     // why, when Error
    // Ok, but the file is longer than the caller's limit: `bytes` holds only its start.
    bool truncated = false;

    bool ok() const { return status == Status::Ok; }
};

struct WriteResult {
    bool ok = true;
    int errnum = 0;  // why, when !ok
};

// No limit on how much of a file is read.
inline constexpr std::uint64_t kWholeFile = UINT64_MAX;

// Reads a whole file, or no more than its first `limit` bytes: a longer file comes back cut
// and marked truncated, so that no file can take more memory than its reader allows. A
// missing file is its own outcome; a folder, a named pipe, a device, a file without read
// permission or a failing read is an error with its reason.
ReadResult readFileBytes(const std::string& path, std::uint64_t limit = kWholeFile);

// Reads a file, or its first `limit` bytes, and decodes it from code page 932 to UTF-8.
ReadResult readTextFile(const std::string& path, std::uint64_t limit = kWholeFile);

// Whether something is at a path. A path that cannot be looked at (a folder on the way
// without search permission, an I/O error) is neither there nor missing: Unknown, with the
// errno, so that no caller mistakes a file it may not see for one that is not there.
enum class FileState { Missing, Present, Unknown };
struct FileLookup {
    FileState state = FileState::Missing;
    int errnum = 0;        // when Unknown
    bool folder = false;   // when Present: a folder
    bool regular = false;  // when Present: a regular file, not a device or pipe
};
FileLookup lookUpFile(const std::string& path);
bool fileExists(const std::string& path);  // Present: any kind of file or folder
std::optional<std::uint64_t> fileSize(const std::string& path);  // regular files only

// Writes the bytes to a temporary file in the target's folder, flushes it to the disk and
// renames it over the target, so that a failed or interrupted write leaves the old file
// whole. Keeps the permissions of a file it replaces. AtomicFileWriter in one call.
WriteResult writeFileAtomic(const std::string& path, std::string_view bytes);

// Removes a file. A missing file counts as removed.
WriteResult removeFile(const std::string& path);

// A text (UTF-8) as its file is to hold it, in code page 932 unless a Readme takes its
// plugin's encoding, for a reader that takes no more than `limit` bytes: every save checks its
// size here, and only here.
struct TextFileBytes {
    std::string bytes;                     // characters code page 932 lacks are "?" here
    std::vector<Unencodable> unencodable;  // those characters; empty when every one fits
    int errnum = 0;  // kTooLargeError: more than `limit` bytes, and nothing is to be written
};
TextFileBytes encodeTextFile(std::string_view text, std::uint64_t limit = kWholeFile,
                             TextEncoding encoding = TextEncoding::Cp932);

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

    // Waits up to `timeout` for the lock: 0, kLockTimeoutError, or why the lock file could not
    // be opened or locked. Step for the fault injector: "lock".
    int lock(const std::string& path, std::chrono::milliseconds timeout);
    void unlock();

private:
    // The lock is one byte of the lock file, the queue in front of it another.
    enum class Byte { Lock = 0, Queue = 1 };
    int openLockFile(const std::string& path);
    int tryLock(Byte byte, bool& held);  // 0 with `held` false while another holder has it
    void unlockByte(Byte byte);
    int waitFor(Byte byte, std::chrono::steady_clock::time_point deadline);

    std::intptr_t m_handle = -1;  // a descriptor, or a Windows HANDLE
};

// Test seam: when set, every write step asks it first; a non-zero errno it returns makes
// that step fail with that errno. Steps: "open", "write", "sync", "rename", "remove", "lock".
using WriteFaultInjector = std::function<int(std::string_view step, const std::string& path)>;
void setWriteFaultInjector(WriteFaultInjector injector);

// Reading and writing a file a piece at a time, for texts too large to hold whole. Errors
// are errno values or the k...Error values above, for callers that word them themselves.

// A file read from start to end a piece at a time. Unlike readFileBytes it reads any kind of
// file but a folder, a named pipe too: whoever names one to a command means it.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    int open(const std::string& path);  // 0, or ENOENT, EACCES, EISDIR ...
    // Reads up to `size` bytes; `count` 0 means the end of the file.
    int read(char* buffer, std::size_t size, std::size_t& count);
    int readAll(std::string& bytes);  // appends all that is left
    // Goes back to the start of a regular file, to read it again; ESPIPE for anything else
    // (a pipe or a device cannot give its bytes twice).
    int rewind();
    void close();

private:
    std::intptr_t m_handle = -1;  // a descriptor, or a Windows HANDLE
};

// A file written a piece at a time into a temporary file beside it. commit() flushes it and
// renames it over the target; until then, and for good when the writer is abandoned or
// dropped, the old file stays whole and the temporary file goes away. The temporary file is
// readable by its owner alone until it has its final mode, just before the rename, so no one
// reads the new contents of a file they could not read. Symbolic links are followed to the
// file they name, but never one the kernel's protected_symlinks rule would refuse (another
// user's link in a shared folder such as /tmp), whether or not the system has it on. On
// Windows the temporary file is hidden and opened for no one else, and ReplaceFileW gives the
// new text the old file's attributes, ACL and creation time; a file another program holds for
// a moment (a virus scanner, the indexer) is waited for, up to about two seconds.
// Steps for the fault injector: "open", "write", "sync", "rename".
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Refuses a folder (EISDIR), a device or pipe (kNotRegularFileError), a read-only file
    // and an unsafe link (kUnsafeLinkError).
    int open(const std::string& path);
    int write(std::string_view bytes);
    int commit();
    void abandon();

private:
    std::string m_path;    // as given: the fault injector knows it by this name
    std::string m_target;  // links followed
    std::string m_temp;
    std::intptr_t m_handle = -1;  // of the temporary file: a descriptor, or a Windows HANDLE
    int m_cleanupSlot = -1;       // where the signal handler finds m_temp
    unsigned m_finalMode = 0;     // the permissions (POSIX) or attributes (Windows) at commit
    bool m_replacing = false;     // whether commit replaces a file or makes a new one
};

// Makes SIGINT, SIGTERM, SIGHUP and SIGXFSZ (on Windows: Ctrl+C, Ctrl+Break and closing the
// console) remove the temporary files of writes still under way before the process ends as
// it would have. A signal the process ignores stays ignored. A leftover from SIGKILL, a
// killed task or a power cut stays hidden (".name.XXXXXX.tmp").
void removeTemporaryFilesOnSignals();

// Something that exists and is no regular file, written as it is: a device (/dev/null, NUL)
// or a named pipe, which no temporary file may replace.
class DeviceWriter {
public:
    DeviceWriter() = default;
    ~DeviceWriter();
    DeviceWriter(const DeviceWriter&) = delete;
    DeviceWriter& operator=(const DeviceWriter&) = delete;

    int open(const std::string& path);  // 0 or why not
    int write(std::string_view bytes);  // all of them, or why not
    int close();

private:
    std::intptr_t m_handle = -1;  // a descriptor, or a Windows HANDLE
};

// A file of the program's own in the user's temporary folder ($TMPDIR, else /tmp; on Windows
// %TMP%), for a text too large to hold in memory: no one else sees it, and it goes away when
// it is closed or the program ends, however it ends. Null when none can be made, errno saying
// why.
std::FILE* openScratchFile();

// --- standard streams, for the command line ---------------------------------------------

// Makes the standard streams carry bytes as they are (Windows would turn "\n" into CR LF)
// and gives a standard descriptor the caller closed something harmless to stand on (POSIX),
// so that no file the program opens takes its place.
void prepareStandardStreams();

// Writes all the bytes to standard output or standard error. 0, or why not (EPIPE, ENOSPC,
// EBADF when there is no such stream ...).
enum class StandardStream { Output, Error };
int writeStandardStream(StandardStream stream, std::string_view bytes);

}  // namespace norvelle

#include "core/io/AtomicFileWriter.h"
#include "core/io/FileReader.h"
#include "core/io/ScratchFile.h"
#include "core/io/StandardStreams.h"

#include "core/io/FileLayer.h"
#include "core/io/win32/Utf16.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

// The one writer of every file the program saves, on Windows: a hidden temporary file in the
// target's folder, flushed, then put in the target's place by ReplaceFileW, which keeps the
// old file's attributes, ACL, creation time and alternate streams, or moved there for a new
// file. Until then the old file stays whole. Another program's brief hold on either file is
// waited out.

namespace norvelle {

namespace {

HANDLE toHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

// The last part of a path, after '\' or '/'.
std::string nameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Windows drops a dot or a space at the end of a name without a word, so "Readme.txt." would
// silently be Readme.txt; such a name is refused instead, like the characters it forbids.
bool nameWindowsAllows(const std::string& path) {
    const std::string name = nameOf(path);
    if (name.empty() || name == "." || name == "..") return true;  // a folder: refused later
    if (name.back() == '.' || name.back() == ' ') return false;
    return name.find_first_of("<>:\"|?*") == std::string::npos &&
           std::none_of(name.begin(), name.end(), [](char c) { return c > 0 && c < 0x20; });
}

// Where a write to `path` lands and whether it replaces a file; the attributes of the file
// it replaces. Refuses a folder, a device (NUL, CON, COM1 ...) and a read-only file.
std::error_code checkTarget(const std::string& path, bool& replacing, DWORD& oldAttributes) {
    if (!nameWindowsAllows(path)) return FileErrc::InvalidName;
    const FileLookup found = lookUpFile(path);
    replacing = found.state == FileState::Present;
    if (found.state == FileState::Unknown) return found.error;
    if (!replacing) return {};
    if (found.folder) return errnoError(EISDIR);
    if (!found.regular) return FileErrc::NotRegularFile;
    oldAttributes = ::GetFileAttributesW(win32::systemPath(path).c_str());
    if (oldAttributes == INVALID_FILE_ATTRIBUTES) return win32::lastError();
    // Replacing a read-only file would succeed; the user marked it to stay as it is.
    if (oldAttributes & FILE_ATTRIBUTE_READONLY) return errnoError(EACCES);
    return {};
}

// --- temporary files Ctrl+C must not leave behind -----------------------------------------

// The temporary files of writes under way, where the console's control handler (which runs
// on a thread of its own) can read them: fixed slots, a state set once the path is whole.
constexpr int kCleanupSlots = 16;
constexpr std::size_t kCleanupPathSize = 1024;
enum : int { kSlotFree = 0, kSlotFilling = 1, kSlotArmed = 2 };
struct CleanupSlot {
    std::atomic<int> state{kSlotFree};
    wchar_t path[kCleanupPathSize] = {};
};
CleanupSlot g_cleanupSlots[kCleanupSlots];

// Remembers a temporary file for the handler; -1 when every slot is taken or the path is too
// long, and the file then stays hidden as after a power cut.
int rememberTempFile(const std::string& tempPath) {
    // The working directory may change before Ctrl+C comes.
    const std::wstring wide = win32::systemPath(tempPath);
    const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0 || n > kCleanupPathSize) return -1;
    for (int i = 0; i < kCleanupSlots; ++i) {
        int expected = kSlotFree;
        if (!g_cleanupSlots[i].state.compare_exchange_strong(expected, kSlotFilling)) continue;
        const DWORD written =
            ::GetFullPathNameW(wide.c_str(), kCleanupPathSize, g_cleanupSlots[i].path, nullptr);
        if (written == 0 || written >= kCleanupPathSize) {
            g_cleanupSlots[i].state.store(kSlotFree);
            return -1;
        }
        g_cleanupSlots[i].state.store(kSlotArmed);
        return i;
    }
    return -1;
}

void forgetTempFile(int slot) {
    if (slot >= 0) g_cleanupSlots[slot].state.store(kSlotFree);
}

BOOL WINAPI removeTempFilesAndEnd(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT &&
        event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    // The file is still open for writing: deleting it marks it, and Windows removes it as
    // soon as the process ends and closes it.
    for (CleanupSlot& slot : g_cleanupSlots)
        if (slot.state.load() == kSlotArmed) ::DeleteFileW(slot.path);
    // Not handled: the next handler, in the end Windows itself, ends the process as it would
    // have.
    return FALSE;
}

// --- waiting out another program's brief hold ---------------------------------------------

// Another program holding a freshly written file for a moment (win32::Patience): Windows then
// refuses to replace it, or to make a file beside it, with one of these.
bool mayBeHeldForAMoment(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED || code == ERROR_UNABLE_TO_REMOVE_REPLACED ||
           code == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
}

// Whether "access denied" for `target` will last: the file is marked read-only, or its folder
// lets this user add no file. Both are the user's settings, refused at once, not waited out.
bool refusedForGood(DWORD code, const std::string& target) {
    if (code != ERROR_ACCESS_DENIED) return false;
    const DWORD attributes = ::GetFileAttributesW(win32::systemPath(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (attributes & FILE_ATTRIBUTE_READONLY))
        return true;
    // Opening the folder for adding a file asks its ACL without making anything.
    const HANDLE folder =
        ::CreateFileW(win32::systemPath(win32::folderOf(target)).c_str(), FILE_ADD_FILE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_ACCESS_DENIED;
    ::CloseHandle(folder);
    return false;
}

// Tries again after a pause when a failure with `code` on `target` is worth it.
class Patience {
public:
    bool retry(DWORD code, const std::string& target) {
        return mayBeHeldForAMoment(code) && !refusedForGood(code, target) && m_wait.waitAgain();
    }

private:
    win32::Patience m_wait;
};

// Creates a new, empty, hidden temporary file next to `target`, ".NAME.XXXXXX.tmp", and
// remembers it for the Ctrl+C handler first: the handler runs on a thread of its own and may
// come at any moment. No one else may open the file while it is written; it may be deleted,
// so that the handler can take it away.
std::error_code createTempFile(const std::string& target, std::string& tempPath, HANDLE& handle,
                               int& cleanupSlot) {
    const std::string folder = target.substr(0, target.size() - nameOf(target).size());
    std::string name = nameOf(target);
    if (name.size() > 200) name.resize(200);  // the suffix must still fit in a name

    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random(std::random_device{}() ^
                                        static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32);
    Patience patience;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, 'X');
        for (char& c : suffix) c = kChars[random() % (sizeof kChars - 1)];
        tempPath = folder + "." + name + "." + suffix + ".tmp";
        cleanupSlot = rememberTempFile(tempPath);
        handle =
            ::CreateFileW(win32::systemPath(tempPath).c_str(), GENERIC_WRITE | DELETE,
                          FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return {};
        const DWORD code = ::GetLastError();
        forgetTempFile(cleanupSlot);
        cleanupSlot = -1;
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
        if (!patience.retry(code, target)) return win32::errorFromSystem(code);
    }
    return errnoError(EEXIST);
}

// Why a temporary file could not be made beside `target`: a folder the user may not write to
// deserves saying so, since the file itself may well be writable.
std::error_code creationError(std::error_code err, const std::string& target) {
    if (err != std::errc::permission_denied) return err;
    const FileLookup folder = lookUpFile(win32::folderOf(target));
    return folder.state == FileState::Present && folder.folder ? FileErrc::FolderNotWritable : err;
}

std::error_code writeAll(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), DWORD{1} << 30));
        DWORD n = 0;
        if (!::WriteFile(handle, bytes.data(), chunk, &n, nullptr)) return win32::lastError();
        if (n == 0) return errnoError(EIO);
        bytes.remove_prefix(n);
    }
    return {};
}

// One try at putting the finished temporary file in the target's place: 0 or the system's
// code. ReplaceFileW keeps what the old file had that the text does not: its ACL, creation
// time, alternate streams. A file system that cannot replace (some network shares, FAT) gets
// the rename, as a new file does.
DWORD tryMoveIntoPlace(const std::wstring& temp, const std::wstring& target, bool replacing) {
    if (replacing) {
        // A file another program holds open without letting it be replaced (an editor, a
        // virus scanner) is found before trying: a failed ReplaceFileW may leave a file of
        // its own behind.
        const HANDLE probe = ::CreateFileW(target.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
        const DWORD probed = probe == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
        if (probe != INVALID_HANDLE_VALUE) ::CloseHandle(probe);
        if (probed == ERROR_SHARING_VIOLATION) return probed;
        // The old file was taken away meanwhile: the new one simply goes in its place.
        replacing = probed != ERROR_FILE_NOT_FOUND;
    }
    if (replacing && ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return 0;
    if (replacing) {
        const DWORD code = ::GetLastError();
        // ERROR_UNABLE_TO_MOVE_REPLACEMENT: the old file is gone already (no backup was asked
        // for), and the new one still has to be moved there.
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_NOT_SUPPORTED &&
            code != ERROR_INVALID_FUNCTION && code != ERROR_INVALID_PARAMETER &&
            code != ERROR_UNABLE_TO_MOVE_REPLACEMENT)
            return code;
    }
    if (::MoveFileExW(temp.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return ::GetLastError();
}

// Puts the finished temporary file in the target's place, waiting out a brief hold of either
// file by another program.
std::error_code moveIntoPlace(const std::string& temp, const std::string& target, bool replacing) {
    // Full paths: Wine's ReplaceFileW takes a relative one for a folder.
    const std::wstring fullTemp = win32::fullPath(win32::systemPath(temp));
    const std::wstring fullTarget = win32::fullPath(win32::systemPath(target));
    Patience patience;
    for (;;) {
        const DWORD code = tryMoveIntoPlace(fullTemp, fullTarget, replacing);
        if (code == 0) return {};
        if (!patience.retry(code, target)) return win32::errorFromSystem(code);
    }
}

}  // namespace

WriteResult removeFile(const std::string& path) {
    if (std::error_code err = injectedFault("remove", path)) return {false, err, {}};
    if (!::DeleteFileW(win32::systemPath(path).c_str())) {
        const std::error_code err = win32::lastError();
        if (err != std::errc::no_such_file_or_directory && err != std::errc::not_a_directory)
            return {false, err, {}};
    }
    return {};
}

std::error_code AtomicFileWriter::open(const std::string& path) {
    abandon();
    m_kept.clear();
    bool replacing = false;
    DWORD oldAttributes = 0;
    if (std::error_code err = checkTarget(path, replacing, oldAttributes)) return err;
    m_target = path;
    if (std::error_code err = injectedFault("open", path)) return creationError(err, m_target);
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (std::error_code err = createTempFile(m_target, m_temp, handle, m_cleanupSlot))
        return creationError(err, m_target);
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    m_path = path;
    // The replaced file's attributes (archive, hidden, not indexed ...), or a plain new file;
    // never the temporary file's "hidden".
    m_finalMode = replacing ? oldAttributes : FILE_ATTRIBUTE_NORMAL;
    m_replacing = replacing;
    return {};
}

std::error_code AtomicFileWriter::write(std::string_view bytes) {
    if (m_handle == -1) return errnoError(EBADF);
    if (std::error_code err = injectedFault("write", m_path)) return err;
    return writeAll(toHandle(m_handle), bytes);
}

std::error_code AtomicFileWriter::commit() {
    if (m_handle == -1) return errnoError(EBADF);
    const HANDLE handle = toHandle(m_handle);
    m_handle = -1;
    // The final attributes only now, when the contents are whole: a file left behind by a
    // crash stays hidden.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = m_finalMode;
    (void)::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
    std::error_code err = injectedFault("sync", m_path);
    if (!err && !::FlushFileBuffers(handle)) err = win32::lastError();
    if (!::CloseHandle(handle) && !err) err = win32::lastError();
    if (!err) err = injectedFault("rename", m_path);
    if (!err) err = moveIntoPlace(m_temp, m_target, m_replacing);
    // The temporary file goes unless it is all that is left of the text: a replacement that
    // took the old file away and could not put the new one there.
    if (err && m_replacing && lookUpFile(m_target).state == FileState::Missing)
        m_kept = m_temp;
    else if (err)
        ::DeleteFileW(win32::systemPath(m_temp).c_str());
    forgetTempFile(m_cleanupSlot);
    m_cleanupSlot = -1;
    m_temp.clear();
    return err;
}

void AtomicFileWriter::abandon() {
    if (m_handle == -1) return;
    ::CloseHandle(toHandle(m_handle));
    m_handle = -1;
    ::DeleteFileW(win32::systemPath(m_temp).c_str());
    forgetTempFile(m_cleanupSlot);
    m_cleanupSlot = -1;
    m_temp.clear();
}

void removeTemporaryFilesOnSignals() {
    ::SetConsoleCtrlHandler(removeTempFilesAndEnd, TRUE);
}

DeviceWriter::~DeviceWriter() {
    close();
}

std::error_code DeviceWriter::open(const std::string& path) {
    close();
    const HANDLE handle =
        ::CreateFileW(win32::systemPath(path).c_str(), GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return win32::lastError();
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return {};
}

std::error_code DeviceWriter::write(std::string_view bytes) {
    return m_handle == -1 ? errnoError(EBADF) : writeAll(toHandle(m_handle), bytes);
}

std::error_code DeviceWriter::close() {
    if (m_handle == -1) return {};
    const std::error_code err =
        ::CloseHandle(toHandle(m_handle)) ? std::error_code() : win32::lastError();
    m_handle = -1;
    return err;
}

std::FILE* openScratchFile() {
    // The C library's tmpfile() would make it in the root of the drive, where an ordinary
    // user may not write; the user's temporary folder it is, deleted on close by Windows.
    wchar_t folder[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH) {
        errno = ENOENT;
        return nullptr;
    }
    thread_local std::mt19937_64 random(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring path =
            std::wstring(folder) + L"norvelle-" + std::to_wstring(random() % 1000000000) + L".tmp";
        const HANDLE handle = ::CreateFileW(
            path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const std::error_code err = win32::lastError();
            if (err == std::errc::file_exists) continue;
            errno = err.category() == std::generic_category() ? err.value() : EINVAL;
            return nullptr;
        }
        const int fd =
            ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDWR | _O_BINARY);
        if (fd < 0) {
            ::CloseHandle(handle);
            errno = EMFILE;
            return nullptr;
        }
        if (std::FILE* file = ::_fdopen(fd, "w+b")) return file;
        ::_close(fd);
        return nullptr;
    }
    errno = EEXIST;
    return nullptr;
}

// --- standard streams ------------------------------------------------------------------------

void prepareStandardStreams() {
    // The C library would write "\n" as CR LF and stop reading at Ctrl+Z: the Readme, the
    // listings and the messages are bytes, the same as on every other system.
    for (FILE* stream : {stdin, stdout, stderr}) (void)::_setmode(::_fileno(stream), _O_BINARY);
}

std::error_code writeStandardStream(StandardStream stream, std::string_view bytes) {
    const HANDLE handle =
        ::GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return errnoError(EBADF);
    return writeAll(handle, bytes);
}

}  // namespace norvelle

#pragma once

#include "core/io/FileResult.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace norvelle {

// Writes the bytes to a temporary file in the target's folder, flushes it to the disk and
// renames it over the target, so that a failed or interrupted write leaves the old file
// whole. Keeps the permissions of a file it replaces. AtomicFileWriter in one call.
WriteResult writeFileAtomic(const std::string& path, std::string_view bytes);

// Removes a file. A missing file counts as removed.
WriteResult removeFile(const std::string& path);

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

    // Refuses a folder (EISDIR), a device or pipe (FileErrc::NotRegularFile), a read-only
    // file and an unsafe link (FileErrc::UnsafeLink).
    std::error_code open(const std::string& path);
    std::error_code write(std::string_view bytes);
    std::error_code commit();
    void abandon();
    // After a failed commit: the temporary file, when it is all that is left of the text (the
    // old file was taken away and the new one could not be put in its place); else empty.
    const std::string& keptIn() const { return m_kept; }

private:
    std::string m_path;    // as given: the fault injector knows it by this name
    std::string m_target;  // links followed
    std::string m_temp;
    std::string m_kept;
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

// Test seam: when set, every write step asks it first; an error it returns makes that step
// fail with that error. Steps: "open", "write", "sync", "rename", "remove", "lock".
using WriteFaultInjector =
    std::function<std::error_code(std::string_view step, const std::string& path)>;
void setWriteFaultInjector(WriteFaultInjector injector);

}  // namespace norvelle

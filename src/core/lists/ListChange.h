#pragma once

#include "core/text/Cp932.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace norvelle {

// Two windows started on one folder share its list files. Every change a registration dialog
// makes is applied to the file as it stands at that moment, one process at a time: read the
// file, apply this one change, write it, under a lock; the dialog then shows the file. No
// dialog writes back a list it read earlier, so no window's entries are lost to another's.

// The hidden file beside the list files that the changes lock.
inline constexpr const char* kListLockFile = ".norvelle.lock";
// How much of a list file read only in part is counted, to tell the user how many entries a
// change would drop: sixteen times what is read, which no list of real entries reaches.
inline constexpr std::uint64_t kMaxCountedListSize = std::uint64_t{64} << 20;
// How long a change waits for another process's change to end: one takes milliseconds.
inline constexpr std::chrono::seconds kListLockTimeout{5};

// An entry as a dialog shows it: its text, and which of the equal entries shown it is (0 for
// the first "a", 1 for the second ...). A list may hold an entry twice, and another window may
// have added or removed entries before it, so the row alone does not name it.
struct ShownEntry {
    std::string text;
    std::size_t occurrence = 0;
};
ShownEntry shownEntry(const std::vector<std::string>& entries, std::size_t row);
// The row of that entry in `entries`, or nothing when they hold fewer equal entries.
std::optional<std::size_t> findShownEntry(const std::vector<std::string>& entries,
                                          const ShownEntry& entry);

// One change of a registration dialog.
struct ListChange {
    enum class Kind {
        Register,  // `text` goes to the end; with no text, the file is written as it is
        Delete,    // `entry` goes (none given: nothing does), then `text` to the end
        Clear,     // the entries in `shown` go; those gone already are passed over
    };
    Kind kind = Kind::Register;
    std::string text;
    std::optional<ShownEntry> entry;
    std::vector<std::string> shown;  // the entries as the dialog shows them, in its order
    // Delete and Clear: when no entry is left, the file is deleted (and `text` is not
    // registered) rather than left empty.
    bool removeFileWhenEmpty = false;
};

// The entries of a list after a change.
struct AppliedChange {
    enum class Outcome {
        Changed,
        Gone,  // the entry to delete is not there any more: nothing changes
        Full,  // `text` would be entry kMaxListEntries + 1: nothing changes
    };
    Outcome outcome = Outcome::Changed;
    std::vector<std::string> entries;
    bool removeFile = false;  // Changed: nothing is left, and the file goes
    bool added = false;       // Changed: `text` is among the entries
};
AppliedChange applyListChange(std::vector<std::string> entries, const ListChange& change);

// What the user has allowed after being asked; a change asks nothing itself.
struct ListConsent {
    bool dropUnread = false;          // entries of the file that could not be read may go
    bool replaceUnencodable = false;  // characters code page 932 lacks may be stored as "?"
};

struct ListChangeResult {
    enum class Status {
        Done,         // the file holds the change (or is deleted, as the change asked)
        Gone,         // as AppliedChange; nothing was written
        Full,         // as AppliedChange; nothing was written
        // The file holds more entries than are read (past kMaxListEntries or
        // kMaxListFileSize): `dropped` of them would go. Ask; nothing was written.
        DropsUnread,
        Unencodable,  // `unencodable` cannot be stored: ask, nothing written
        Failed,       // nothing was written: `error` says why, `step` where
    };
    // Lock: the lock file beside the list (kListLockFile) could not be used; Read: the list
    // file could not be read, so no change can keep what it holds.
    enum class Step { Lock, Read, Write, Remove };
    Status status = Status::Done;
    Step step = Step::Write;
    // Failed: an errno or a FileErrc kind (TooLarge: the file would be larger than
    // kMaxListFileSize; LockTimeout).
    std::error_code error;
    std::vector<Unencodable> unencodable;
    std::uint64_t dropped = 0;       // DropsUnread: the entries that would go ...
    bool droppedAtLeast = false;     // ... or at least that many, in a file too large to count
    bool added = false;  // Done: the change's text is in the file now
};

// Applies one change to the list file at `path` as it stands, under the lock file beside it,
// and writes the result by the list writing rule. The lock is given back before returning,
// so no question to the user ever waits with it held.
ListChangeResult changeListFile(const std::string& path, const ListChange& change,
                                const ListConsent& consent);

}  // namespace norvelle

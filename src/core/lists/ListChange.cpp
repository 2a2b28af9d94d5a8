#include "core/lists/ListChange.h"

#include "core/io/AtomicFileWriter.h"
#include "core/io/FileLock.h"
#include "core/text/TextFile.h"
#include "core/lists/RegisteredLists.h"
#include "core/text/Items.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <string_view>

namespace norvelle {

namespace {

std::string lockFileBeside(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? kListLockFile : path.substr(0, slash + 1) + kListLockFile;
}

ListChangeResult failed(ListChangeResult::Step step, std::error_code error) {
    ListChangeResult result;
    result.status = ListChangeResult::Status::Failed;
    result.step = step;
    result.error = error;
    return result;
}

ListChangeResult withStatus(ListChangeResult::Status status) {
    ListChangeResult result;
    result.status = status;
    return result;
}

}  // namespace

ShownEntry shownEntry(const std::vector<std::string>& entries, std::size_t row) {
    const std::string& text = entries.at(row);
    const auto before =
        std::count(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(row), text);
    return {text, static_cast<std::size_t>(before)};
}

std::optional<std::size_t> findShownEntry(const std::vector<std::string>& entries,
                                          const ShownEntry& entry) {
    std::size_t seen = 0;
    for (std::size_t row = 0; row < entries.size(); ++row)
        if (entries[row] == entry.text && seen++ == entry.occurrence) return row;
    return std::nullopt;
}

AppliedChange applyListChange(std::vector<std::string> entries, const ListChange& change) {
    using Outcome = AppliedChange::Outcome;
    // Rows are found in the list as read, before any goes.
    std::vector<bool> going(entries.size(), false);
    if (change.kind == ListChange::Kind::Delete && change.entry) {
        const std::optional<std::size_t> row = findShownEntry(entries, *change.entry);
        if (!row) return {Outcome::Gone, {}, false, false};
        going[*row] = true;
    }
    if (change.kind == ListChange::Kind::Clear) {
        // The first N equal entries go for N shown: each shown one names its place so.
        std::map<std::string_view, std::size_t> shown;
        for (const std::string& text : change.shown) ++shown[text];
        for (std::size_t row = 0; row < entries.size(); ++row) {
            const auto it = shown.find(entries[row]);
            if (it != shown.end() && it->second > 0) {
                --it->second;
                going[row] = true;
            }
        }
    }

    std::vector<std::string> kept;
    kept.reserve(entries.size() + 1);
    for (std::size_t row = 0; row < entries.size(); ++row)
        if (!going[row]) kept.push_back(std::move(entries[row]));

    if (change.kind != ListChange::Kind::Register && change.removeFileWhenEmpty && kept.empty())
        return {Outcome::Changed, {}, true, false};
    if (change.text.empty()) return {Outcome::Changed, std::move(kept), false, false};
    if (kept.size() >= kMaxListEntries) return {Outcome::Full, {}, false, false};
    kept.push_back(change.text);
    return {Outcome::Changed, std::move(kept), false, true};
}

ListChangeResult changeListFile(const std::string& path, const ListChange& change,
                                const ListConsent& consent) {
    using Status = ListChangeResult::Status;
    using Step = ListChangeResult::Step;
    FileLock lock;
    const std::error_code locked = lock.lock(lockFileBeside(path), kListLockTimeout);
    // Going on unlocked, as the program did before it locked at all: where the file system
    // has no locks; and where this user may neither make nor open the lock file: in a folder
    // the user may not write to no list file can be written either, and the change goes on to
    // fail with its own, plainer reason (another user's lock file, in a folder that several
    // users share, leaves this user's changes there unlocked). A lock file that is a link, a
    // folder or a pipe is refused: something is wrong with the folder.
    if (locked && locked != FileErrc::LocksUnsupported &&
        locked != std::errc::permission_denied && locked != std::errc::operation_not_permitted &&
        locked != std::errc::read_only_file_system)
        return failed(Step::Lock, locked);

    // A file that cannot be read now (an I/O error, another program's hold) is no file to
    // replace: what it holds would be lost unseen.
    const ListFile file = loadListFile(path);
    if (file.state == ListFile::State::Unreadable) return failed(Step::Read, file.error);
    AppliedChange applied = applyListChange(file.items, change);
    if (applied.outcome == AppliedChange::Outcome::Gone) return withStatus(Status::Gone);
    if (applied.outcome == AppliedChange::Outcome::Full) return withStatus(Status::Full);

    // What the user is asked about: the entries of a file read only in part.
    auto dropsUnread = [&]() {
        ListChangeResult result = withStatus(Status::DropsUnread);
        const ListEntryCount all = countListEntries(path, kMaxCountedListSize);
        result.dropped = all.entries > file.items.size() ? all.entries - file.items.size() : 0;
        result.droppedAtLeast = !all.whole || all.error;
        return result;
    };
    ListChangeResult result;
    if (applied.removeFile) {
        if (file.truncated && !consent.dropUnread) return dropsUnread();
        const WriteResult removed = removeFile(path);
        return removed.ok ? result : failed(Step::Remove, removed.error);
    }
    const TextFileBytes text = encodeTextFile(formatListFile(applied.entries), kMaxListFileSize);
    if (text.error) return failed(Step::Write, text.error);
    if (file.truncated && !consent.dropUnread) return dropsUnread();
    if (!text.unencodable.empty() && !consent.replaceUnencodable) {
        result.status = Status::Unencodable;
        result.unencodable = text.unencodable;
        return result;
    }
    const WriteResult written = writeFileAtomic(path, text.bytes);
    if (!written.ok) return failed(Step::Write, written.error);
    result.added = applied.added;
    return result;
}

}  // namespace norvelle

#include "core/lists/RegisteredLists.h"

#include "core/io/FileReader.h"
#include "core/text/Items.h"

namespace norvelle {

ListFile loadListFile(const std::string& name) {
    ListFile result;
    // A file in a folder that may not be searched is not known to be missing.
    const FileLookup lookup = lookUpFile(name);
    if (lookup.state == FileState::Missing) return result;
    if (lookup.state == FileState::Unknown) {
        result.state = ListFile::State::Unreadable;
        result.errnum = lookup.errnum;
        return result;
    }
    ReadResult read = readTextFile(name, kMaxListFileSize);
    if (read.status == ReadResult::Status::Missing) return result;  // gone in between
    if (read.ok() && read.truncated) {
        // Keep the whole lines only: the last one read is cut somewhere.
        const std::size_t lastBreak = read.bytes.find_last_of("\r\n");
        if (lastBreak == std::string::npos) {
            read.status = ReadResult::Status::Error;
            read.errnum = kTooLargeError;
        } else {
            read.bytes.resize(lastBreak + 1);
            result.truncated = true;
        }
    }
    if (!read.ok()) {
        result.state = ListFile::State::Unreadable;
        result.errnum = read.errnum;
        return result;
    }
    if (read.bytes.empty()) {
        result.state = ListFile::State::Empty;
        return result;
    }
    result.state = ListFile::State::Items;
    result.items = readItems(read.bytes, kMaxListEntries + 1);
    if (result.items.size() > kMaxListEntries) {
        result.items.pop_back();
        result.truncated = true;
    }
    return result;
}

RegisteredListFiles loadRegisteredLists() {
    return {loadListFile(kEmailFile), loadListFile(kHomePageFile), loadListFile(kNeededFilesFile)};
}

std::vector<std::string> neededFileEntries(const ListFile& registered) {
    std::vector<std::string> entries(kFixedNeededFiles.begin(), kFixedNeededFiles.end());
    if (registered.state == ListFile::State::Items)
        entries.insert(entries.end(), registered.items.begin(), registered.items.end());
    return entries;
}

}  // namespace norvelle

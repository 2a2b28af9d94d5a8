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
        result.error = lookup.error;
        return result;
    }
    ReadResult read = readTextFile(name, kMaxListFileSize);
    if (read.status == ReadResult::Status::Missing) return result;  // gone in between
    if (read.ok() && read.truncated) {
        // Keep the whole lines only: the last one read is cut somewhere.
        const std::size_t lastBreak = read.bytes.find_last_of("\r\n");
        if (lastBreak == std::string::npos) {
            read.status = ReadResult::Status::Error;
            read.error = FileErrc::TooLarge;
        } else {
            read.bytes.resize(lastBreak + 1);
            result.truncated = true;
        }
    }
    if (!read.ok()) {
        result.state = ListFile::State::Unreadable;
        result.error = read.error;
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

ListEntryCount countListEntries(const std::string& name, std::uint64_t limit) {
    ListEntryCount count;
    FileReader file;
    count.error = file.open(name);
    if (count.error) return count;
    // The separators (comma, quote, space, CR and LF) are never part of a double-byte
    // character in code page 932, and no item runs past its line: the raw bytes, a block of
    // whole lines at a time, give the count the decoded file would.
    constexpr std::size_t kBlock = 1 << 20;
    std::string buffer;
    std::uint64_t read = 0;
    for (;;) {
        const std::size_t filled = buffer.size();
        buffer.resize(filled + kBlock);
        std::size_t got = 0;
        count.error = file.read(buffer.data() + filled, kBlock, got);
        if (count.error) return count;
        buffer.resize(filled + got);
        read += got;
        const bool atEnd = got == 0 || read >= limit;
        // A CR last may be the first half of a CR LF: it waits for the next block.
        std::size_t cut = atEnd ? buffer.size() : buffer.find_last_of("\r\n");
        if (!atEnd && cut != std::string::npos && buffer[cut] == '\r' && cut + 1 == buffer.size())
            cut = cut == 0 ? std::string::npos : buffer.find_last_of("\r\n", cut - 1);
        if (cut != std::string::npos) {
            const std::size_t end = atEnd ? cut : cut + 1;
            count.entries += readItems(std::string_view(buffer).substr(0, end)).size();
            buffer.erase(0, end);
        }
        if (atEnd) {
            count.whole = got == 0;
            return count;
        }
    }
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

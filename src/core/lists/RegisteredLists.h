#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace norvelle {

// The registered list files, opened by bare name in the working directory.
inline constexpr const char* kEmailFile = "EMAIL.dat";
inline constexpr const char* kHomePageFile = "HomePage.dat";
inline constexpr const char* kNeededFilesFile = "Needfiles.dat";
inline constexpr const char* kCopyrightFile = "copyright.dat";

// The needed files every Readme may name; they always head the main window's list.
inline const std::array<std::string, 5> kFixedNeededFiles = {
    "Direct X 8.0", "Direct X 7.0", "Direct X 6.0", "Visual Basicのランタイムライブラリ",
    "MFC42.DLL"};

// What a list file holds when the main window refreshes its lists from it.
struct ListFile {
    enum class State {
        Missing,     // no such file: the list is left as it is
        Empty,       // a file of length zero: the list is emptied
        Items,       // the items, in file order
        // it exists, or cannot be looked at, but cannot be read (a folder, no permission):
        // left as it is
        Unreadable,
    };
    State state = State::Missing;
    std::vector<std::string> items;
    // Unreadable: why, an errno value or one of the FileErrc kinds (FileErrc::TooLarge:
    // no line ends within kMaxListFileSize).
    std::error_code error;
    // Items: the file holds more than is read, and only its first entries are here.
    bool truncated = false;
};

// The largest registered file (a list file or copyright.dat), in bytes of code page 932: the
// program reads no more of one, and writes none larger, so whatever it stores comes back
// whole. It holds kMaxListEntries entries of any sensible length; a file of a million entries
// would otherwise take seconds and hundreds of megabytes to show.
inline constexpr std::uint64_t kMaxListFileSize = std::uint64_t{4} << 20;

// Reads a list file by the item reading rule: its first kMaxListEntries entries, from no
// more than its first kMaxListFileSize bytes (whole lines only). Bytes that are not valid
// code page 932 come out as U+FFFD, so the entries around them survive.
ListFile loadListFile(const std::string& name);

// How many entries a list file holds in all, by the item reading rule, counted over no more
// than its first `limit` bytes; `whole` is false when the file goes on past them (there are
// at least `entries` then). error: why the file could not be read, if it could not.
struct ListEntryCount {
    std::uint64_t entries = 0;
    bool whole = true;
    std::error_code error;
};
ListEntryCount countListEntries(const std::string& name, std::uint64_t limit);

// The lists the main window shows, read afresh from the working directory.
struct RegisteredListFiles {
    ListFile email;
    ListFile homePage;
    ListFile neededFiles;
};
RegisteredListFiles loadRegisteredLists();

// The entries of the main window's needed-files list: the fixed ones, then the registered
// ones of Needfiles.dat (when it could be read).
std::vector<std::string> neededFileEntries(const ListFile& registered);

}  // namespace norvelle

// The form as the main window loads it: a software data file and the needed files that its
// positions refer to.

#include "cli/LoadData.h"

#include "core/document/SoftwareDataFile.h"
#include "core/io/FileReader.h"
#include "core/lists/RegisteredLists.h"
#include "core/text/Cp932.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>

namespace norvelle::cli {

namespace {

// 0 when the path names a folder, else why not.
int folderError(const std::string& path) {
    const FileLookup folder = lookUpFile(path);
    switch (folder.state) {
        case FileState::Missing:
            return ENOENT;
        case FileState::Unknown:
            return folder.errnum;
        case FileState::Present:
            break;
    }
    return folder.folder ? 0 : ENOTDIR;
}

// The needed-files list as the main window fills it at start-up: the fixed entries, then
// those of Needfiles.dat in the lists folder. Nothing when that file exists, or may exist,
// but cannot be read: a Readme without the user's registered files would be quietly wrong.
std::optional<std::vector<std::string>> neededFileList(const std::string& listsDir,
                                                       Messages& messages) {
    if (!listsDir.empty()) {
        if (int err = folderError(listsDir)) {
            messages.cannotRead(listsDir, err);
            return std::nullopt;
        }
    }
    const std::string path =
        listsDir.empty() ? std::string(kNeededFilesFile) : listsDir + "/" + kNeededFilesFile;
    const ListFile list = loadListFile(path);
    if (list.state == ListFile::State::Unreadable) {
        messages.cannotRead(path, list.errnum);
        return std::nullopt;
    }
    return neededFileEntries(list);
}

}  // namespace

int loadSoftwareData(const std::string& path, const std::string& listsDir, Messages& messages,
                     LoadedData& loaded) {
    // The window reads no more than the largest software data file; neither does this. The
    // buffer starts at the file's size (a real one is a few hundred bytes) and grows only for
    // a file that grows or a pipe, so a start is not spent clearing a megabyte.
    constexpr std::size_t kCap = kMaxSoftwareDataFileSize + 1;
    FileReader file;
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(
                          fileSize(path).value_or(4096) + 1, kCap)),
                      '\0');
    std::size_t filled = 0;
    int err = file.open(path);
    for (std::size_t count = 1; err == 0 && count > 0 && filled < kCap; filled += count) {
        if (filled == bytes.size()) bytes.resize(std::min(bytes.size() * 2, kCap));
        err = file.read(bytes.data() + filled, bytes.size() - filled, count);
    }
    if (err != 0) return messages.cannotRead(path, err);
    const bool tooLarge = filled > kMaxSoftwareDataFileSize;
    bytes.resize(std::min(filled, kMaxSoftwareDataFileSize));

    const std::optional<std::vector<std::string>> entries = neededFileList(listsDir, messages);
    if (!entries) return kExitIoError;

    const SoftwareDataFile sft = parseSoftwareDataFile(decodeCp932(bytes), entries->size());
    if (tooLarge || !sft.versionAccepted) {
        // The window's own warning first, so that its users know it again.
        messages.file(path, "これは、Norvelle Ver 2.0xのソフトデータではありません");
        std::string why;
        if (tooLarge) {
            why = "it is larger than " + std::to_string(kMaxSoftwareDataFileSize >> 20) +
                  " MiB, which no software data file is";
        } else if (sft.items.empty()) {
            why = "the file is empty";
        } else {
            std::string accepted;
            for (std::string_view v : kAcceptedFileVersions)
                accepted += (accepted.empty() ? "" : ", ") + std::string(v);
            why = "its first line is \"" + printable(excerpt(sft.items[0], 40)) +
                  "\", which does not end in one of " + accepted;
        }
        messages.file(path, "not software data of Norvelle 2.0x: " + why);
        return kExitNotSoftwareData;
    }

    loaded.versionLine = sft.items[0];
    for (const std::string& name : *entries) loaded.data.neededFiles.push_back({name, false});
    applySoftwareDataFile(sft, loaded.data);
    return kExitOk;
}

}  // namespace norvelle::cli

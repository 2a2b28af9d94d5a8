// The form as the main window loads it: a software data file and the needed files that its
// positions refer to.

#include "cli/LoadData.h"

#include "core/document/SoftwareDataLoad.h"
#include "core/io/FileReader.h"
#include "core/lists/RegisteredLists.h"

#include <cerrno>
#include <optional>

namespace norvelle::cli {

namespace {

// None when the path names a folder, else why not.
std::error_code folderError(const std::string& path) {
    const FileLookup folder = lookUpFile(path);
    switch (folder.state) {
        case FileState::Missing:
            return errnoError(ENOENT);
        case FileState::Unknown:
            return folder.error;
        case FileState::Present:
            break;
    }
    return folder.folder ? std::error_code() : errnoError(ENOTDIR);
}

// Where the needed files cannot be read from, and why.
struct ListsError {
    std::string path;
    std::error_code error;
};

// The needed-files list as the main window fills it at start-up: the fixed entries, then
// those of Needfiles.dat in the lists folder. Nothing when that file exists, or may exist,
// but cannot be read: a Readme without the user's registered files would be quietly wrong.
std::optional<std::vector<std::string>> neededFileList(const std::string& listsDir,
                                                       ListsError& error) {
    if (!listsDir.empty()) {
        if (std::error_code err = folderError(listsDir)) {
            error = {listsDir, err};
            return std::nullopt;
        }
    }
    const std::string path =
        listsDir.empty() ? std::string(kNeededFilesFile) : listsDir + "/" + kNeededFilesFile;
    const ListFile list = loadListFile(path);
    if (list.state == ListFile::State::Unreadable) {
        error = {path, list.error};
        return std::nullopt;
    }
    return neededFileEntries(list);
}

}  // namespace

int loadSoftwareData(const std::string& path, const std::string& listsDir, Messages& messages,
                     LoadedData& loaded) {
    using Status = LoadedSoftwareData::Status;
    // The list's length decides how many positions the file's reading takes, so the list comes
    // first; a file that cannot be read is still named before a list that cannot.
    ListsError listsError;
    const std::optional<std::vector<std::string>> entries = neededFileList(listsDir, listsError);
    // A command reads the pipe it is named, as other programs do.
    const LoadedSoftwareData sft =
        loadSoftwareDataFile(path, entries ? entries->size() : 0, PipesAndDevices::Read);
    if (sft.status == Status::CannotRead) return messages.cannotRead(path, sft.error);
    if (!entries) return messages.cannotRead(listsError.path, listsError.error);

    if (sft.status != Status::Loaded) {
        // The window's own warning first, so that its users know it again.
        messages.file(path, "これは、Norvelle Ver 2.0xのソフトデータではありません");
        std::string why;
        if (sft.status == Status::TooLarge) {
            why = "it is larger than " + std::to_string(kMaxSoftwareDataFileSize >> 20) +
                  " MiB, which no software data file is";
        } else if (sft.status == Status::Empty) {
            why = "the file is empty";
        } else {
            std::string accepted;
            for (std::string_view v : kAcceptedFileVersions)
                accepted += (accepted.empty() ? "" : ", ") + std::string(v);
            why = "its first line is \"" + printable(excerpt(sft.firstLine, 40)) +
                  "\", which does not end in one of " + accepted;
        }
        messages.file(path, "not software data of Norvelle 2.0x: " + why);
        return kExitNotSoftwareData;
    }

    loaded.versionLine = sft.firstLine;
    for (const std::string& name : *entries) loaded.data.neededFiles.push_back({name, false});
    applySoftwareDataFile(sft.file, loaded.data);
    return kExitOk;
}

}  // namespace norvelle::cli

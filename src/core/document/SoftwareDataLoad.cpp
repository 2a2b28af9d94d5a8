#include "core/document/SoftwareDataLoad.h"

#include "core/io/FileReader.h"
#include "core/text/Cp932.h"

namespace norvelle {

LoadedSoftwareData loadSoftwareDataFile(const std::string& path, std::size_t neededFileCount,
                                        PipesAndDevices pipes) {
    using Status = LoadedSoftwareData::Status;
    LoadedSoftwareData loaded;
    const ReadResult read = pipes == PipesAndDevices::Read
                                ? readAnyFileBytes(path, kMaxSoftwareDataFileSize)
                                : readFileBytes(path, kMaxSoftwareDataFileSize);
    if (!read.ok()) {
        loaded.error = read.error;
        return loaded;
    }
    if (read.truncated) {
        loaded.status = Status::TooLarge;
        return loaded;
    }
    SoftwareDataFile file = parseSoftwareDataFile(decodeCp932(read.bytes), neededFileCount);
    if (file.items.empty()) {
        loaded.status = Status::Empty;
        return loaded;
    }
    loaded.status = file.versionAccepted ? Status::Loaded : Status::NotSoftwareData;
    loaded.firstLine = file.items[0];
    if (file.versionAccepted) loaded.file = std::move(file);
    return loaded;
}

}  // namespace norvelle

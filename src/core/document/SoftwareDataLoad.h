#pragma once

// Loading a software data file: the one reading behind the window's load command and every
// command of norvelle-cli that takes --data.

#include "core/document/SoftwareDataFile.h"

#include <cstddef>
#include <string>
#include <system_error>

namespace norvelle {

// Whether a named pipe or a device may be read. The window refuses them: a pipe that no
// program writes to would hang it, and a user who picks one in a dialog means no stream. The
// command line reads what it is named, as a Unix command does, so that `--data <(...)` works.
// A folder is refused either way.
enum class PipesAndDevices { Refused, Read };

// How a load ended, with what its wording needs.
struct LoadedSoftwareData {
    enum class Status {
        Loaded,
        CannotRead,       // `error` says why; a missing file too
        TooLarge,         // longer than kMaxSoftwareDataFileSize, which no software data file is
        Empty,            // not one line
        NotSoftwareData,  // the first line is no version line of kAcceptedFileVersions
    };
    Status status = Status::CannotRead;
    std::error_code error;  // CannotRead: an errno or one of the FileErrc kinds
    // Loaded: the version line; NotSoftwareData: the line that is none.
    std::string firstLine;
    SoftwareDataFile file;  // Loaded: as read; put it into a form with applySoftwareDataFile
};

// Reads the file at `path` once, no more than kMaxSoftwareDataFileSize bytes of it, decodes it
// from code page 932 and reads its items against a needed-files list of `neededFileCount`
// entries.
LoadedSoftwareData loadSoftwareDataFile(const std::string& path, std::size_t neededFileCount,
                                        PipesAndDevices pipes);

}  // namespace norvelle

#pragma once

#include "core/io/AtomicFileWriter.h"

#include <cerrno>
#include <string>
#include <string_view>

namespace norvelle::test {

// A step of writing or removing a file that fails, and how.
struct WriteFault {
    std::string_view step;  // as the write fault injector names it
    std::error_code error;
};

// A full disk, a read-only medium, and a file system that refuses the final rename, as for a
// file another program holds open. (A refused creation reads as a folder the user may not
// write to on Windows, whose folders have no write bit to tell it apart.)
inline const WriteFault kWriteFaults[] = {
    {"write", errnoError(ENOSPC)}, {"open", errnoError(EROFS)}, {"rename", errnoError(EBUSY)}};

// A file the user may not delete, and one held open elsewhere.
inline const WriteFault kRemoveFaults[] = {{"remove", errnoError(EACCES)},
                                           {"remove", errnoError(EBUSY)}};

// Makes every write or removal fail at the fault's step until the injector is reset.
inline void failWritesAt(const WriteFault& fault) {
    setWriteFaultInjector([fault](std::string_view step, const std::string&) {
        return step == fault.step ? fault.error : std::error_code();
    });
}

}  // namespace norvelle::test

#pragma once

#include "core/io/FileResult.h"

#include <system_error>

namespace norvelle {

// Why a file could not be read or written, in the words of each front end: Japanese for the
// windows, English for norvelle-cli. Null where a side has no words of its own and says the
// number as it says any other.
struct FileErrorReason {
    int errnum;     // an errno value, or 0 for one of the kinds
    FileErrc kind;  // when errnum is 0
    const char* japanese;
    const char* english;
};

// The row of an error, or null when the table has none.
const FileErrorReason* findFileErrorReason(const std::error_code& error);

}  // namespace norvelle

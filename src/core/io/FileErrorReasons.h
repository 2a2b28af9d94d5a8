#pragma once

namespace norvelle {

// Why a file could not be read or written, in the words of each front end: Japanese for the
// windows, English for norvelle-cli. Null where a side has no words of its own and says the
// number as it says any other.
struct FileErrorReason {
    int errnum;  // an errno value or one of the k...Error kinds of core/io/FileResult.h
    const char* japanese;
    const char* english;
};

// The row of an errno value or kind, or null when the table has none.
const FileErrorReason* findFileErrorReason(int errnum);

}  // namespace norvelle

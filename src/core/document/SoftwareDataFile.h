#pragma once

#include "core/document/SoftwareData.h"

#include <array>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle {

// A software data file (.sft) keeps one form: a version line, the fourteen fields as quoted
// items, one per line, then the positions of the selected needed files, one per line. Lines
// end with CR LF; the text is code page 932 on disk.

inline constexpr std::size_t kSoftwareDataFieldCount = 14;

// The largest software data file the program writes or reads. A real one is a few hundred
// bytes; a larger file is no software data, and reading it whole would only fill the memory
// and the fields.
inline constexpr std::size_t kMaxSoftwareDataFileSize = std::size_t{1} << 20;

// The fourteen fields in the order the file keeps them: Text2(0), Text2(1), Text2(2),
// Combo1(0) to Combo1(3), Text2(4), Combo1(4), Combo1(5), Text1(0) to Text1(3).
using SoftwareDataFields = std::array<std::string, kSoftwareDataFieldCount>;

SoftwareDataFields fieldTexts(const SoftwareData& data);
void assignFieldTexts(SoftwareData& data, const SoftwareDataFields& fields);

// The version endings of the files this program reads. Files of 2.04 were never compatible.
inline constexpr std::array<std::string_view, 6> kAcceptedFileVersions = {"2.00", "2.01", "2.02",
                                                                          "2.03", "2.05", "2.06"};

// Whether a version line belongs to a file this program reads: only its last four characters
// count, whatever comes before them.
bool isAcceptedFileVersion(std::string_view versionItem);

// The file's text (UTF-8; encode it before writing). The version line names `appVersion`.
// Every field is written, enabled or not; a double quote in a field is doubled, and a line
// break in a field is written as a space, so each item keeps to its own line.
std::string formatSoftwareDataFile(const SoftwareData& data, std::string_view appVersion);

// What a software data file holds, read against a needed-files list of a given length.
struct SoftwareDataFile {
    // The items as read, in file order: the version line, the fields, the positions. Reading
    // stops after the fields and as many positions as the list has entries.
    std::vector<std::string> items;
    bool versionAccepted = false;
    SoftwareDataFields fields;  // empty where the file ends early
    // The list positions to select: valid positions only, ascending, each once.
    std::vector<std::size_t> selectedPositions;
};

// Reads a decoded file by the item reading rule. Index items that are not a whole number, or
// name no entry of a list of `neededFileCount` entries, select nothing.
SoftwareDataFile parseSoftwareDataFile(
    std::string_view text, std::size_t neededFileCount = std::numeric_limits<std::size_t>::max());

// Puts an accepted file into a form whose needed-files list is `data.neededFiles`: its fields,
// and exactly the selection it names. The main window's load and norvelle-cli both come here,
// so a Readme made from a .sft file is the one the window makes after loading it.
void applySoftwareDataFile(const SoftwareDataFile& file, SoftwareData& data);

}  // namespace norvelle

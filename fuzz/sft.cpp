// Reading any software data file terminates, selects only valid list positions, and what
// the program writes from the fields it read reads back as the same fields and selection.
#include "core/document/SoftwareDataFile.h"
#include "core/text/Cp932.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte is the length of the needed-files list the file is read against.
    const std::size_t listSize = data[0];
    const std::string text =
        norvelle::decodeCp932({reinterpret_cast<const char*>(data) + 1, size - 1});
    const norvelle::SoftwareDataFile file = norvelle::parseSoftwareDataFile(text, listSize);

    check(file.items.size() <= 1 + norvelle::kSoftwareDataFieldCount + listSize);
    const auto& positions = file.selectedPositions;
    check(std::is_sorted(positions.begin(), positions.end()));
    check(std::adjacent_find(positions.begin(), positions.end()) == positions.end());
    for (std::size_t p : positions) check(p < listSize);
    for (std::size_t i = 0; i < norvelle::kSoftwareDataFieldCount; ++i)
        check(file.fields[i] == (1 + i < file.items.size() ? file.items[1 + i] : std::string()));
    // Reading against a longer list never loses what a shorter one selected.
    const auto wider = norvelle::parseSoftwareDataFile(text, listSize + 100);
    check(std::includes(wider.selectedPositions.begin(), wider.selectedPositions.end(),
                        positions.begin(), positions.end()));

    // Saved and loaded again: the same fields, the same selection, a version that is read.
    norvelle::SoftwareData form;
    norvelle::assignFieldTexts(form, file.fields);
    form.neededFiles.resize(listSize);
    for (std::size_t p : positions) form.neededFiles[p].selected = true;
    const std::string saved = norvelle::formatSoftwareDataFile(form, "2.06");
    const norvelle::SoftwareDataFile again = norvelle::parseSoftwareDataFile(saved, listSize);
    check(again.versionAccepted);
    check(again.fields == file.fields);
    check(again.selectedPositions == positions);

    // The same through the bytes on disk, when every character fits code page 932.
    const norvelle::EncodeResult bytes = norvelle::encodeCp932(saved, '?');
    if (bytes.unencodable.empty()) {
        const auto fromDisk =
            norvelle::parseSoftwareDataFile(norvelle::decodeCp932(bytes.bytes), listSize);
        check(fromDisk.fields == file.fields);
        check(fromDisk.selectedPositions == positions);
    }
    return 0;
}

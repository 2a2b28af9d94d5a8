#include "core/document/SoftwareDataFile.h"

#include "core/text/Items.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace norvelle {

namespace {

constexpr std::size_t kFirstPositionItem = 1 + kSoftwareDataFieldCount;
constexpr std::size_t kMaxSize = std::numeric_limits<std::size_t>::max();

// The last `count` characters (code points) of a UTF-8 text, or the whole text when it is
// shorter.
std::string_view lastCharacters(std::string_view text, std::size_t count) {
    std::size_t start = text.size();
    while (count > 0 && start > 0) {
        --start;
        // Step back over continuation bytes to the first byte of the character.
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
        --count;
    }
    return text.substr(start);
}

// An index item: a whole number, perhaps with spaces around it. Nothing when it is not one or
// when it names no entry of the list.
std::optional<std::size_t> listPosition(std::string_view item, std::size_t listSize) {
    const std::size_t first = item.find_first_not_of(' ');
    if (first == std::string_view::npos || listSize == 0) return std::nullopt;
    item = item.substr(first, item.find_last_not_of(' ') - first + 1);
    const std::size_t last = listSize - 1;
    std::size_t value = 0;
    for (char c : item) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::size_t>(c - '0');
        if (digit > last || value > (last - digit) / 10) return std::nullopt;  // past the end
        value = value * 10 + digit;
    }
    return value;
}

// The fields are single-line: a line break inside one would end its item early.
std::string withoutLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // CR LF: one
        out.push_back(c == '\r' || c == '\n' ? ' ' : c);
    }
    return out;
}

void appendLine(std::string& out, std::string_view line) {
    out += line;
    out += "\r\n";
}

}  // namespace

SoftwareDataFields fieldTexts(const SoftwareData& d) {
    return {d.softwareName,   d.version,       d.copyright,     d.environment,  d.testedOn,
            d.redistribution, d.softwareType,  d.fee,           d.email,        d.homePage,
            d.additional[0],  d.additional[1], d.additional[2], d.additional[3]};
}

void assignFieldTexts(SoftwareData& d, const SoftwareDataFields& f) {
    d.softwareName = f[0];
    d.version = f[1];
    d.copyright = f[2];
    d.environment = f[3];
    d.testedOn = f[4];
    d.redistribution = f[5];
    d.softwareType = f[6];
    d.fee = f[7];
    d.email = f[8];
    d.homePage = f[9];
    for (std::size_t i = 0; i < 4; ++i) d.additional[i] = f[10 + i];
}

bool isAcceptedFileVersion(std::string_view versionItem) {
    const std::string_view ending = lastCharacters(versionItem, 4);
    return std::find(kAcceptedFileVersions.begin(), kAcceptedFileVersions.end(), ending) !=
           kAcceptedFileVersions.end();
}

std::string formatSoftwareDataFile(const SoftwareData& data, std::string_view appVersion) {
    std::string out;
    appendLine(out, quoteItem("Norvelle Ver " + std::string(appVersion)));
    for (const std::string& field : fieldTexts(data))
        appendLine(out, quoteItem(withoutLineBreaks(field)));
    for (std::size_t i = 0; i < data.neededFiles.size(); ++i)
        if (data.neededFiles[i].selected) appendLine(out, std::to_string(i));
    return out;
}

SoftwareDataFile parseSoftwareDataFile(std::string_view text, std::size_t neededFileCount) {
    SoftwareDataFile file;
    const std::size_t maxItems = neededFileCount > kMaxSize - kFirstPositionItem
                                     ? kMaxSize
                                     : kFirstPositionItem + neededFileCount;
    file.items = readItems(text, maxItems);
    const std::vector<std::string>& items = file.items;

    file.versionAccepted = !items.empty() && isAcceptedFileVersion(items[0]);
    for (std::size_t i = 0; i < kSoftwareDataFieldCount && 1 + i < items.size(); ++i)
        file.fields[i] = items[1 + i];

    for (std::size_t k = kFirstPositionItem; k < items.size(); ++k)
        if (auto position = listPosition(items[k], neededFileCount))
            file.selectedPositions.push_back(*position);
    std::sort(file.selectedPositions.begin(), file.selectedPositions.end());
    file.selectedPositions.erase(
        std::unique(file.selectedPositions.begin(), file.selectedPositions.end()),
        file.selectedPositions.end());
    return file;
}

void applySoftwareDataFile(const SoftwareDataFile& file, SoftwareData& data) {
    assignFieldTexts(data, file.fields);
    for (NeededFile& entry : data.neededFiles) entry.selected = false;
    for (const std::size_t position : file.selectedPositions)
        if (position < data.neededFiles.size()) data.neededFiles[position].selected = true;
}

}  // namespace norvelle

#include "core/document/FileTitle.h"

namespace norvelle {

std::string FileTitleFromPath(std::string_view path) {
    // The separators are ASCII, and no byte of a multi-byte UTF-8 character is ASCII, so a
    // byte search finds exactly the characters.
    const auto pos = path.find_last_of("\\:/");
    if (pos == std::string_view::npos) return "(無題)";
    return std::string(path.substr(pos + 1));
}

}  // namespace norvelle

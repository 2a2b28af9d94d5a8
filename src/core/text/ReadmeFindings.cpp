#include "core/text/ReadmeFindings.h"

#include <algorithm>
#include <cctype>

namespace norvelle {

std::string_view findingKindName(ReadmeFinding::Kind kind) {
    switch (kind) {
        case ReadmeFinding::Kind::PlatformDependent: return "platform-dependent";
        case ReadmeFinding::Kind::HalfwidthKana: return "halfwidth-kana";
        case ReadmeFinding::Kind::TooWide: return "too-wide";
        case ReadmeFinding::Kind::Marker: return "marker";
        case ReadmeFinding::Kind::Control: return "control";
    }
    return "marker";
}

bool isMarkdownName(std::string_view fileName) {
    auto endsWith = [fileName](std::string_view suffix) {
        return fileName.size() > suffix.size() &&
               std::equal(suffix.begin(), suffix.end(), fileName.end() - suffix.size(),
                          [](char a, char b) {
                              return std::tolower(static_cast<unsigned char>(a)) ==
                                     std::tolower(static_cast<unsigned char>(b));
                          });
    };
    return endsWith(".md") || endsWith(".markdown");
}

}  // namespace norvelle

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvelle {

// Splits a decoded text into lines the way the program reads its files: a line ends at
// CR LF or at a CR alone; a LF alone is an ordinary character of the line. A final line
// break makes no extra empty line, and an empty text has no line at all.
std::vector<std::string> splitLines(std::string_view text);

// The same, without copying: calls fn(std::string_view line) for every line in order.
template <typename Fn>
void forEachLine(std::string_view text, Fn&& fn) {
    std::size_t start = 0;
    const std::size_t n = text.size();
    while (start < n) {
        std::size_t cr = text.find('\r', start);
        if (cr == std::string_view::npos) {
            fn(text.substr(start));
            return;
        }
        fn(text.substr(start, cr - start));
        start = cr + 1;
        if (start < n && text[start] == '\n') ++start;
    }
}

}  // namespace norvelle

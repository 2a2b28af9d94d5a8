#pragma once

#include "plugin/TokenValue.h"
#include "text/Cp932.h"

#include <cstddef>
#include <string_view>

namespace norvelle {

// The expansion of one plugin line, written once for the two forms a line comes in: text
// decoded to UTF-8 (the window's preview, and any line that must be decoded) and the
// plugin's own code page 932 bytes (norvelle-cli, for lines that read back as themselves).
// Only how a character is found and what a name stands for differ; `Chars` says both.

// UTF-8: no byte of "[$]" ever stands inside another character, so a plain search finds them.
struct Utf8Chars {
    const TokenTable& tokens;

    static std::size_t find(std::string_view line, std::size_t from, char c) {
        return line.find(c, from);
    }
    Replacement replacement(std::string_view name) const { return tokens.replacement(name); }
};

// Code page 932 bytes: "[" and "]" can be the second byte of a double-byte character, so the
// search walks characters. The line cannot be expanded in its bytes (kNoRoundTrip, or an
// Unfit value) when its text would not be written back as these bytes.
struct Cp932Chars {
    const TokenTable& tokens;

    static std::size_t find(std::string_view line, std::size_t from, char c) {
        return findCp932Char(line, from, c);
    }
    Replacement replacement(std::string_view name) const { return tokens.replacementCp932(name); }
};

enum class LineExpansion {
    Done,
    Stopped,  // the output asked to stop
    Unfit     // the line must be expanded as decoded text
};

// Hands `out.append(piece, replacement)` the line piece by piece: a stretch of the line and
// the value of the marker after it, and last the rest of the line with the CR LF every
// expanded line ends with. "[$]" is a marker with the empty name; an unclosed "[$" keeps the
// rest of its line as it is. A value goes in as it is: a marker inside it stays text. Every
// character of the line is looked at exactly once, in order, so an Unfit answer comes before
// anything is handed out for a character after it.
template <class Chars, class Out>
LineExpansion expandLine(std::string_view line, const Chars& chars, Out& out) {
    constexpr std::string_view kLineEnd = "\r\n";
    std::size_t pos = 0;   // the line up to here has been handed out
    std::size_t from = 0;  // the search for the next "[$" starts here
    for (;;) {
        const std::size_t open = chars.find(line, from, '[');
        if (open == kNoRoundTrip) return LineExpansion::Unfit;
        if (open == std::string_view::npos) break;
        if (open + 1 == line.size() || line[open + 1] != '$') {
            from = open + 1;
            continue;
        }
        const std::size_t nameStart = open + 2;
        const std::size_t close = chars.find(line, nameStart, ']');
        if (close == kNoRoundTrip) return LineExpansion::Unfit;
        if (close == std::string_view::npos) break;

        const Replacement r = chars.replacement(line.substr(nameStart, close - nameStart));
        if (r.kind == Replacement::Kind::Unfit) return LineExpansion::Unfit;
        const std::string_view text =
            r.kind == Replacement::Kind::Value ? r.text : line.substr(open, close + 1 - open);
        if (!out.append(line.substr(pos, open - pos), text)) return LineExpansion::Stopped;
        pos = from = close + 1;
    }
    return out.append(line.substr(pos), kLineEnd) ? LineExpansion::Done : LineExpansion::Stopped;
}

}  // namespace norvelle

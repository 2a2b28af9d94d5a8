#pragma once

#include "core/plugin/TokenValue.h"
#include "core/text/Cp932.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
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

// What Chars::find answers when a character on its way reads back as other bytes.
inline constexpr std::size_t kNoRoundTrip = std::string_view::npos - 1;

// Code page 932 bytes: "[" and "]" can be the second byte of a double-byte character (ゼ is
// 0x83 0x5B), so the search walks whole characters. It answers kNoRoundTrip as soon as a
// character before the place it looks for (or, without one, before the end) would not be
// written back as the same bytes; the line must then be decoded, as it must when a value it
// uses is Unfit.
struct Cp932Chars {
    const TokenTable& tokens;
    const Cp932RoundTrips& codes = cp932RoundTrips();

    std::size_t find(std::string_view line, std::size_t from, char c) const {
        const auto* const begin = reinterpret_cast<const unsigned char*>(line.data());
        const auto* const end = begin + line.size();
        const auto wanted = static_cast<unsigned char>(c);
        const std::uint64_t wantedEverywhere = 0x0101010101010101ull * wanted;
        const std::uint8_t* const pairs = codes.pairs;  // never 1 for a byte that leads nothing
        auto pair = [pairs](const unsigned char* at) { return pairs[cp932PairIndex(at)]; };
        const unsigned char* p = begin + from;
        while (p < end) {
            // Japanese text is mostly double-byte characters: four are checked at once,
            // without a branch for each. (Longer steps, or passing as many of the four as
            // fit, measured slower: the time goes where a run ends, which no predictor
            // guesses.) Stepping by a length looked up in a table would make each character
            // wait for the look-up of the one before it.
            while (end - p >= 8 && (pair(p) & pair(p + 2) & pair(p + 4) & pair(p + 6))) p += 8;
            if (p == end) break;
            const unsigned b = *p;
            if (b < 0x80) {
                if (b == wanted) return static_cast<std::size_t>(p - begin);
                p += end - p >= 8 && eightAsciiWithout(p, wantedEverywhere) ? 8 : 1;
            } else if (codes.leads[b]) {
                if (end - p < 2 || pair(p) == 0) return kNoRoundTrip;
                p += 2;
            } else {
                if (!codes.singles[b]) return kNoRoundTrip;
                ++p;
            }
        }
        return std::string_view::npos;
    }
    Replacement replacement(std::string_view name) const { return tokens.replacementCp932(name); }

private:
    // Whether the eight bytes at p are ASCII and none of them is the byte repeated in `others`.
    static bool eightAsciiWithout(const unsigned char* p, std::uint64_t others) {
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
        std::uint64_t word = 0;
        std::memcpy(&word, p, 8);
        const std::uint64_t x = word ^ others;  // a zero byte where they match
        return (word & ~kLow7) == 0 && ((((x & kLow7) + kLow7) | x) & ~kLow7) == ~kLow7;
    }
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

#include "core/text/ReadmeFindings.h"

#include "core/text/Cp932.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <vector>

// The preview checks its Readme again as the user types, so the whole text is gone through
// once, a character at a time, and nothing is allocated for a character: only a finding costs
// anything.

namespace norvelle {

namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// East Asian Wide and Fullwidth by whole blocks, as terminals and editors with a fixed-width
// font show them: two columns. The scattered emoji of the symbol blocks count one; a Readme
// that uses them has other troubles.
constexpr Range kWide[] = {
    {0x1100, 0x115F},    // Hangul Jamo, initial consonants
    {0x2E80, 0x303E},    // CJK radicals, Kangxi radicals, CJK symbols and punctuation
    {0x3041, 0x33FF},    // kana, Bopomofo, Hangul compatibility Jamo, enclosed CJK, squared
    {0x3400, 0x4DBF},    // CJK extension A
    {0x4E00, 0x9FFF},    // CJK unified ideographs
    {0xA000, 0xA4CF},    // Yi
    {0xA960, 0xA97F},    // Hangul Jamo extended A
    {0xAC00, 0xD7A3},    // Hangul syllables
    {0xF900, 0xFAFF},    // CJK compatibility ideographs
    {0xFE10, 0xFE19},    // vertical forms
    {0xFE30, 0xFE6F},    // CJK compatibility forms, small form variants
    {0xFF01, 0xFF60},    // full-width ASCII and brackets
    {0xFFE0, 0xFFE6},    // full-width signs
    {0x1F300, 0x1F64F},  // pictographs, emoticons
    {0x1F900, 0x1F9FF},  // supplemental pictographs
    {0x20000, 0x2FFFD},  // CJK extensions B to F, compatibility supplement
    {0x30000, 0x3FFFD},  // CJK extensions G and on
};

bool isWide(char32_t cp) {
    if (cp < kWide[0].first) return false;
    const Range* const after =
        std::upper_bound(std::begin(kWide), std::end(kWide), cp,
                         [](char32_t c, const Range& r) { return c < r.first; });
    return cp <= after[-1].last;
}

Cp932Extension extensionOfCode(std::uint16_t code) {
    if (code < 0x100) {
        return code == 0xA0 || code >= 0xFD ? Cp932Extension::UserDefined : Cp932Extension::None;
    }
    const unsigned lead = code >> 8U;
    if (lead == 0x87) return Cp932Extension::Nec;
    if (lead == 0xED || lead == 0xEE) return Cp932Extension::NecSelectedIbm;
    if (lead >= 0xF0 && lead <= 0xF9) return Cp932Extension::UserDefined;
    if (lead >= 0xFA && lead <= 0xFC) return Cp932Extension::Ibm;
    return Cp932Extension::None;
}

// Characters in a piece of a line.
std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count) nextCharacter(text, at);
    return count;
}

// Columns a character takes, as a fixed-width font shows it; in code page 932 as many as its
// bytes. `code` is its code page 932 code, or kCp932NoBytes.
std::size_t columnsOf(char32_t cp, std::uint16_t code) {
    if (code != kCp932NoBytes) return code < 0x100 ? 1 : 2;
    return isWide(cp) ? 2 : 1;
}

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

void findReadmeProblems(std::string_view text, const ReadmeRules& rules,
                        const std::function<void(const ReadmeFinding&)>& found) {
    using Kind = ReadmeFinding::Kind;
    const std::uint16_t* const codes =
        rules.encoding == TextEncoding::Cp932 ? cp932Codes() : nullptr;
    const bool checkWidth = !rules.markdown;
    const std::size_t end = text.size();
    std::size_t i = 0;

    // A line that is too wide is reported at the character that passes the width, but how
    // wide it is and how far it goes is known only at its end: what is found after that
    // character waits here, so that findings stay in order.
    std::vector<ReadmeFinding> pastWidth;

    for (std::size_t line = 1; i < end; ++line) {
        std::size_t column = 0;  // characters of the line up to p
        std::size_t width = 0;
        std::size_t passedAt = 0;  // the column that passed the width; 0 while none did
        // A "[" before this stands inside a marker already found; none after it starts one
        // once a "[$" was left unclosed, as no "]" follows on the line.
        std::size_t markersFrom = i;
        bool markersDone = false;

        auto report = [&](Kind kind, char32_t cp) {
            ReadmeFinding f;
            f.kind = kind;
            f.line = line;
            f.column = column;
            f.codePoint = cp;
            if (passedAt != 0)
                pastWidth.push_back(f);
            else
                found(f);
        };
        auto reportMarker = [&](std::size_t from, std::size_t to) {
            ReadmeFinding f;
            f.kind = Kind::Marker;
            f.line = line;
            f.column = column;
            f.text = text.substr(from, to - from);
            f.length = characterCount(f.text);
            if (passedAt != 0)
                pastWidth.push_back(std::move(f));
            else
                found(f);
        };

        while (i < end && !isLineEnd(text[i])) {
            const std::size_t at = i;
            const char32_t cp = nextCharacter(text, i);
            ++column;
            std::size_t columns = 1;
            if (cp < 0x80) {
                if (cp == '\t') {
                    columns = 8 - width % 8;
                } else if (cp < 0x20 || cp == 0x7F) {
                    report(Kind::Control, cp);
                } else if (cp == '[' && i < end && text[i] == '$' && at >= markersFrom &&
                           !markersDone) {
                    // The name is everything up to the first "]", whatever it holds.
                    std::size_t close = i + 1;
                    while (close < end && text[close] != ']' && !isLineEnd(text[close])) ++close;
                    if (close < end && text[close] == ']') {
                        reportMarker(at, close + 1);
                        markersFrom = close + 1;
                    } else {
                        markersDone = true;
                    }
                }
            } else if (cp <= 0x9F) {
                report(Kind::Control, cp);
            } else if (codes != nullptr) {
                // A character code page 932 cannot hold is asked about when the Readme is
                // saved; until then it takes the room it takes on the screen.
                const std::uint16_t code = cp < 0x10000 ? codes[cp] : kCp932NoBytes;
                columns = columnsOf(cp, code);
                if (code != kCp932NoBytes && extensionOfCode(code) != Cp932Extension::None)
                    report(Kind::PlatformDependent, cp);
                if (cp >= 0xFF61 && cp <= 0xFF9F) report(Kind::HalfwidthKana, cp);
            } else {
                columns = columnsOf(cp, kCp932NoBytes);
            }
            width += columns;
            if (checkWidth && passedAt == 0 && width > rules.width) passedAt = column;
        }

        if (passedAt != 0) {
            ReadmeFinding f;
            f.kind = Kind::TooWide;
            f.line = line;
            f.column = passedAt;
            f.length = column - passedAt + 1;
            f.width = width;
            found(f);
            for (const ReadmeFinding& later : pastWidth) found(later);
            pastWidth.clear();
        }
        if (i < end && text[i++] == '\r' && i < end && text[i] == '\n') ++i;
    }
}

std::size_t displayWidth(std::string_view text, TextEncoding encoding) {
    const std::uint16_t* const codes = encoding == TextEncoding::Cp932 ? cp932Codes() : nullptr;
    std::size_t width = 0;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t cp = nextCharacter(text, at);
        width += columnsOf(cp, codes && cp < 0x10000 ? codes[cp] : kCp932NoBytes);
    }
    return width;
}

Cp932Extension cp932ExtensionOf(char32_t codePoint) {
    if (codePoint >= 0x10000) return Cp932Extension::None;
    const std::uint16_t code = cp932Codes()[codePoint];
    return code == kCp932NoBytes ? Cp932Extension::None : extensionOfCode(code);
}

std::string_view findingKindName(ReadmeFinding::Kind kind) {
    switch (kind) {
        case ReadmeFinding::Kind::PlatformDependent:
            return "platform-dependent";
        case ReadmeFinding::Kind::HalfwidthKana:
            return "halfwidth-kana";
        case ReadmeFinding::Kind::TooWide:
            return "too-wide";
        case ReadmeFinding::Kind::Marker:
            return "marker";
        case ReadmeFinding::Kind::Control:
            return "control";
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

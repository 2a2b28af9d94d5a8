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

constexpr char32_t kReplacementChar = 0xFFFD;

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

// Reads one character of UTF-8 and moves p past it. A broken sequence reads as U+FFFD and
// takes its longest valid beginning (at least one byte), as the decoders do.
char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end) {
    const unsigned b0 = *p++;
    if (b0 < 0x80) return b0;
    if (b0 < 0xC2 || b0 >= 0xF5) return kReplacementChar;
    unsigned need = 1;
    char32_t cp = b0 & 0x1FU;
    unsigned lo = 0x80;
    unsigned hi = 0xBF;
    if (b0 >= 0xF0) {
        need = 3;
        cp = b0 & 0x07U;
        if (b0 == 0xF0) lo = 0x90;  // overlong
        if (b0 == 0xF4) hi = 0x8F;  // beyond U+10FFFF
    } else if (b0 >= 0xE0) {
        need = 2;
        cp = b0 & 0x0FU;
        if (b0 == 0xE0) lo = 0xA0;  // overlong
        if (b0 == 0xED) hi = 0x9F;  // surrogates
    }
    for (unsigned i = 0; i < need; ++i) {
        if (p == end || *p < lo || *p > hi) return kReplacementChar;
        cp = cp << 6U | (*p++ & 0x3FU);
        lo = 0x80;
        hi = 0xBF;
    }
    return cp;
}

std::size_t codePointCount(const unsigned char* p, const unsigned char* end) {
    std::size_t count = 0;
    while (p < end) {
        nextCodePoint(p, end);
        ++count;
    }
    return count;
}

bool isLineEnd(unsigned char b) {
    return b == '\r' || b == '\n';
}

}  // namespace

void findReadmeProblems(std::string_view text, const ReadmeRules& rules,
                        const std::function<void(const ReadmeFinding&)>& found,
                        std::size_t firstLine) {
    using Kind = ReadmeFinding::Kind;
    const std::uint16_t* const codes =
        rules.encoding == TextEncoding::Cp932 ? cp932Codes() : nullptr;
    const bool checkWidth = !rules.markdown;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();

    // A line that is too wide is reported at the character that passes the width, but how
    // wide it is and how far it goes is known only at its end: what is found after that
    // character waits here, so that findings stay in order.
    std::vector<ReadmeFinding> pastWidth;

    for (std::size_t line = firstLine; p < end; ++line) {
        std::size_t column = 0;  // characters of the line up to p
        std::size_t width = 0;
        std::size_t passedAt = 0;  // the column that passed the width; 0 while none did
        // A "[" before this stands inside a marker already found; none after it starts one
        // once a "[$" was left unclosed, as no "]" follows on the line.
        const unsigned char* markersFrom = p;
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
        auto reportMarker = [&](const unsigned char* from, const unsigned char* to) {
            ReadmeFinding f;
            f.kind = Kind::Marker;
            f.line = line;
            f.column = column;
            f.length = codePointCount(from, to);
            f.text.assign(reinterpret_cast<const char*>(from), static_cast<std::size_t>(to - from));
            if (passedAt != 0)
                pastWidth.push_back(std::move(f));
            else
                found(f);
        };

        while (p < end && !isLineEnd(*p)) {
            const unsigned char* const at = p;
            const char32_t cp = nextCodePoint(p, end);
            ++column;
            std::size_t columns = 1;
            if (cp < 0x80) {
                if (cp == '\t') {
                    columns = 8 - width % 8;
                } else if (cp < 0x20 || cp == 0x7F) {
                    report(Kind::Control, cp);
                } else if (cp == '[' && p < end && *p == '$' && at >= markersFrom && !markersDone) {
                    // The name is everything up to the first "]", whatever it holds.
                    const unsigned char* close = p + 1;
                    while (close < end && *close != ']' && !isLineEnd(*close)) ++close;
                    if (close < end && *close == ']') {
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
                if (code == kCp932NoBytes) {
                    columns = isWide(cp) ? 2 : 1;
                } else {
                    columns = code < 0x100 ? 1 : 2;
                    if (extensionOfCode(code) != Cp932Extension::None) {
                        report(Kind::PlatformDependent, cp);
                    }
                }
                if (cp >= 0xFF61 && cp <= 0xFF9F) report(Kind::HalfwidthKana, cp);
            } else if (isWide(cp)) {
                columns = 2;
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
        if (p < end && *p++ == '\r' && p < end && *p == '\n') ++p;
    }
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

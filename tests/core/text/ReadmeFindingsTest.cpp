#include "core/text/ReadmeFindings.h"

#include "core/text/Cp932.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvelle {
namespace {

// A finding in one line: "LINE:COLUMN+LENGTH kind what", what being the character, the
// line's width or the marker.
std::string shown(const ReadmeFinding& f) {
    std::string s = std::to_string(f.line) + ":" + std::to_string(f.column) + "+" +
                    std::to_string(f.length) + " " + std::string(findingKindName(f.kind)) + " ";
    switch (f.kind) {
        case ReadmeFinding::Kind::TooWide:
            return s + std::to_string(f.width);
        case ReadmeFinding::Kind::Marker:
            return s + f.text;
        default:
            return s + codePointLabel(f.codePoint);
    }
}

// Every character of JIS X 0208 in code page 932, one line each: what every Japanese system
// reads alike. Where the NEC and IBM extensions hold the same character, the encoder must
// write it here.
std::string jisX0208Lines() {
    std::string bytes;
    for (int row = 1; row <= 84; ++row) {
        if (row > 8 && row < 16) continue;
        for (int cell = 1; cell <= 94; ++cell) {
            const int lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
            const int trail = row % 2 != 0 ? cell + 0x3F + (cell >= 64 ? 1 : 0) : cell + 0x9E;
            bytes += {static_cast<char>(lead), static_cast<char>(trail), '\r', '\n'};
        }
    }
    return decodeCp932(bytes);
}

TEST(ReadmeFindings, ReportWhatOtherSystemsGarbleByEncodingInOrder) {
    constexpr auto kCp932 = TextEncoding::Cp932;
    constexpr auto kUtf8 = TextEncoding::Utf8;
    const std::string extensions = "①㈱Ⅳ№㍻髙\uE000ⅰ\uF8F0";
    std::string kana40;
    for (int i = 0; i < 40; ++i) kana40 += "あ";
    std::string circles41;
    for (int i = 0; i < 41; ++i) circles41 += "○";
    const std::string x20(20, 'x');

    const struct {
        std::string text;
        TextEncoding encoding;
        bool markdown = false;
        std::size_t width = 80;
        std::vector<std::string> expected;
    } cases[] = {
        // The NEC row 13, the NEC-selected and the IBM extensions, the user-defined area and
        // the single bytes Windows alone reads as characters, with what is in JIS X 0208
        // among them: the wave dash and its full-width look-alike, ≒ ∵ ¬ and the not sign.
        {"a" + extensions.substr(0, 9) + "〜≒" + extensions.substr(9) + "∵¬\u00AC～",
         kCp932,
         false,
         80,
         {"1:2+1 platform-dependent U+2460", "1:3+1 platform-dependent U+3231",
          "1:4+1 platform-dependent U+2163", "1:7+1 platform-dependent U+2116",
          "1:8+1 platform-dependent U+337B", "1:9+1 platform-dependent U+9AD9",
          "1:10+1 platform-dependent U+E000", "1:11+1 platform-dependent U+2170",
          "1:12+1 platform-dependent U+F8F0"}},
        {extensions + "ｱ｡ﾟ", kUtf8, false, 80, {}},
        {extensions + "ｱ｡ﾟ", TextEncoding::Utf16Le, false, 80, {}},
        {jisX0208Lines(), kCp932, false, 80, {}},
        // The last of the user-defined area, and past it a character code page 932 lacks.
        {"\uE757\uE758", kCp932, false, 80, {"1:1+1 platform-dependent U+E757"}},
        {"ｱ｡ﾟ｠",
         kCp932,
         false,
         80,
         {"1:1+1 halfwidth-kana U+FF71", "1:2+1 halfwidth-kana U+FF61",
          "1:3+1 halfwidth-kana U+FF9F"}},
        // Full-width characters take two columns: forty fill the line, one more character
        // passes it, also when it starts in the last column.
        {kana40, kUtf8, false, 80, {}},
        {kana40 + "xyz", kUtf8, false, 80, {"1:41+3 too-wide 83"}},
        {"a" + kana40, kUtf8, false, 80, {"1:41+1 too-wide 81"}},
        // In code page 932 a character is as wide as its bytes: ○ takes two, as in Japanese
        // fonts, though elsewhere it takes one.
        {circles41, kCp932, false, 80, {"1:41+1 too-wide 82"}},
        {circles41, kUtf8, false, 80, {}},
        // A tab goes on to the next multiple of eight. What follows the character that
        // passes the width is reported after the line.
        {"12345678901234567\tx\r\nshort", kUtf8, false, 20, {"1:18+2 too-wide 25"}},
        {"\x07" + x20 + "\x07[$x]",
         kCp932,
         false,
         20,
         {"1:1+1 control U+0007", "1:21+6 too-wide 26", "1:22+1 control U+0007",
          "1:23+4 marker [$x]"}},
        {"\x07" + x20 + "\x07[$x]",
         kCp932,
         true,
         20,
         {"1:1+1 control U+0007", "1:22+1 control U+0007", "1:23+4 marker [$x]"}},
        // Every marker left is a fault, known name or not; its name runs to the first "]".
        {"[$ソフト名] [$nope][$] [[$a[$b]] [$open",
         kUtf8,
         false,
         80,
         {"1:1+7 marker [$ソフト名]", "1:9+7 marker [$nope]", "1:16+3 marker [$]",
          "1:21+7 marker [$a[$b]"}},
        {"[$open\r\n]x[ $y] $[z]", kCp932, false, 80, {}},
        {"\x07\t\x1F\x7F\u0080\u0085\u009F\u00A0",
         kCp932,
         false,
         80,
         {"1:1+1 control U+0007", "1:3+1 control U+001F", "1:4+1 control U+007F",
          "1:5+1 control U+0080", "1:6+1 control U+0085", "1:7+1 control U+009F"}},
        {"\x1B[0m\u0085", kUtf8, false, 80, {"1:1+1 control U+001B", "1:5+1 control U+0085"}},
        // CR LF, CR and LF each end a line, and an empty line is a line; columns count
        // characters, a broken byte as one.
        {"\x07\r\n\x07\r\x07\n\n\r\r\nソフト\x07\r\n\xFF\x07",
         kCp932,
         false,
         80,
         {"1:1+1 control U+0007", "2:1+1 control U+0007", "3:1+1 control U+0007",
          "7:4+1 control U+0007", "8:2+1 control U+0007"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        findReadmeProblems(c.text, {c.encoding, c.markdown, c.width},
                           [&](const ReadmeFinding& f) { got.push_back(shown(f)); });
        EXPECT_EQ(got, c.expected) << c.text;
    }
}

}  // namespace
}  // namespace norvelle

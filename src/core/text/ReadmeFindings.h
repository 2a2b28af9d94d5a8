#pragma once

#include "core/text/TextEncoding.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace norvelle {

// What readers of a Readme on other systems, and the sites that publish it, see garbled or
// ask authors to avoid. One rule set, for norvelle-cli lint and the preview window alike.
struct ReadmeFinding {
    enum class Kind {
        PlatformDependent,  // code page 932 holds it only in the NEC or IBM extensions or the
                            // user-defined area, not in JIS X 0208
        HalfwidthKana,      // U+FF61 to U+FF9F
        TooWide,            // a line wider than the width, full-width characters counting two
        Marker,             // a "[$...]" that the expansion left as written
        Control,            // a control character other than TAB, CR and LF
    };
    Kind kind = Kind::Marker;
    std::size_t line = 0;    // from 1
    std::size_t column = 0;  // from 1, in characters (code points)
    std::size_t length = 1;  // the characters it covers, from `column` on the same line
    char32_t codePoint = 0;  // PlatformDependent, HalfwidthKana, Control: the character
    std::size_t width = 0;   // TooWide: the line's width in columns
    std::string text;        // Marker: the marker as written
};

struct ReadmeRules {
    // How the Readme is written. Code page 932 is checked for what it alone garbles; every
    // other encoding holds all characters, and only what matters there is reported.
    TextEncoding encoding = TextEncoding::Cp932;
    // A Markdown Readme: its lines are the author's to break, so no line is too wide.
    bool markdown = false;
    std::size_t width = 80;
};

// Finds, in order, what the rules report in a Readme's text (UTF-8). A line ends at CR LF, at
// a CR alone or at a LF alone, as an editor shows it; lines are numbered from 1.
void findReadmeProblems(std::string_view text, const ReadmeRules& rules,
                        const std::function<void(const ReadmeFinding&)>& found);

// The columns a piece of a line (no TAB in it) takes, as the too-wide rule counts them: in a
// code page 932 Readme as many as each character's bytes, elsewhere two for East Asian Wide
// and Fullwidth characters and one for the others.
std::size_t displayWidth(std::string_view text, TextEncoding encoding);

// Where code page 932 holds a character outside JIS X 0208, which is what other systems read
// as something else or not at all.
enum class Cp932Extension {
    None,            // JIS X 0208 or JIS X 0201, or not in code page 932 at all
    Nec,             // NEC row 13, lead byte 0x87: circled numbers, Roman numerals, ㈱, №, ㍻
    NecSelectedIbm,  // lead bytes 0xED and 0xEE
    Ibm,             // lead bytes 0xFA to 0xFC
    UserDefined,     // lead bytes 0xF0 to 0xF9 (U+E000 to U+E757), and the single bytes
                     // 0xA0 and 0xFD to 0xFF that Windows reads as private-use characters
};
// As encodeCp932 writes the character: a character with a code in JIS X 0208 as well is
// written there, and is no extension.
Cp932Extension cp932ExtensionOf(char32_t codePoint);

// The kind as norvelle-cli names it: "platform-dependent", "halfwidth-kana", "too-wide",
// "marker", "control".
std::string_view findingKindName(ReadmeFinding::Kind kind);

// Whether a file of this name is a Markdown Readme: its name ends with ".md" or ".markdown",
// in any case.
bool isMarkdownName(std::string_view fileName);

}  // namespace norvelle

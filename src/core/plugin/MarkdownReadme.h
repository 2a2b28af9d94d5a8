#pragma once

#include "core/document/SoftwareData.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle {

class TokenTable;

// How the facts of the form go into a Readme. In a Readme of UTF-8 or UTF-16 the fee's "\",
// which code page 932 shows as the yen sign, is written as the yen sign; in a Markdown Readme
// every fact is escaped so that the page shows it exactly as typed, its blanks at either end
// dropped, and the mail address and home page are links (CommonMark's <...>) where they are
// an address and a web page. The four additional items are the author's own text, Markdown
// included: they pass as written, without the empty lines at their start and end.
SoftwareData readmeFacts(const SoftwareData& data, bool markdown, bool yenSign);

// The expansion of a Markdown plugin, a block of whole decoded lines at a time. The plugin's
// own lines are laid out as a Markdown linter wants them, so that an empty field leaves no
// trace: a line whose markers all came out empty is left out, and so is a section's heading
// with nothing under it (the title, "#", stays); blanks left at an empty marker, at the end
// of a line and after a heading's "#" go; empty lines never come two in a row, nor first or
// last. The text ends with the CR LF of its last line. Lines inside a fenced code block are
// copied as they are.
class MarkdownReadme {
public:
    // `take` gets the text in pieces of whole lines; false stops the expansion. A line that
    // would grow past `maxLine` bytes stops it too (a small plugin can repeat a long field
    // without end), with tooLarge() set.
    MarkdownReadme(const TokenTable& tokens, std::size_t flushAt, std::size_t maxLine,
                   std::function<bool(std::string_view)> take);

    bool expand(std::string_view block);
    bool tooLarge() const { return m_tooLarge; }
    // The end of the plugin: whatever is held back goes, but a heading with nothing under it.
    bool finish();

private:
    struct Heading {
        int level = 0;
        std::string text;
        bool blankBefore = false;
    };

    bool line(std::string_view expanded, bool fromValues);
    bool write(std::string_view line, bool blankBefore);
    bool flush();

    const TokenTable& m_tokens;
    std::size_t m_flushAt;
    std::size_t m_maxLine;
    bool m_tooLarge = false;
    std::function<bool(std::string_view)> m_take;
    std::string m_line;
    std::string m_out;
    std::vector<Heading> m_held;  // headings waiting for something to stand under them
    bool m_blank = false;         // an empty line came since the last line written or held
    bool m_written = false;
    bool m_inFence = false;
};

}  // namespace norvelle

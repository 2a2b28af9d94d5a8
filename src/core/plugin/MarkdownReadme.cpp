#include "core/plugin/MarkdownReadme.h"

#include "core/plugin/ExpandLine.h"
#include "core/plugin/TokenValue.h"
#include "core/text/Lines.h"

#include <algorithm>
#include <utility>

namespace norvelle {

namespace {

constexpr std::string_view kYenSign = "\xC2\xA5";  // U+00A5

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isAlnum(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view trimEnd(std::string_view text) {
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// CommonMark's e-mail autolink: the address alone, as <address>.
bool isMailAddress(std::string_view text) {
    const std::size_t at = text.find('@');
    if (at == 0 || at == std::string_view::npos) return false;
    constexpr std::string_view kLocal = ".!#$%&'*+/=?^_`{|}~-";
    for (const char c : text.substr(0, at))
        if (!isAlnum(c) && kLocal.find(c) == std::string_view::npos) return false;
    std::string_view domain = text.substr(at + 1);
    if (domain.empty()) return false;
    for (;;) {
        const std::size_t dot = domain.find('.');
        const std::string_view label = domain.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        if (!std::all_of(label.begin(), label.end(), [](char c) { return isAlnum(c) || c == '-'; }))
            return false;
        if (dot == std::string_view::npos) return true;
        domain.remove_prefix(dot + 1);
    }
}

// A web page's address that CommonMark takes as an autolink: http or https, something after
// the "//" (the preset "http://" alone names no page), and nothing an autolink cannot hold.
bool isWebAddress(std::string_view text) {
    auto startsWithScheme = [text](std::string_view scheme) {
        return text.size() > scheme.size() &&
               std::equal(scheme.begin(), scheme.end(), text.begin(), [](char a, char b) {
                   return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
               });
    };
    if (!startsWithScheme("http://") && !startsWithScheme("https://")) return false;
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b <= 0x20 || b == 0x7F || c == '<' || c == '>';
    });
}

// The author's own text without the empty lines at its start and end, which would stand as
// empty lines between the plugin's.
std::string_view withoutEmptyEdgeLines(std::string_view text) {
    for (;;) {
        const std::size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos || !trimBlanks(text.substr(0, end)).empty()) break;
        text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
    }
    for (;;) {
        const std::size_t end = text.find_last_of("\r\n");
        if (end == std::string_view::npos || !trimBlanks(text.substr(end + 1)).empty()) break;
        const bool lf = text[end] == '\n';
        text = text.substr(0, end);
        if (lf && text.ends_with('\r')) text.remove_suffix(1);
    }
    return trimBlanks(text).empty() ? std::string_view() : text;
}

// "#" to "######" and a blank or the line's end, after at most three blanks: a heading's
// level, 0 for any other line.
int headingLevel(std::string_view line) {
    std::size_t i = 0;
    while (i < 3 && i < line.size() && line[i] == ' ') ++i;
    const std::size_t hashes = line.find_first_not_of('#', i);
    const std::size_t count = (hashes == std::string_view::npos ? line.size() : hashes) - i;
    if (count == 0 || count > 6) return 0;
    if (hashes != std::string_view::npos && !isBlank(line[hashes])) return 0;
    return static_cast<int>(count);
}

bool isFence(std::string_view line) {
    std::size_t i = 0;
    while (i < 3 && i < line.size() && line[i] == ' ') ++i;
    line.remove_prefix(i);
    return line.starts_with("```") || line.starts_with("~~~");
}

// A fact as plain CommonMark text: every character that could start markup is escaped with a
// backslash, wherever on a line the fact may stand.
std::string escapeMarkdown(std::string_view text) {
    constexpr std::string_view kAnywhere = "\\`*_[]<>#|~&";
    std::string out;
    out.reserve(text.size() + 8);
    // Where the fact may start a line: a list item, a block quote, a setext underline.
    std::size_t digits = 0;
    while (digits < text.size() && isDigit(text[digits])) ++digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool listNumber = i == digits && digits > 0 && (c == '.' || c == ')') &&
                                (i + 1 == text.size() || isBlank(text[i + 1]));
        const bool lineStart = i == 0 && (c == '-' || c == '+' || c == '=');
        if (c == '\r' || c == '\n') {
            out += ' ';  // a fact is one line
            continue;
        }
        if (listNumber || lineStart || kAnywhere.find(c) != std::string_view::npos) out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

SoftwareData readmeFacts(const SoftwareData& data, bool markdown, bool yenSign) {
    SoftwareData facts = data;
    if (yenSign) {
        std::string fee;
        for (const char c : facts.fee) c == '\\' ? fee.append(kYenSign) : fee.append(1, c);
        facts.fee = std::move(fee);
    }
    if (!markdown) return facts;
    for (std::string* fact :
         {&facts.softwareName, &facts.version, &facts.copyright, &facts.environment,
          &facts.testedOn, &facts.redistribution, &facts.softwareType, &facts.fee}) {
        *fact = escapeMarkdown(trimBlanks(*fact));
    }
    const std::string_view mail = trimBlanks(data.email);
    facts.email = isMailAddress(mail) ? "<" + std::string(mail) + ">" : escapeMarkdown(mail);
    const std::string_view page = trimBlanks(data.homePage);
    facts.homePage = isWebAddress(page) ? "<" + std::string(page) + ">" : escapeMarkdown(page);
    for (NeededFile& file : facts.neededFiles) file.name = escapeMarkdown(trimBlanks(file.name));
    for (std::string& item : facts.additional) item = std::string(withoutEmptyEdgeLines(item));
    return facts;
}

MarkdownReadme::MarkdownReadme(const TokenTable& tokens, std::size_t flushAt, std::size_t maxLine,
                               std::function<bool(std::string_view)> take)
    : m_tokens(tokens), m_flushAt(flushAt), m_maxLine(maxLine), m_take(std::move(take)) {}

namespace {

// One plugin line's expansion, with what its markers came to.
struct MarkdownLineOut {
    std::string& text;
    std::size_t maxSize;
    bool inFence = false;
    int pieces = 0;
    int filled = 0;
    bool afterEmpty = false;

    bool append(std::string_view piece, std::string_view value) {
        // "[$a] [$b]" with an empty a: one blank between the rest, not two.
        if (afterEmpty && !inFence && !text.empty() && isBlank(text.back()))
            while (!piece.empty() && isBlank(piece.front())) piece.remove_prefix(1);
        text.append(piece).append(value);
        ++pieces;
        filled += value.empty() ? 0 : 1;
        afterEmpty = value.empty();
        return text.size() <= maxSize;
    }
};

}  // namespace

bool MarkdownReadme::expand(std::string_view block) {
    const Utf8Chars chars{m_tokens};
    bool going = true;
    forEachLine(block, [&](std::string_view pluginLine) {
        if (!going) return;
        m_line.clear();
        MarkdownLineOut out{m_line, m_maxLine, m_inFence};
        if (expandLine(pluginLine, chars, out) != LineExpansion::Done) {
            m_tooLarge = true;
            going = false;
            return;
        }
        // The last piece was the rest of the line with its line end.
        m_line.resize(m_line.size() - 2);
        const int markers = out.pieces - 1;
        const int filled = out.filled - 1;
        if (!m_inFence && markers > 0 && filled == 0) return;  // every marker came out empty
        going = line(m_line, m_line.find_first_of("\r\n") != std::string::npos);
    });
    return going;
}

bool MarkdownReadme::line(std::string_view expanded, bool fromValues) {
    if (m_inFence) {
        // A code block is copied as it stands, its empty lines too.
        if (isFence(expanded)) m_inFence = false;
        m_out.append(expanded).append("\r\n");
        return m_out.size() < m_flushAt || flush();
    }
    expanded = trimEnd(expanded);
    if (expanded.empty()) {
        m_blank = true;
        return true;
    }
    if (const int level = fromValues ? 0 : headingLevel(expanded)) {
        const std::string_view text = trimBlanks(expanded.substr(expanded.find('#') + level));
        if (text.empty()) return true;  // an empty heading
        // A heading of the same level or above ends the sections of those held before it:
        // they had nothing under them.
        while (!m_held.empty() && m_held.back().level >= level) {
            m_blank = m_blank || m_held.back().blankBefore;
            m_held.pop_back();
        }
        std::string heading = std::string(static_cast<std::size_t>(level), '#') + ' ';
        heading.append(text);
        // The title stands whatever follows it.
        if (level == 1) return write(heading, std::exchange(m_blank, false));
        m_held.push_back({level, std::move(heading), std::exchange(m_blank, false)});
        // Not more than a page of headings waits; past that they are the plugin's outline.
        return m_held.size() < 64 || write({}, false);
    }
    if (isFence(expanded)) m_inFence = true;
    const bool blank = std::exchange(m_blank, false);
    return write(expanded, blank);
}

bool MarkdownReadme::write(std::string_view line, bool blankBefore) {
    for (const Heading& h : m_held) {
        if (h.blankBefore && m_written) m_out += "\r\n";
        m_out.append(h.text).append("\r\n");
        m_written = true;
    }
    m_held.clear();
    if (!line.empty()) {
        if (blankBefore && m_written) m_out += "\r\n";
        m_out.append(line).append("\r\n");
        m_written = true;
    }
    return m_out.size() < m_flushAt || flush();
}

bool MarkdownReadme::flush() {
    if (m_out.empty()) return true;
    const bool going = m_take(m_out);
    m_out.clear();
    return going;
}

bool MarkdownReadme::finish() {
    m_held.clear();
    return flush();
}

}  // namespace norvelle

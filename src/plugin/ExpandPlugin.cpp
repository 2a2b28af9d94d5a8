#include "plugin/ExpandPlugin.h"

#include "plugin/TokenValue.h"
#include "text/Cp932.h"
#include "text/FileIO.h"
#include "text/Lines.h"

#include <algorithm>
#include <cerrno>

namespace norvelle {

namespace {

constexpr std::string_view kOpen = "[$";
constexpr std::string_view kLineEnd = "\r\n";

// Appends one line with its markers expanded. The search for "]" starts after the "$", so
// "[$]" is a marker with the empty name; an unclosed "[$" keeps the rest of its line as it is.
// Returns false, having stopped part way, when the text would grow past `maxSize`.
bool expandLine(std::string_view line, const TokenTable& tokens, std::string& out,
                std::size_t maxSize) {
    std::size_t pos = 0;
    for (;;) {
        const std::size_t open = line.find(kOpen, pos);
        if (open == std::string_view::npos) break;
        const std::size_t nameStart = open + kOpen.size();
        const std::size_t close = line.find(']', nameStart);
        if (close == std::string_view::npos) break;

        const std::string_view name = line.substr(nameStart, close - nameStart);
        const auto value = tokens.find(name);
        // Inserted as it is: a marker inside a value stays text.
        const std::string_view replacement =
            value && *value != kUnknownToken ? *value : line.substr(open, close + 1 - open);
        if (open - pos + replacement.size() > maxSize - out.size()) return false;
        out.append(line.substr(pos, open - pos));
        out.append(replacement);
        pos = close + 1;
    }
    if (line.size() - pos + kLineEnd.size() > maxSize - out.size()) return false;
    out.append(line.substr(pos));
    out.append(kLineEnd);
    return true;
}

bool expandLines(std::string_view text, const TokenTable& tokens, std::string& out,
                 std::size_t maxSize) {
    bool fits = true;
    forEachLine(text, [&](std::string_view line) {
        fits = fits && expandLine(line, tokens, out, maxSize);
    });
    return fits;
}

}  // namespace

std::string expandTemplate(std::string_view text, const SoftwareData& data) {
    const TokenTable tokens(data);
    std::string out;
    // Most Readme texts grow a little: the values are usually longer than their markers, and
    // a CR alone becomes CR LF.
    out.reserve(text.size() + text.size() / 8 + 64);
    expandLines(text, tokens, out, out.max_size());
    return out;
}

ExpandResult ExpandPlugin(const std::string& path, const SoftwareData& data,
                          const ExpandLimits& limits) {
    ExpandResult result;
    ReadResult read = readFileBytes(path, limits.pluginSize);
    if (!read.ok()) {
        result.error =
            read.status == ReadResult::Status::Missing ? describeErrno(ENOENT) : read.error;
        return result;
    }
    if (read.truncated) {
        result.error = describeTooLarge(limits.pluginSize);
        return result;
    }

    // The file is decoded and expanded a block of whole lines at a time, so a large plugin
    // is never held decoded as a whole beside its bytes and its Readme. The bytes can be cut
    // after a CR: 0x0D is never the second byte of a double-byte character, and a lead byte
    // before it reads as a broken character whether the text is cut there or not.
    constexpr std::size_t kBlock = 64 * 1024;
    const std::string_view bytes = read.bytes;
    const TokenTable tokens(data);
    std::string& out = result.text;
    // Japanese text grows by half from code page 932 to UTF-8; reserving does not yet take
    // memory that is never written.
    const std::size_t maxSize = std::min(limits.textSize, out.max_size());
    out.reserve(std::min(bytes.size() + bytes.size() / 2 + bytes.size() / 8 + 64, maxSize));
    std::string block;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.size();
        if (bytes.size() - start > kBlock) {
            const std::size_t cr = bytes.find('\r', start + kBlock);
            if (cr != std::string_view::npos) {
                end = cr + 1;
                if (end < bytes.size() && bytes[end] == '\n') ++end;
            }
        }
        block.clear();
        appendDecodedCp932(bytes.substr(start, end - start), block);
        if (!expandLines(block, tokens, out, maxSize)) {
            std::string().swap(out);  // gives the memory back at once
            result.textTooLarge = true;
            return result;
        }
        start = end;
    }
    result.ok = true;
    return result;
}

}  // namespace norvelle

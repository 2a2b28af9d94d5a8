#include "plugin/ExpandPlugin.h"

#include "plugin/TokenValue.h"
#include "text/Cp932.h"
#include "text/FileIO.h"
#include "text/Lines.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>

namespace norvelle {

namespace {

constexpr std::string_view kOpen = "[$";
constexpr std::string_view kLineEnd = "\r\n";

// Where an expanded text goes: a string that may not grow past `maxSize` (the window's
// limit), and that is handed to `flush` whenever it holds `flushAt` bytes or more after a
// whole piece (a stretch of the plugin's text with the value after it, or the rest of a
// line with its line end). A piece is whole characters, so every cut falls between two.
struct Output {
    std::string& text;
    std::size_t maxSize = SIZE_MAX;
    std::size_t flushAt = SIZE_MAX;
    const std::function<bool(std::string_view)>* flush = nullptr;

    // Returns false, having stopped part way, when the text would grow past maxSize or a
    // flush asks to stop.
    bool append(std::string_view piece, std::string_view value) {
        if (piece.size() + value.size() > maxSize - text.size()) return false;
        text.append(piece);
        text.append(value);
        return text.size() < flushAt || cut();
    }

    bool cut() {
        // A CR at the end stays for the next flush: with a LF after it, it is one line end,
        // and whoever counts lines and columns must see the two together.
        const std::size_t kept = !text.empty() && text.back() == '\r' ? 1 : 0;
        if (!(*flush)(std::string_view(text).substr(0, text.size() - kept))) return false;
        text.erase(0, text.size() - kept);
        return true;
    }
};

// Appends one line with its markers expanded. The search for "]" starts after the "$", so
// "[$]" is a marker with the empty name; an unclosed "[$" keeps the rest of its line as it is.
bool expandLine(std::string_view line, const TokenTable& tokens, Output& out) {
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
        if (!out.append(line.substr(pos, open - pos), replacement)) return false;
        pos = close + 1;
    }
    return out.append(line.substr(pos), kLineEnd);
}

bool expandLines(std::string_view text, const TokenTable& tokens, Output& out) {
    bool fits = true;
    forEachLine(text, [&](std::string_view line) { fits = fits && expandLine(line, tokens, out); });
    return fits;
}

}  // namespace

std::string expandTemplate(std::string_view text, const SoftwareData& data) {
    const TokenTable tokens(data);
    std::string out;
    // Most Readme texts grow a little: the values are usually longer than their markers, and
    // a CR alone becomes CR LF.
    out.reserve(text.size() + text.size() / 8 + 64);
    Output output{out};
    expandLines(text, tokens, output);
    return out;
}

bool expandTemplate(std::string_view text, const TokenTable& tokens, std::string& out,
                    std::size_t flushAt, const std::function<bool(std::string_view)>& flush) {
    Output output{out, SIZE_MAX, flushAt, &flush};
    return expandLines(text, tokens, output);
}

ExpandResult ExpandPlugin(const std::string& path, const SoftwareData& data,
                          const ExpandLimits& limits) {
    ExpandResult result;
    ReadResult read = readFileBytes(path, limits.pluginSize);
    if (!read.ok()) {
        result.errnum = read.status == ReadResult::Status::Missing ? ENOENT : read.errnum;
        return result;
    }
    if (read.truncated) {
        result.errnum = kTooLargeError;
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
    Output output{out, maxSize};
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
        if (!expandLines(block, tokens, output)) {
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

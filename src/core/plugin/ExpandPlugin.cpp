#include "core/plugin/ExpandPlugin.h"

#include "core/plugin/ExpandLine.h"
#include "core/plugin/PluginFile.h"
#include "core/plugin/PluginStream.h"
#include "core/plugin/TokenValue.h"
#include "core/text/Cp932.h"
#include "core/text/Lines.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace norvelle {

namespace {

// Where an expanded text goes: a string that is handed to `flush` whenever it holds
// `flushAt` bytes or more after a whole piece (a stretch of the plugin's text with the value
// after it, or the rest of a line with its line end). A piece is whole characters, so every
// cut falls between two.
struct Output {
    std::string& text;
    std::size_t flushAt = SIZE_MAX;
    const std::function<bool(std::string_view)>* flush = nullptr;

    // Returns false, having stopped part way, when a flush asks to stop.
    bool append(std::string_view piece, std::string_view value) {
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

bool expandLines(std::string_view text, const TokenTable& tokens, Output& out) {
    bool fits = true;
    const Utf8Chars chars{tokens};
    forEachLine(text, [&](std::string_view line) {
        fits = fits && expandLine(line, chars, out) == LineExpansion::Done;
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
    Output output{out};
    expandLines(text, tokens, output);
    return out;
}

bool expandTemplate(std::string_view text, const TokenTable& tokens, std::string& out,
                    std::size_t flushAt, const std::function<bool(std::string_view)>& flush) {
    Output output{out, flushAt, &flush};
    return expandLines(text, tokens, output);
}

ExpandResult ExpandPlugin(const std::string& path, const SoftwareData& data,
                          const ExpandLimits& limits) {
    ExpandResult result;
    PluginFile plugin;
    if (std::error_code err = plugin.openWhole(path, limits.pluginSize)) {
        result.error = err;
        return result;
    }
    result.encoding = plugin.encoding();

    // The same expansion as norvelle-cli's, so the preview holds exactly what the command line
    // writes: a block of whole lines at a time, so a large plugin is never held decoded as a
    // whole beside its bytes and its text.
    RenderOptions options = plugin.renderOptions();
    options.readmeEncoding = TextEncoding::Utf8;  // the text, not yet a file
    options.maxReadmeSize = limits.textSize;
    options.finalLineBreak = false;
    RenderSinks sinks;
    sinks.write = [&result](std::string_view text) {
        result.text.append(text);
        return std::error_code();
    };
    // Japanese text grows by half from code page 932 to UTF-8; reserving does not yet take
    // memory that is never written.
    const std::size_t size = plugin.bytes().size();
    result.text.reserve(std::min(size + size / 2 + size / 8 + 64, limits.textSize));
    if (renderReadme(plugin.source(), data, options, sinks).status ==
        RenderResult::Status::TooLarge) {
        std::string().swap(result.text);  // gives the memory back at once
        result.textTooLarge = true;
        return result;
    }
    result.ok = true;
    return result;
}

std::string readmeFileName(std::string_view pluginName) {
    // An extension is a few letters or digits, a letter first: "Ver1.0" or "No.1" names no
    // file.
    const std::size_t dot = pluginName.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return "Readme.txt";
    const std::string_view extension = pluginName.substr(dot + 1);
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const bool fileName =
        !extension.empty() && extension.size() <= 8 && letter(extension.front()) &&
        std::all_of(extension.begin(), extension.end(),
                    [&](char c) { return letter(c) || (c >= '0' && c <= '9'); }) &&
        pluginName[dot - 1] != ' ';
    return fileName ? std::string(pluginName) : "Readme.txt";
}

}  // namespace norvelle

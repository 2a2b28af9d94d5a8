// A Markdown plugin's Readme is laid out the same whatever blocks its plugin comes in, is
// valid UTF-8, and, where the plugin has no code block and the additional items are empty,
// has no empty line first, last or twice in a row, no blank at a line's end and no empty
// heading.
#include "core/plugin/PluginStream.h"
#include "core/text/TextEncoding.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition, int line = __builtin_LINE()) {
    if (condition) return;
    std::fprintf(stderr, "markdown.cpp:%d: check failed\n", line);
    std::abort();
}

// Pieces that random bytes would seldom spell: the markers, the starts of Markdown's blocks,
// line ends, blanks, and characters that Markdown reads as markup.
constexpr const char* kPieces[] = {"[$ソフト名]", "[$バージョン]",
                                   "[$著作権]",   "[$email]",
                                   "[$hp]",       "[$必要ファイル]",
                                   "[$シェア]",   "[$add1]",
                                   "# ",          "## ",
                                   "### ",        "- ",
                                   "1. ",         "```",
                                   "\r\n",        "\r",
                                   "\n",          " ",
                                   "\t",          "*",
                                   "_",           "<",
                                   "#",           "\\"};

std::string expand(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\x01' && i + 1 < bytes.size()) {
            out += kPieces[static_cast<unsigned char>(bytes[++i]) % std::size(kPieces)];
        } else {
            out += bytes[i];
        }
    }
    return out;
}

std::string render(const std::string& plugin, const norvelle::SoftwareData& form,
                   std::size_t blockSize) {
    norvelle::RenderOptions options;
    options.pluginEncoding = options.readmeEncoding = norvelle::TextEncoding::Utf8;
    options.markdown = true;
    options.yenSign = true;
    options.blockSize = options.flushSize = blockSize;
    std::string readme;
    norvelle::RenderSinks sinks;
    sinks.write = [&readme](std::string_view bytes) {
        readme.append(bytes);
        return std::error_code();
    };
    const norvelle::RenderResult r =
        norvelle::renderReadme(norvelle::pluginSource(plugin), form, options, sinks);
    check(r.status == norvelle::RenderResult::Status::Written);
    return readme;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    norvelle::SoftwareData form;
    for (std::string* fact : {&form.softwareName, &form.version, &form.copyright, &form.email,
                              &form.homePage, &form.fee})
        *fact = norvelle::decodeText(expand(in.ConsumeRandomLengthString(16)),
                                     norvelle::TextEncoding::Utf8);
    const bool withItems = in.ConsumeBool();
    if (withItems) {
        form.additional[0] = norvelle::decodeText(expand(in.ConsumeRandomLengthString(32)),
                                                  norvelle::TextEncoding::Utf8);
    }
    for (int i = in.ConsumeIntegralInRange(0, 2); i > 0; --i)
        form.neededFiles.push_back({norvelle::decodeText(expand(in.ConsumeRandomLengthString(8)),
                                                         norvelle::TextEncoding::Utf8),
                                    in.ConsumeBool()});
    const std::size_t blockSize = in.ConsumeIntegralInRange<std::size_t>(2, 64);
    const std::string plugin = norvelle::decodeText(expand(in.ConsumeRemainingBytesAsString()),
                                                    norvelle::TextEncoding::Utf8);

    const std::string readme = render(plugin, form, norvelle::kPluginBlockSize);
    check(render(plugin, form, blockSize) == readme);
    check(norvelle::validUtf8Length(readme) == readme.size());
    if (withItems || plugin.find("```") != std::string::npos ||
        plugin.find("~~~") != std::string::npos)
        return 0;
    // Line ends other than CR LF in the plugin are its own text; they are left alone.
    if (plugin.find('\n') != std::string::npos || readme.find('\t') != std::string::npos) return 0;
    check(!readme.starts_with("\r\n"));
    check(readme.find("\r\n\r\n\r\n") == std::string::npos);
    check(!readme.ends_with("\r\n\r\n"));
    for (std::size_t start = 0; start < readme.size();) {
        const std::size_t end = readme.find("\r\n", start);
        check(end != std::string::npos);  // every line ends with CR LF
        const std::string_view line(readme.data() + start, end - start);
        check(!line.ends_with(' '));
        // "#" to "######" alone is a heading without text; more is a paragraph's text.
        check(line.empty() || line.size() > 6 ||
              line.find_first_not_of('#') != std::string_view::npos);
        start = end + 2;
    }
    return 0;
}

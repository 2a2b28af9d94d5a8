// Expanding any plugin terminates and keeps its shape: one CR LF-ended line for each line of
// the plugin, lines without a marker unchanged, and every marker whose value reads
// "unknown..." kept as written.
#include "core/plugin/ExpandPlugin.h"
#include "core/plugin/TokenValue.h"
#include "core/text/Lines.h"
#include "core/text/TextEncoding.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// A form such as a user fills in; one value holds a marker of its own, which must stay text.
norvelle::SoftwareData filledForm() {
    norvelle::SoftwareData d;
    d.softwareName = "例のソフト [$バージョン]";
    d.version = "Ver 1.00";
    d.copyright = "";
    d.environment = "Windows 95/98/Me/2000";
    d.softwareType = "シェアウエア";
    d.fee = "\\";
    d.email = "unknown...";
    d.homePage = "http://";
    d.additional = {"a", "", "]", "[$"};
    d.neededFiles = {{"A.DLL", true}, {"B.DLL", false}, {"C、D", true}};
    return d;
}

// A form whose every token answers "unknown...": the expansion then changes nothing.
norvelle::SoftwareData unknownForm() {
    const std::string u{norvelle::kUnknownToken};
    norvelle::SoftwareData d;
    d.softwareName = d.version = d.copyright = d.environment = d.testedOn = d.redistribution =
        d.softwareType = d.fee = d.email = d.homePage = u;
    d.additional = {u, u, u, u};
    d.neededFiles = {{u, true}};
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const norvelle::SoftwareData filled = filledForm();
    static const norvelle::SoftwareData unknown = unknownForm();
    // Read as the program reads a plugin: code page 932 or UTF-8, as its bytes say.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = norvelle::decodeText(bytes, norvelle::detectEncoding(bytes));
    const std::vector<std::string> lines = norvelle::splitLines(text);

    const std::string out = norvelle::expandTemplate(text, filled);
    // No value holds a CR, so every CR of the result ends one of its lines, with a LF.
    std::size_t ends = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] != '\r') continue;
        check(i + 1 < out.size() && out[i + 1] == '\n');
        ++ends;
    }
    check(ends == lines.size());
    check(lines.empty() ? out.empty() : out.ends_with("\r\n"));
    const std::vector<std::string> outLines = norvelle::splitLines(out);
    check(outLines.size() == lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find("[$") == std::string::npos) check(outLines[i] == lines[i]);

    // With nothing known every line comes back as it was.
    check(norvelle::splitLines(norvelle::expandTemplate(text, unknown)) == lines);
    return 0;
}

#include "core/plugin/PluginCheck.h"

#include "core/document/SoftwareData.h"
#include "core/plugin/PluginStream.h"
#include "core/plugin/TokenValue.h"
#include "core/text/Lines.h"

namespace norvelle {

namespace {

constexpr std::string_view kOpen = "[$";

// Characters (code points) in a piece of UTF-8: every byte that does not continue one.
std::size_t characterCount(std::string_view text) {
    std::size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

void checkLine(std::string_view line, std::size_t lineNumber,
               std::vector<MarkerProblem>& problems) {
    std::size_t pos = 0;
    // The column of byte `counted`, counted so far; each marker only counts what lies
    // between it and the one before.
    std::size_t counted = 0;
    std::size_t column = 1;
    auto columnOf = [&](std::size_t at) {
        column += characterCount(line.substr(counted, at - counted));
        counted = at;
        return column;
    };
    for (;;) {
        const std::size_t open = line.find(kOpen, pos);
        if (open == std::string_view::npos) return;
        const std::size_t nameStart = open + kOpen.size();
        const std::size_t close = line.find(']', nameStart);
        if (close == std::string_view::npos) {
            // Nothing after an unclosed "[$" is a marker: the rest of the line stays text.
            problems.push_back({MarkerProblem::Kind::Unclosed, lineNumber, columnOf(open),
                                std::string(line.substr(open))});
            return;
        }
        if (!isKnownTokenName(line.substr(nameStart, close - nameStart))) {
            problems.push_back({MarkerProblem::Kind::UnknownName, lineNumber, columnOf(open),
                                std::string(line.substr(open, close + 1 - open))});
        }
        pos = close + 1;
    }
}

}  // namespace

bool isKnownTokenName(std::string_view name) {
    // The token table of an empty form answers for every name, and it is the same table
    // the expansion asks.
    static const SoftwareData empty;
    static const TokenTable table(empty);
    return table.find(name).has_value();
}

std::size_t checkTemplate(std::string_view text, std::vector<MarkerProblem>& problems,
                          std::size_t firstLine) {
    std::size_t lineNumber = firstLine;
    forEachLine(text, [&](std::string_view line) { checkLine(line, lineNumber++, problems); });
    return lineNumber - firstLine;
}

CheckResult checkPlugin(const PluginSource& plugin, TextEncoding encoding,
                        const std::function<void(const MarkerProblem&)>& problem,
                        std::size_t blockSize, std::size_t maxLine) {
    PluginBlockReader reader(plugin, blockSize, maxLine);
    TextBlocks text(encoding);
    std::vector<MarkerProblem> problems;
    for (;;) {
        std::string_view block;
        if (std::error_code err = reader.next(block)) return {err, reader.line()};
        if (block.empty()) return {};
        problems.clear();
        checkTemplate(text.of(block), problems, reader.line());
        for (const MarkerProblem& p : problems) problem(p);
    }
}

}  // namespace norvelle

// norvelle-cli lint: what other systems garble in a finished Readme, by the rules the preview
// window shows.

#include "cli/Command.h"

#include "core/io/FileResult.h"
#include "core/plugin/PluginFile.h"
#include "core/text/Cp932.h"
#include "core/text/ReadmeFindings.h"
#include "core/text/TextEncoding.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace norvelle::cli {

namespace {

// A Readme is a few kilobytes; this leaves room for thousands of times that and keeps a stray
// disk image from taking memory by the gigabyte.
constexpr std::uint64_t kMaxReadmeFileSize = std::uint64_t{64} << 20;
constexpr std::size_t kMaxWidth = 1000;

constexpr OptionSpec kLintOptions[] = {
    {"--width", "COLUMNS", "lint: how wide a line may be, 1 to 1000 (default: 80)"},
};

// "80" to 80; 0 for anything but a whole number from 1 to kMaxWidth.
std::size_t widthOf(const std::string& text) {
    std::size_t width = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        width = width * 10 + static_cast<std::size_t>(c - '0');
        if (width > kMaxWidth) return 0;
    }
    return width;
}

// "U+2460 ①": the label, and the character as the Readme has it.
std::string shown(char32_t cp) {
    std::string s = codePointLabel(cp) + " ";
    appendUtf8(cp, s);
    return s;
}

std::string_view extensionName(Cp932Extension extension) {
    switch (extension) {
        case Cp932Extension::Nec:
            return "the NEC extensions";
        case Cp932Extension::NecSelectedIbm:
            return "the NEC-selected IBM extensions";
        case Cp932Extension::Ibm:
            return "the IBM extensions";
        case Cp932Extension::UserDefined:
            return "the user-defined area";
        case Cp932Extension::None:
            break;
    }
    return "the extensions";
}

std::string describeFinding(const ReadmeFinding& f, std::size_t width) {
    switch (f.kind) {
        case ReadmeFinding::Kind::PlatformDependent:
            return shown(f.codePoint) + " is in " +
                   std::string(extensionName(cp932ExtensionOf(f.codePoint))) +
                   " of code page 932; other systems may show another character";
        case ReadmeFinding::Kind::HalfwidthKana:
            return shown(f.codePoint) + " is half-width katakana, which mail and many sites garble";
        case ReadmeFinding::Kind::TooWide:
            return "the line is " + std::to_string(f.width) + " columns wide, more than " +
                   std::to_string(width);
        case ReadmeFinding::Kind::Marker:
            return printable(excerpt(f.text, 60)) + " left as written";
        case ReadmeFinding::Kind::Control:
            // Never the character itself: it would act on the terminal.
            return codePointLabel(f.codePoint) +
                   " is a control character; viewers show it differently or not at all";
    }
    return {};
}

int runLint(const Arguments& a, std::ostream& out, Messages& messages) {
    if (a.operands.empty()) return messages.usage("lint needs one or more Readme files");
    ReadmeRules rules;
    if (a.has("--width")) {
        rules.width = widthOf(a.value("--width"));
        if (rules.width == 0) {
            return messages.usage("--width takes a whole number of columns from 1 to " +
                                  std::to_string(kMaxWidth) + ", not " +
                                  printable(a.value("--width")));
        }
    }
    bool problems = false;
    bool unreadable = false;
    for (const std::string& path : a.operands) {
        PluginFile file;
        const std::error_code error = file.openWhole(path, kMaxReadmeFileSize);
        if (error == FileErrc::TooLarge) {
            messages.file(path, "cannot read: larger than 64 MiB, which no Readme is");
        } else if (error) {
            messages.cannotRead(path, error);
        }
        unreadable = unreadable || error;
        if (error) continue;

        // What follows is read in the wrong encoding; the byte to mend comes first.
        if (const auto& stray = file.strayByte()) {
            messages.line(position(path, stray->line, stray->column) + ": " +
                          describeStrayByte(stray->byte, "Readme"));
        }
        rules.encoding = file.encoding();
        rules.markdown = isMarkdownName(path);
        findReadmeProblems(
            decodeText(file.bytes(), file.encoding()), rules, [&](const ReadmeFinding& f) {
                problems = true;
                out << position(path, f.line, f.column) << ": " << findingKindName(f.kind) << ": "
                    << describeFinding(f, rules.width) << '\n';
            });
        // Whatever else is found could not be listed; runCli reports why.
        if (!out.flush()) return kExitIoError;
    }
    if (unreadable) return kExitIoError;
    return problems ? kExitMarkerProblems : kExitOk;
}

}  // namespace

const Command kLintCommand{
    "lint",
    "[--width COLUMNS] FILE...",
    "Checks finished Readmes for what other systems and download sites garble: one\n"
    "line each, FILE:LINE:COLUMN: KIND: what, the column counted in characters\n"
    "from 1. In a code page 932 Readme: platform-dependent (a character of the NEC\n"
    "or IBM extensions or of the user-defined area) and halfwidth-kana. In every\n"
    "Readme: too-wide (a line wider than --width, full-width characters taking two\n"
    "columns, in code page 932 as many as their bytes; not in Markdown, .md or\n"
    ".markdown), marker (a [$...] left as written) and control (a control\n"
    "character other than TAB). The encoding is decided as a plugin's is, and a\n"
    "byte that made a UTF-8 Readme code page 932 is named on standard error. A Readme\n"
    "must be a regular file of at most 64 MiB: a pipe, a device or a larger file is\n"
    "refused (exit 4).",
    kLintOptions,
    runLint,
};

}  // namespace norvelle::cli

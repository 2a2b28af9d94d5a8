// What norvelle-cli says on standard error.

#include "cli/Messages.h"
#include "cli/Output.h"

#include "core/io/FileErrorReasons.h"
#include "core/plugin/PluginStream.h"

#include <cerrno>
#include <cstring>
#include <ostream>

namespace norvelle::cli {

std::string reasonFor(const std::error_code& error) {
    const FileErrorReason* reason = findFileErrorReason(error);
    return reason && reason->english ? reason->english : error.message();
}

std::string printable(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    auto escape = [&out](unsigned char b) {
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (b < 0x20 || b == 0x7F) {
            escape(b);
        } else if (b == 0xC2 && next >= 0x80 && next <= 0x9F) {
            // U+0080 to U+009F: terminals read some of them as the start of a command too.
            escape(b);
            escape(next);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string excerpt(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t chars = 0; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && chars++ == count) break;
    }
    return end < text.size() ? std::string(text.substr(0, end)) + "…" : std::string(text);
}

std::string position(std::string_view file, std::size_t line, std::size_t column) {
    return printable(file) + ":" + std::to_string(line) + ":" + std::to_string(column);
}

std::string position(std::string_view file, std::size_t line) {
    return printable(file) + ":" + std::to_string(line);
}

std::string describe(const MarkerProblem& p) {
    if (p.kind == MarkerProblem::Kind::UnknownName)
        return "unknown marker " + printable(excerpt(p.text, 60));
    return "unclosed \"[$\": " + printable(excerpt(p.text, 30));
}

std::string describeStrayByte(unsigned char byte, std::string_view file) {
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF] + " is not UTF-8: the " +
           std::string(file) + " was read as code page 932 because of it";
}

void Messages::line(std::string_view text) {
    m_err << kProgram << ": " << text << '\n';
}

void Messages::file(std::string_view name, std::string_view text) {
    m_err << kProgram << ": " << printable(name) << ": " << text << '\n';
}

int Messages::usage(std::string_view text) {
    m_err << kProgram << ": " << text << " (see " << kProgram << " --help)\n";
    return kExitUsage;
}

int Messages::cannotRead(std::string_view name, const std::error_code& error) {
    file(name, "cannot read: " + reasonFor(error));
    return kExitIoError;
}

int Messages::cannotWrite(std::string_view name, const std::error_code& error) {
    file(name, "cannot write: " + reasonFor(error));
    return kExitIoError;
}

int Messages::lineTooLong(std::string_view name, std::size_t line) {
    this->line(position(name, line) + ": cannot read: a line longer than " +
               std::to_string(kMaxPluginLineSize >> 20) + " MiB, which no plugin has");
    return kExitIoError;
}

std::error_code outputError(const std::ostream& out) {
    const auto* buffer = dynamic_cast<const StandardOutput*>(out.rdbuf());
    return buffer && buffer->error() ? buffer->error() : errnoError(EIO);
}

}  // namespace norvelle::cli

// norvelle-cli render: the Readme that the preview window saves.

#include "cli/Command.h"
#include "cli/LoadData.h"

#include "core/io/AtomicFileWriter.h"
#include "core/io/FileReader.h"
#include "core/io/ScratchFile.h"
#include "core/plugin/PluginFile.h"
#include "core/plugin/PluginStream.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

namespace norvelle::cli {

namespace {

// Characters that code page 932 cannot hold are listed up to this many; a count follows.
constexpr std::size_t kListedUnencodable = 100;

// Where the Readme goes. A file is written beside its target and moved over it at the end;
// standard output, and a device or pipe named as the output, get the Readme in one piece
// once it is whole, so a failed command leaves nothing behind anywhere. Until then it waits in
// an unlinked temporary file, so that a Readme of any size takes no memory.
class ReadmeOutput {
public:
    ReadmeOutput(std::string path, std::ostream& out) : m_path(std::move(path)), m_out(out) {
        m_toStdout = m_path.empty() || m_path == "-";
        const FileLookup target = m_toStdout ? FileLookup{} : lookUpFile(m_path);
        m_spooled =
            m_toStdout || (target.state == FileState::Present && !target.regular && !target.folder);
    }
    ~ReadmeOutput() {
        if (m_spool) std::fclose(m_spool);
    }
    ReadmeOutput(const ReadmeOutput&) = delete;
    ReadmeOutput& operator=(const ReadmeOutput&) = delete;

    std::string name() const { return m_toStdout ? std::string(kStdoutName) : m_path; }
    // After a failed commit, where the Readme is when it is nowhere else.
    const std::string& keptIn() const { return m_file.keptIn(); }

    std::error_code open() {
        if (!m_spooled) return m_file.open(m_path);
        errno = 0;
        m_spool = openScratchFile();
        return m_spool ? std::error_code() : scratchFileError();
    }

    std::error_code write(std::string_view bytes) {
        if (!m_spooled) return m_file.write(bytes);
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_spool) == bytes.size()) return {};
        return scratchFileError();
    }

    std::error_code commit() {
        if (!m_spooled) return m_file.commit();
        errno = 0;
        if (std::fflush(m_spool) != 0 || std::fseek(m_spool, 0, SEEK_SET) != 0)
            return scratchFileError();
        DeviceWriter device;
        if (!m_toStdout) {
            if (std::error_code err = device.open(m_path)) return err;
        }
        std::string chunk(std::size_t{1} << 20, '\0');
        std::error_code err;
        for (;;) {
            const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), m_spool);
            if (n == 0) break;
            const std::string_view piece(chunk.data(), n);
            if (m_toStdout) {
                // A failure shows in the stream, and runCli reports it for every command.
                m_out.write(piece.data(), static_cast<std::streamsize>(n));
                if (!m_out) break;
            } else if ((err = device.write(piece))) {
                break;
            }
        }
        if (!err && std::ferror(m_spool)) err = errnoError(EIO);
        const std::error_code closeErr = device.close();
        return err ? err : closeErr;
    }

private:
    std::string m_path;
    std::ostream& m_out;
    bool m_toStdout = false;
    bool m_spooled = false;
    AtomicFileWriter m_file;
    std::FILE* m_spool = nullptr;
};

// The character-by-character findings, after the Readme was made or given up.
void listUnencodable(const std::vector<Unencodable>& listed, std::size_t total,
                     const std::string& outputName, bool replaced, Messages& messages) {
    for (const Unencodable& u : listed) {
        std::string text = position(outputName, u.line, u.column) + ": " +
                           codePointLabel(u.codePoint) +
                           (replaced ? " written as \"?\"" : " cannot be written in code page 932");
        if (u.codePoint == 0xFFFD) text += " (it stands for bytes that are not code page 932)";
        messages.line(text);
    }
    if (total > listed.size())
        messages.file(outputName, "and " + std::to_string(total - listed.size()) + " more");
}

int runRender(const Arguments& a, std::ostream& out, Messages& messages) {
    if (!a.operands.empty())
        return messages.usage("unexpected argument " + printable(a.operands[0]));
    if (!a.has("--data")) return messages.usage("render needs --data FILE.sft");
    if (!a.has("--plugin")) return messages.usage("render needs --plugin FILE.spd");
    // The Readme is written as its plugin is, unless the user says otherwise.
    std::optional<TextEncoding> readmeEncoding;
    if (a.has("--encoding")) {
        const std::string encoding = a.value("--encoding");
        if (encoding == "utf-8" || encoding == "utf8" || encoding == "UTF-8") {
            readmeEncoding = TextEncoding::Utf8;
        } else if (encoding == "cp932" || encoding == "CP932") {
            readmeEncoding = TextEncoding::Cp932;
        } else {
            return messages.usage("--encoding is cp932 or utf-8, not " + printable(encoding));
        }
    }
    LoadedData loaded;
    if (int code = loadSoftwareData(a.value("--data"), a.value("--lists-dir"), messages, loaded))
        return code;

    const std::string pluginPath = a.value("--plugin");
    PluginFile plugin;
    if (std::error_code err = plugin.open(pluginPath)) {
        return err == FileErrc::TooLarge ? messages.lineTooLong(pluginPath, plugin.line())
                                         : messages.cannotRead(pluginPath, err);
    }
    if (const auto& stray = plugin.strayByte()) {
        messages.line(position(pluginPath, stray->line, stray->column) + ": " +
                      describeStrayByte(stray->byte));
        // check counts it as a problem.
        if (a.has("--strict")) {
            messages.file(pluginPath, "not read as UTF-8; no Readme written");
            return kExitMarkerProblems;
        }
    }
    RenderOptions options = plugin.renderOptions();
    if (readmeEncoding) {
        options.readmeEncoding = *readmeEncoding;
        options.yenSign = *readmeEncoding != TextEncoding::Cp932;
    }
    options.strict = a.has("--strict");
    options.replaceUnencodable = a.has("--replace-unencodable");

    ReadmeOutput output(a.value("--output"), out);
    const std::string outputName = output.name();
    if (std::error_code err = output.open()) return messages.cannotWrite(outputName, err);

    std::vector<Unencodable> listed;
    RenderSinks sinks;
    sinks.write = [&](std::string_view bytes) { return output.write(bytes); };
    sinks.markerProblem = [&](const MarkerProblem& p) {
        messages.line(position(pluginPath, p.line, p.column) + ": " + describe(p));
    };
    sinks.unencodable = [&](const Unencodable& u) {
        if (listed.size() < kListedUnencodable) listed.push_back(u);
    };
    const RenderResult result = renderReadme(plugin.source(), loaded.data, options, sinks);

    switch (result.status) {
        case RenderResult::Status::ReadFailed:
            return messages.cannotRead(pluginPath, result.error);
        case RenderResult::Status::LineTooLong:
            return messages.lineTooLong(pluginPath, result.line);
        case RenderResult::Status::WriteFailed:
            return messages.cannotWrite(outputName, result.error);
        case RenderResult::Status::TooLarge:
            messages.file(outputName, "cannot write: the Readme would be larger than " +
                                          std::to_string(kMaxReadmeSize >> 30) +
                                          " GiB, the most norvelle-cli writes; nothing written");
            return kExitIoError;
        case RenderResult::Status::MarkerProblems:
            messages.file(pluginPath, std::to_string(result.markerProblems) +
                                          " marker problem(s); no Readme written");
            return kExitMarkerProblems;
        case RenderResult::Status::Unencodable:
        case RenderResult::Status::Written:
            break;
    }

    listUnencodable(listed, result.unencodable, outputName, options.replaceUnencodable, messages);
    if (result.status == RenderResult::Status::Unencodable) {
        messages.file(outputName, std::to_string(result.unencodable) +
                                      " character(s) that code page 932 cannot hold; no "
                                      "Readme written (--replace-unencodable writes \"?\")");
        return kExitUnencodable;
    }
    if (std::error_code err = output.commit()) {
        messages.cannotWrite(outputName, err);
        // The old file is gone and the new one could not take its place: it must not be lost.
        if (!output.keptIn().empty())
            messages.file(outputName, "the Readme is in the hidden file " +
                                          printable(output.keptIn()) + "; rename it to keep it");
        return kExitIoError;
    }
    return kExitOk;
}

constexpr OptionSpec kRenderOptions[] = {
    kDataOption,
    {"--plugin", "FILE.spd", "the plugin: the template with its [$...] markers"},
    {"--output", "FILE", "where the Readme goes (default, and -: standard output)"},
    {"--encoding", "ENCODING",
     "cp932 or utf-8 (without a byte-order mark), whatever the\n"
     "plugin's encoding (default: the plugin's, as the window\n"
     "writes)"},
    kListsDirOption,
    {"--strict", "", "run check first; write nothing if it finds a problem"},
    {"--replace-unencodable", "", "write \"?\" for characters that code page 932 cannot hold"},
};

// The help states the limits in words.
static_assert(kMaxPluginLineSize == std::size_t{1} << 20);
static_assert(kMaxReadmeSize == std::uint64_t{1} << 30);

}  // namespace

const Command kRenderCommand{
    "render",
    "--data FILE.sft --plugin FILE.spd [--output FILE] [--lists-dir DIR]\n"
    "[--encoding cp932|utf-8] [--strict] [--replace-unencodable]",
    "Writes the Readme that Norvelle's preview window saves for the same form and\n"
    "plugin: the expanded plugin, then one more CR LF, in the plugin's encoding:\n"
    "code page 932; UTF-8 for a plugin that starts with the UTF-8 byte-order mark\n"
    "(the Readme then starts with it too) or is valid UTF-8 throughout with a\n"
    "character outside ASCII; UTF-16 for one that starts with a UTF-16 mark. A\n"
    "plugin named *.md.spd makes Markdown: facts escaped, addresses as <...> links,\n"
    "the lines of empty fields left out, no CR LF after the last line. NUL bytes\n"
    "without a mark are refused (exit 4); a byte that made a UTF-8 plugin code\n"
    "page 932 is named. Without --output (or with --output -) the Readme\n"
    "goes to standard output. A file is replaced only when the whole Readme is\n"
    "ready; standard output gets nothing when the command fails. A plugin line may\n"
    "be at most 1 MiB long and a Readme at most 1 GiB large; a file with a longer\n"
    "line is no plugin, and a larger Readme is refused (exit 4) before it fills\n"
    "the disk. Render takes a few megabytes of memory whatever the plugin; on its\n"
    "way to standard output the Readme waits in the temporary folder.",
    kRenderOptions,
    runRender,
};

}  // namespace norvelle::cli

#include "Cli.h"

#include "Json.h"
#include "app/SoftwareData.h"
#include "lists/RegisteredLists.h"
#include "plugin/PluginCheck.h"
#include "plugin/PluginStream.h"
#include "sftfile/SoftwareDataFile.h"
#include "text/Cp932.h"
#include "text/FileIO.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#ifndef NORVELLE_VERSION
#define NORVELLE_VERSION "2.06"
#endif

namespace norvelle::cli {

namespace {

constexpr std::string_view kProgram = "norvelle-cli";
constexpr std::string_view kStdoutName = "<stdout>";
// Characters that code page 932 cannot hold are listed up to this many; a count follows.
constexpr std::size_t kListedUnencodable = 100;

const char kUsage[] =
    "Usage: norvelle-cli COMMAND [OPTION]...\n"
    "Makes Readme files from Norvelle software data (.sft) and plugins (.spd), and checks\n"
    "plugins.\n"
    "\n"
    "Commands:\n"
    "  render --data FILE.sft --plugin FILE.spd [--output FILE] [--lists-dir DIR]\n"
    "         [--encoding cp932|utf-8] [--strict] [--replace-unencodable]\n"
    "      Writes the Readme that Norvelle's preview window saves for the same form and\n"
    "      plugin: the expanded plugin, then one more CR LF, in code page 932, or in UTF-8\n"
    "      without a byte-order mark. Without --output (or with --output -) the Readme\n"
    "      goes to standard output. A file is replaced only when the whole Readme is\n"
    "      ready; standard output gets nothing when the command fails.\n"
    "  check FILE.spd...\n"
    "      Lists every marker that would stay in the Readme as written: an unknown name,\n"
    "      or a \"[$\" not closed on its line. One line each, FILE:LINE:COLUMN (the column\n"
    "      counted in characters from 1).\n"
    "  show --data FILE.sft [--lists-dir DIR] [--json]\n"
    "      Prints the fields with their labels and the selected needed files by name;\n"
    "      --json prints one JSON object.\n"
    "\n"
    "Options:\n"
    "  --data FILE.sft        the software data file: the form the Readme is made from\n"
    "  --plugin FILE.spd      the plugin: the template with its [$...] markers\n"
    "  --output FILE          where the Readme goes (default, and -: standard output)\n"
    "  --encoding ENCODING    cp932 (the default, as the window writes) or utf-8\n"
    "  --json                 show: print one JSON object with stable keys\n"
    "  --lists-dir DIR        the folder of Needfiles.dat (default: the working directory);\n"
    "                         the needed files are its entries after the five fixed ones\n"
    "  --strict               run check first; write nothing if it finds a problem\n"
    "  --replace-unencodable  write \"?\" for characters that code page 932 cannot hold\n"
    "  -h, --help             show this help and exit\n"
    "  --version              show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  check (or render --strict) found an unknown or unclosed marker\n"
    "  2  the command line is wrong\n"
    "  3  code page 932 cannot hold some characters of the Readme; nothing written\n"
    "  4  a file could not be read or written (check: also when others had problems)\n"
    "  5  the .sft file is not Norvelle 2.0x software data\n";

// --- messages ----------------------------------------------------------------------------

std::string reasonFor(int errnum) {
    if (errnum == kNotRegularFileError) return "not a regular file";
    return std::strerror(errnum);
}

// Control characters of a file's text, shown so that a message stays one line and the
// terminal stays as it was.
std::string printable(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

// The first `count` characters of a UTF-8 text, with "…" when there is more.
std::string excerpt(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t chars = 0; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && chars++ == count) break;
    }
    return end < text.size() ? std::string(text.substr(0, end)) + "…" : std::string(text);
}

class Messages {
public:
    explicit Messages(std::ostream& err) : m_err(err) {}

    void line(std::string_view text) { m_err << kProgram << ": " << text << '\n'; }
    void file(std::string_view name, std::string_view text) {
        m_err << kProgram << ": " << name << ": " << text << '\n';
    }
    int usage(std::string_view text) {
        m_err << kProgram << ": " << text << " (see " << kProgram << " --help)\n";
        return kExitUsage;
    }
    int cannotRead(std::string_view name, int errnum) {
        file(name, "cannot read: " + reasonFor(errnum));
        return kExitIoError;
    }
    int cannotWrite(std::string_view name, int errnum) {
        file(name, "cannot write: " + reasonFor(errnum));
        return kExitIoError;
    }

private:
    std::ostream& m_err;
};

std::string describe(const MarkerProblem& p) {
    if (p.kind == MarkerProblem::Kind::UnknownName)
        return "unknown marker " + printable(excerpt(p.text, 60));
    return "unclosed \"[$\": " + printable(excerpt(p.text, 30));
}

std::string position(std::string_view file, std::size_t line, std::size_t column) {
    return std::string(file) + ":" + std::to_string(line) + ":" + std::to_string(column);
}

// --- command line ------------------------------------------------------------------------

struct Option {
    std::string_view name;
    bool takesValue;
};

struct Arguments {
    std::map<std::string, std::string, std::less<>> values;  // flags have an empty value
    std::vector<std::string> operands;

    bool has(std::string_view name) const { return values.find(name) != values.end(); }
    std::string value(std::string_view name) const {
        const auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
};

// Reads "--name value", "--name=value" and flags; "--" ends the options. Returns an error
// text, empty when the arguments are fine.
std::string parseArguments(const std::vector<std::string>& args, std::size_t first,
                           const std::vector<Option>& options, Arguments& parsed) {
    bool optionsEnded = false;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-' || arg == "-") {
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const Option& o) { return o.name == name; });
        if (option == options.end()) return "unknown option " + name;
        if (parsed.has(name)) return name + " is given twice";
        if (!option->takesValue) {
            if (eq != std::string::npos) return name + " takes no value";
            parsed.values[name];
            continue;
        }
        if (eq != std::string::npos) {
            parsed.values[name] = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            parsed.values[name] = args[++i];
        } else {
            return name + " needs a value";
        }
        if (parsed.values[name].empty()) return name + " needs a value";
    }
    return {};
}

// --- software data -----------------------------------------------------------------------

struct LoadedData {
    SoftwareData data;
    std::string versionLine;
};

// 0 when the path names a folder, else why not.
int folderError(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// The needed-files list as the main window fills it at start-up: the fixed entries, then
// those of Needfiles.dat in the lists folder. Nothing when that file exists but cannot be
// read: a Readme without the user's registered files would be quietly wrong.
std::optional<std::vector<std::string>> neededFileList(const std::string& listsDir,
                                                       Messages& messages) {
    if (!listsDir.empty()) {
        if (int err = folderError(listsDir)) {
            messages.cannotRead(listsDir, err);
            return std::nullopt;
        }
    }
    const std::string path =
        listsDir.empty() ? std::string(kNeededFilesFile) : listsDir + "/" + kNeededFilesFile;
    const ListFile list = loadListFile(path);
    if (list.state == ListFile::State::Unreadable) {
        // The list reader words its reasons for the window; ask the file again for ours.
        FileReader file;
        std::string bytes;
        int err = file.open(path);
        if (err == 0) err = file.readAll(bytes);
        messages.cannotRead(path, err != 0 ? err : EIO);
        return std::nullopt;
    }
    return neededFileEntries(list);
}

// Reads a software data file the way the main window loads it. Returns an exit code.
int loadSoftwareData(const std::string& path, const std::string& listsDir, Messages& messages,
                     LoadedData& loaded) {
    // The window reads no more than the largest software data file; neither does this.
    FileReader file;
    std::string bytes(kMaxSoftwareDataFileSize + 1, '\0');
    std::size_t filled = 0;
    int err = file.open(path);
    for (std::size_t count = 1; err == 0 && count > 0 && filled < bytes.size(); filled += count)
        err = file.read(bytes.data() + filled, bytes.size() - filled, count);
    if (err != 0) return messages.cannotRead(path, err);
    const bool tooLarge = filled > kMaxSoftwareDataFileSize;
    bytes.resize(std::min(filled, kMaxSoftwareDataFileSize));

    const std::optional<std::vector<std::string>> entries = neededFileList(listsDir, messages);
    if (!entries) return kExitIoError;

    const SoftwareDataFile sft = parseSoftwareDataFile(decodeCp932(bytes), entries->size());
    if (tooLarge || !sft.versionAccepted) {
        // The window's own warning first, so that its users know it again.
        messages.file(path, "これは、Norvelle Ver 2.0xのソフトデータではありません");
        std::string why;
        if (tooLarge) {
            why = "it is larger than " + std::to_string(kMaxSoftwareDataFileSize >> 20) +
                  " MiB, which no software data file is";
        } else if (sft.items.empty()) {
            why = "the file is empty";
        } else {
            std::string accepted;
            for (std::string_view v : kAcceptedFileVersions)
                accepted += (accepted.empty() ? "" : ", ") + std::string(v);
            why = "its first line is \"" + printable(excerpt(sft.items[0], 40)) +
                  "\", which does not end in one of " + accepted;
        }
        messages.file(path, "not software data of Norvelle 2.0x: " + why);
        return kExitNotSoftwareData;
    }

    loaded.versionLine = sft.items[0];
    assignFieldTexts(loaded.data, sft.fields);
    for (const std::string& name : *entries) loaded.data.neededFiles.push_back({name, false});
    for (std::size_t position : sft.selectedPositions)
        loaded.data.neededFiles[position].selected = true;
    return kExitOk;
}

// --- render ------------------------------------------------------------------------------

// Where the Readme goes. A file is written beside its target and moved over it at the end;
// standard output, and a device or pipe named as the output, get the Readme in one piece
// once it is whole, so a failed command leaves nothing behind anywhere.
class ReadmeOutput {
public:
    ReadmeOutput(std::string path, std::ostream& out) : m_path(std::move(path)), m_out(out) {
        m_toStdout = m_path.empty() || m_path == "-";
        struct stat st;
        m_buffered = m_toStdout || (::stat(m_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) &&
                                    !S_ISDIR(st.st_mode));
    }

    std::string name() const { return m_toStdout ? std::string(kStdoutName) : m_path; }

    int open() { return m_buffered ? 0 : m_file.open(m_path); }

    int write(std::string_view bytes) {
        if (!m_buffered) return m_file.write(bytes);
        m_buffer.append(bytes);
        return 0;
    }

    int commit() {
        if (!m_buffered) return m_file.commit();
        if (m_toStdout) {
            m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
            m_out.flush();
            return m_out ? 0 : EIO;
        }
        errno = 0;
        std::ofstream device(m_path, std::ios::binary);
        device.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        device.flush();
        return device ? 0 : (errno != 0 ? errno : EIO);
    }

private:
    std::string m_path;
    std::ostream& m_out;
    bool m_toStdout = false;
    bool m_buffered = false;
    AtomicFileWriter m_file;
    std::string m_buffer;
};

int runRender(const Arguments& a, std::ostream& out, Messages& messages) {
    if (!a.operands.empty())
        return messages.usage("unexpected argument " + printable(a.operands[0]));
    if (!a.has("--data")) return messages.usage("render needs --data FILE.sft");
    if (!a.has("--plugin")) return messages.usage("render needs --plugin FILE.spd");
    RenderOptions options;
    if (a.has("--encoding")) {
        const std::string encoding = a.value("--encoding");
        if (encoding == "utf-8" || encoding == "utf8" || encoding == "UTF-8") {
            options.encoding = ReadmeEncoding::Utf8;
        } else if (encoding != "cp932" && encoding != "CP932") {
            return messages.usage("--encoding is cp932 or utf-8, not " + printable(encoding));
        }
    }
    options.strict = a.has("--strict");
    options.replaceUnencodable = a.has("--replace-unencodable");

    LoadedData loaded;
    if (int code = loadSoftwareData(a.value("--data"), a.value("--lists-dir"), messages, loaded))
        return code;

    const std::string pluginPath = a.value("--plugin");
    FileReader plugin;
    if (int err = plugin.open(pluginPath)) return messages.cannotRead(pluginPath, err);

    ReadmeOutput output(a.value("--output"), out);
    const std::string outputName = output.name();
    if (int err = output.open()) return messages.cannotWrite(outputName, err);

    std::vector<Unencodable> listed;
    RenderSinks sinks;
    sinks.write = [&](std::string_view bytes) { return output.write(bytes); };
    sinks.markerProblem = [&](const MarkerProblem& p) {
        messages.line(position(pluginPath, p.line, p.column) + ": " + describe(p));
    };
    sinks.unencodable = [&](const Unencodable& u) {
        if (listed.size() < kListedUnencodable) listed.push_back(u);
    };
    const RenderResult result = renderReadme(plugin, loaded.data, options, sinks);

    switch (result.status) {
        case RenderResult::Status::ReadFailed:
            return messages.cannotRead(pluginPath, result.errnum);
        case RenderResult::Status::WriteFailed:
            return messages.cannotWrite(outputName, result.errnum);
        case RenderResult::Status::MarkerProblems:
            messages.file(pluginPath, std::to_string(result.markerProblems) +
                                          " marker problem(s); no Readme written");
            return kExitMarkerProblems;
        case RenderResult::Status::Unencodable:
        case RenderResult::Status::Written:
            break;
    }

    const bool replaced = options.replaceUnencodable;
    for (const Unencodable& u : listed) {
        std::string text = position(outputName, u.line, u.column) + ": " +
                           codePointLabel(u.codePoint) +
                           (replaced ? " written as \"?\"" : " cannot be written in code page 932");
        if (u.codePoint == 0xFFFD) text += " (it stands for bytes that are not code page 932)";
        messages.line(text);
    }
    if (result.unencodable > listed.size())
        messages.file(outputName,
                      "and " + std::to_string(result.unencodable - listed.size()) + " more");
    if (result.status == RenderResult::Status::Unencodable) {
        messages.file(outputName, std::to_string(result.unencodable) +
                                      " character(s) that code page 932 cannot hold; no "
                                      "Readme written (--replace-unencodable writes \"?\")");
        return kExitUnencodable;
    }
    if (int err = output.commit()) return messages.cannotWrite(outputName, err);
    return kExitOk;
}

// --- check -------------------------------------------------------------------------------

int runCheck(const Arguments& a, std::ostream& out, Messages& messages) {
    if (a.operands.empty()) return messages.usage("check needs one or more plugin files");
    bool problems = false;
    bool unreadable = false;
    for (const std::string& path : a.operands) {
        FileReader file;
        int err = file.open(path);
        if (err == 0) {
            err = checkPlugin(file, [&](const MarkerProblem& p) {
                problems = true;
                out << position(path, p.line, p.column) << ": " << describe(p) << '\n';
            });
        }
        if (err != 0) {
            messages.cannotRead(path, err);
            unreadable = true;
        }
    }
    out.flush();
    if (unreadable) return kExitIoError;
    return problems ? kExitMarkerProblems : kExitOk;
}

// --- show --------------------------------------------------------------------------------

struct ShownField {
    std::string_view label;  // the caption of the field's label in the main window
    std::string_view key;    // its name in the JSON object
    const std::string* value;
};

// The fields in the main window's tab order; the needed files come after the home page.
std::vector<ShownField> upperFields(const SoftwareData& d) {
    return {{"ソフト名", "softwareName", &d.softwareName},
            {"ﾊﾞｰｼﾞｮﾝ", "version", &d.version},
            {"著作権", "copyright", &d.copyright},
            {"動作環境", "environment", &d.environment},
            {"動作確認", "testedOn", &d.testedOn},
            {"転載", "redistribution", &d.redistribution},
            {"ソフトの種別", "softwareType", &d.softwareType},
            {"ｼｪｱｳｴｱ代金", "fee", &d.fee},
            {"Eﾒｰﾙｱﾄﾞﾚｽ", "email", &d.email},
            {"ﾎｰﾑﾍﾟｰｼﾞ", "homePage", &d.homePage}};
}
constexpr std::string_view kNeededFilesLabel = "必要ﾌｧｲﾙ";
constexpr std::string_view kAdditionalLabels[] = {"追加項目1", "追加項目2", "追加項目3",
                                                  "追加項目4"};

// Columns a label takes on a terminal: ASCII and half-width katakana one, the rest two.
std::size_t displayWidth(std::string_view utf8) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if ((b & 0xC0) == 0x80) continue;
        bool narrow = b < 0x80;
        if (b == 0xEF && i + 2 < utf8.size()) {
            const char32_t cp =
                (b & 0x0Fu) << 12 | (utf8[i + 1] & 0x3Fu) << 6 | (utf8[i + 2] & 0x3Fu);
            narrow = cp >= 0xFF61 && cp <= 0xFF9F;
        }
        width += narrow ? 1 : 2;
    }
    return width;
}

void showText(const LoadedData& loaded, std::ostream& out) {
    const SoftwareData& d = loaded.data;
    std::vector<std::pair<std::string_view, std::string>> rows;
    for (const ShownField& f : upperFields(d)) rows.emplace_back(f.label, printable(*f.value));
    bool anyNeeded = false;
    for (const NeededFile& f : d.neededFiles) {
        if (!f.selected) continue;
        rows.emplace_back(anyNeeded ? std::string_view() : kNeededFilesLabel, printable(f.name));
        anyNeeded = true;
    }
    if (!anyNeeded) rows.emplace_back(kNeededFilesLabel, std::string());
    for (std::size_t i = 0; i < 4; ++i)
        rows.emplace_back(kAdditionalLabels[i], printable(d.additional[i]));

    std::size_t labelWidth = 0;
    for (const auto& row : rows) labelWidth = std::max(labelWidth, displayWidth(row.first));
    out << printable(loaded.versionLine) << '\n';
    for (const auto& [label, value] : rows) {
        out << label;
        if (!value.empty()) out << std::string(labelWidth + 2 - displayWidth(label), ' ') << value;
        out << '\n';
    }
}

void showJson(const std::string& path, const LoadedData& loaded, std::ostream& out) {
    const SoftwareData& d = loaded.data;
    out << "{\n  \"file\": " << jsonString(path)
        << ",\n  \"fileVersion\": " << jsonString(loaded.versionLine) << ",\n";
    for (const ShownField& f : upperFields(d))
        out << "  \"" << f.key << "\": " << jsonString(*f.value) << ",\n";
    out << "  \"neededFiles\": [";
    bool first = true;
    for (std::size_t i = 0; i < d.neededFiles.size(); ++i) {
        if (!d.neededFiles[i].selected) continue;
        out << (first ? "\n" : ",\n") << "    {\"position\": " << i
            << ", \"name\": " << jsonString(d.neededFiles[i].name) << "}";
        first = false;
    }
    out << (first ? "],\n" : "\n  ],\n") << "  \"additional\": [";
    for (std::size_t i = 0; i < 4; ++i) out << (i ? ", " : "") << jsonString(d.additional[i]);
    out << "]\n}\n";
}

int runShow(const Arguments& a, std::ostream& out, Messages& messages) {
    if (!a.operands.empty())
        return messages.usage("unexpected argument " + printable(a.operands[0]));
    if (!a.has("--data")) return messages.usage("show needs --data FILE.sft");
    LoadedData loaded;
    const std::string path = a.value("--data");
    if (int code = loadSoftwareData(path, a.value("--lists-dir"), messages, loaded)) return code;
    if (a.has("--json"))
        showJson(path, loaded, out);
    else
        showText(loaded, out);
    out.flush();
    if (!out) return messages.cannotWrite(kStdoutName, EIO);
    return kExitOk;
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Messages messages(err);
    if (args.empty()) return messages.usage("a command is missing: render, check or show");

    const std::string& command = args[0];
    auto given = [&args](std::string_view option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (given("-h") || given("--help")) {
        out << kUsage;
        return kExitOk;
    }
    if (given("--version")) {
        out << kProgram << " (Norvelle) " << NORVELLE_VERSION << '\n';
        return kExitOk;
    }

    Arguments parsed;
    std::string error;
    if (command == "render") {
        error = parseArguments(args, 1,
                               {{"--data", true},
                                {"--plugin", true},
                                {"--output", true},
                                {"--lists-dir", true},
                                {"--encoding", true},
                                {"--strict", false},
                                {"--replace-unencodable", false}},
                               parsed);
        if (error.empty()) return runRender(parsed, out, messages);
    } else if (command == "check") {
        error = parseArguments(args, 1, {}, parsed);
        if (error.empty()) return runCheck(parsed, out, messages);
    } else if (command == "show") {
        error = parseArguments(
            args, 1, {{"--data", true}, {"--lists-dir", true}, {"--json", false}}, parsed);
        if (error.empty()) return runShow(parsed, out, messages);
    } else {
        error = "unknown command " + printable(command) + "; the commands are render, check, show";
    }
    return messages.usage(error);
}

}  // namespace norvelle::cli

// norvelle-cli show: the form kept in a software data file, for people or for scripts.

#include "cli/Command.h"
#include "cli/Json.h"
#include "cli/LoadData.h"

#include "core/text/ReadmeFindings.h"

#include <algorithm>
#include <ostream>
#include <utility>

namespace norvelle::cli {

namespace {

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

    // Labels line up on a terminal: ASCII and half-width katakana take one column, the rest
    // two, as a code page 932 Readme counts them.
    std::size_t labelWidth = 0;
    for (const auto& row : rows)
        labelWidth = std::max(labelWidth, displayWidth(row.first, TextEncoding::Cp932));
    out << printable(loaded.versionLine) << '\n';
    for (const auto& [label, value] : rows) {
        out << label;
        if (!value.empty())
            out << std::string(labelWidth + 2 - displayWidth(label, TextEncoding::Cp932), ' ')
                << value;
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
    return kExitOk;
}

constexpr OptionSpec kShowOptions[] = {
    kDataOption,
    {"--json", "", "show: print one JSON object with stable keys"},
    kListsDirOption,
};

}  // namespace

const Command kShowCommand{
    "show",
    "--data FILE.sft [--lists-dir DIR] [--json]",
    "Prints the fields with their labels and the selected needed files by name;\n"
    "--json prints one JSON object.",
    kShowOptions,
    runShow,
};

}  // namespace norvelle::cli

#include "plugin/TokenValue.h"

namespace norvelle {

namespace {

// The fields that a token name reads directly, without the needed files.
const std::string* fieldFor(std::string_view name, const SoftwareData& d) {
    // Cheap to tell apart by length first; most markers in a Readme are a handful of names.
    switch (name.size()) {
        case 2:
            if (name == "hp") return &d.homePage;
            break;
        case 4:
            if (name.substr(0, 3) == "add" && name[3] >= '1' && name[3] <= '4')
                return &d.additional[static_cast<std::size_t>(name[3] - '1')];
            break;
        case 5:
            if (name == "email") return &d.email;
            break;
        case 6:
            if (name == "転載") return &d.redistribution;
            if (name == "種別") return &d.softwareType;
            break;
        case 9:
            if (name == "著作権") return &d.copyright;
            if (name == "シェア") return &d.fee;
            break;
        case 12:
            if (name == "ソフト名") return &d.softwareName;
            if (name == "動作環境") return &d.environment;
            if (name == "動作確認") return &d.testedOn;
            break;
        case 15:
            if (name == "バージョン") return &d.version;
            break;
        default:
            break;
    }
    return nullptr;
}

constexpr std::string_view kNeededFiles = "必要ファイル";

}  // namespace

std::string neededFilesText(const SoftwareData& data) {
    constexpr std::string_view kComma = "、";
    std::string out;
    for (const NeededFile& f : data.neededFiles) {
        if (!f.selected) continue;
        out += f.name;
        out += kComma;
    }
    // Every ticked item added a comma, so a text is there exactly when one was ticked.
    if (!out.empty()) out.resize(out.size() - kComma.size());
    return out;
}

std::string TokenValue(std::string_view name, const SoftwareData& data) {
    if (name == kNeededFiles) return neededFilesText(data);
    if (const std::string* field = fieldFor(name, data)) return *field;
    return std::string(kUnknownToken);
}

TokenTable::TokenTable(const SoftwareData& data)
    : m_data(data), m_neededFiles(neededFilesText(data)) {}

std::optional<std::string_view> TokenTable::find(std::string_view name) const {
    if (name == kNeededFiles) return std::string_view(m_neededFiles);
    if (const std::string* field = fieldFor(name, m_data)) return std::string_view(*field);
    return std::nullopt;
}

}  // namespace norvelle

#include "core/plugin/TokenValue.h"

#include "core/text/Cp932.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

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

constexpr std::array<std::string_view, 15> kTokenNames = {
    "ソフト名", "バージョン", "著作権", "動作環境", "動作確認", "転載", "種別",  "シェア",
    "email",    "hp",         "add1",   "add2",     "add3",     "add4", "必要ファイル"};

// The names as a plugin's bytes spell them.
const std::array<std::string, 15>& cp932Names() {
    static const std::array<std::string, 15> names = [] {
        std::array<std::string, 15> encoded;
        for (std::size_t i = 0; i < kTokenNames.size(); ++i)
            encoded[i] = encodeCp932(kTokenNames[i]).bytes;
        return encoded;
    }();
    return names;
}

// Where a name in code page 932 bytes stands in the list of names: no two names share their
// length and last byte, so those two find it with one comparison.
class TokenNameIndex {
public:
    static constexpr std::uint8_t kNone = 0xFF;

    explicit TokenNameIndex(const std::array<std::string, 15>& names) {
        m_slots.fill(kNone);
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::uint8_t& slot = m_slots.at(slotOf(names[i]));
            // A new name that shares both with another one must be told apart otherwise.
            if (slot != kNone) std::abort();
            slot = static_cast<std::uint8_t>(i);
        }
    }

    std::uint8_t find(std::string_view name) const {
        return name.empty() || name.size() > kLongest ? kNone : m_slots[slotOf(name)];
    }

private:
    static constexpr std::size_t kLongest = 12;  // 必要ファイル
    static std::size_t slotOf(std::string_view name) {
        return (name.size() - 1) * 256 + static_cast<unsigned char>(name.back());
    }
    std::array<std::uint8_t, kLongest * 256> m_slots{};
};

const TokenNameIndex& cp932NameIndex() {
    static const TokenNameIndex index(cp932Names());
    return index;
}

Replacement replacementOf(std::optional<std::string_view> value) {
    if (!value || *value == kUnknownToken) return {};
    return {Replacement::Kind::Value, *value};
}

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
    : m_data(data), m_neededFiles(neededFilesText(data)) {
    for (std::size_t i = 0; i < kTokenNames.size(); ++i) {
        Encoded& e = m_encoded[i];
        e.name = cp932Names()[i];
        const Replacement r = replacement(kTokenNames[i]);
        if (r.kind != Replacement::Kind::Value) continue;
        EncodeResult encoded = encodeCp932(r.text);
        e.value = std::move(encoded.bytes);
        e.kind = encoded.unencodable.empty() ? Replacement::Kind::Value : Replacement::Kind::Unfit;
    }
}

std::optional<std::string_view> TokenTable::find(std::string_view name) const {
    if (name == kNeededFiles) return std::string_view(m_neededFiles);
    if (const std::string* field = fieldFor(name, m_data)) return std::string_view(*field);
    return std::nullopt;
}

Replacement TokenTable::replacement(std::string_view name) const {
    return replacementOf(find(name));
}

Replacement TokenTable::replacementCp932(std::string_view name) const {
    const std::uint8_t i = cp932NameIndex().find(name);
    if (i == TokenNameIndex::kNone || m_encoded[i].name != name) return {};
    return {m_encoded[i].kind, m_encoded[i].value};
}

}  // namespace norvelle

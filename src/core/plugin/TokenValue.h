#pragma once

#include "core/document/SoftwareData.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace norvelle {

// The answer for a token name that names no field. The expansion keeps a marker whose value
// reads exactly like this, so a field that holds this text keeps its marker too.
inline constexpr std::string_view kUnknownToken = "unknown...";

// The text that replaces the marker "[$name]": the current text of the field the name stands
// for, or "unknown..." for any other name. Names are compared exactly as written: no
// trimming, no case or width folding.
std::string TokenValue(std::string_view name, const SoftwareData& data);

// The ticked needed files in list order, joined with "、"; empty when none is ticked.
std::string neededFilesText(const SoftwareData& data);

// What the expansion puts in place of a marker.
struct Replacement {
    enum class Kind {
        Marker,  // the marker stays as written: an unknown name, or a value "unknown..."
        Value,   // `text` replaces it
        Unfit    // code page 932 cannot hold the value; only the decoded text can take it
    };
    Kind kind = Kind::Marker;
    std::string_view text;
};

// The token names of one snapshot, for looking up many markers: the needed files are joined
// once, every value is encoded to code page 932 once, and a lookup copies nothing.
class TokenTable {
public:
    explicit TokenTable(const SoftwareData& data);

    // The value of a known name (a view into the snapshot or into this table), nothing for
    // an unknown one. The snapshot must outlive the table.
    std::optional<std::string_view> find(std::string_view name) const;

    // What replaces the marker with this name, in UTF-8; never Unfit.
    Replacement replacement(std::string_view name) const;

    // The same for a name in code page 932 bytes, with the value in code page 932: what the
    // marker becomes once the expanded text is encoded, or Unfit when the value has a
    // character that code page 932 cannot hold (its place must be counted in the text).
    Replacement replacementCp932(std::string_view name) const;

private:
    struct Encoded {
        std::string_view name;  // code page 932
        std::string value;      // code page 932
        Replacement::Kind kind = Replacement::Kind::Marker;
    };
    const SoftwareData& m_data;
    std::string m_neededFiles;
    std::array<Encoded, 15> m_encoded;
};

}  // namespace norvelle

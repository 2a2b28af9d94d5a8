#pragma once

#include "core/SoftwareData.h"

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

// The token names of one snapshot, for looking up many markers: the needed files are joined
// once, and a lookup copies nothing.
class TokenTable {
public:
    explicit TokenTable(const SoftwareData& data);

    // The value of a known name (a view into the snapshot or into this table), nothing for
    // an unknown one. The snapshot must outlive the table.
    std::optional<std::string_view> find(std::string_view name) const;

private:
    const SoftwareData& m_data;
    std::string m_neededFiles;
};

}  // namespace norvelle

#pragma once

#include "app/SoftwareData.h"

#include <string>
#include <string_view>

namespace norvelle {

// Expands a plugin's text, already decoded to UTF-8: every marker "[$name]" whose name is
// known is replaced by its value, everything else is copied unchanged. Lines end at CR LF or
// at a CR alone (a LF alone is part of its line); every expanded line ends with CR LF.
std::string expandTemplate(std::string_view text, const SoftwareData& data);

struct ExpandResult {
    bool ok = false;
    std::string text;   // the expanded text, UTF-8
    std::string error;  // why the plugin could not be read, in Japanese, when !ok
};

// Reads a plugin file (code page 932) and expands it against the software data. A plugin of
// any length expands completely; an empty file expands to the empty text.
ExpandResult ExpandPlugin(const std::string& path, const SoftwareData& data);

}  // namespace norvelle

#pragma once

#include "core/document/SoftwareData.h"
#include "core/text/TextEncoding.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace norvelle {

// Expands a plugin's text, already decoded to UTF-8: every marker "[$name]" whose name is
// known is replaced by its value, everything else is copied unchanged. Lines end at CR LF or
// at a CR alone (a LF alone is part of its line); every expanded line ends with CR LF.
std::string expandTemplate(std::string_view text, const SoftwareData& data);

class TokenTable;

// Expands a text as above into `out`, handing it to `flush` whenever it holds `flushAt`
// bytes or more, so that a field value repeated many times never has to fit in memory. A
// flush gets whole characters and never a CR without the character after it; `out` keeps
// what it did not get (at most that CR). Returns false as soon as `flush` does. Memory stays
// below flushAt plus one line of the text plus the longest value.
bool expandTemplate(std::string_view text, const TokenTable& tokens, std::string& out,
                    std::size_t flushAt, const std::function<bool(std::string_view)>& flush);

struct ExpandResult {
    bool ok = false;
    std::string text;  // the expanded text, UTF-8
    // How the plugin is written, and so how its Readme is to be written.
    TextEncoding encoding = TextEncoding::Cp932;
    std::error_code error;      // why the plugin could not be read (FileErrc::TooLarge: over
                                // ExpandLimits::pluginSize), when !ok and not textTooLarge
    bool textTooLarge = false;  // !ok: the expanded text would pass ExpandLimits::textSize
};

// How large a plugin (bytes on disk) and its expanded text (UTF-8 bytes) may be. The field
// values can be long, so a small plugin that repeats a marker can still make a huge text.
struct ExpandLimits {
    std::uint64_t pluginSize = UINT64_MAX;
    std::size_t textSize = SIZE_MAX;
};

// What the plugin selection dialog opens at most. Real plugins and their Readme texts are a
// few kilobytes; these limits leave room for a hundred times that, and keep a stray huge file
// from stalling the preview for seconds and taking memory by the gigabyte.
inline constexpr ExpandLimits kPluginDialogLimits{std::uint64_t{1} << 20, std::size_t{4} << 20};

// Reads a plugin file (code page 932 or UTF-8) and expands it against the software data. A plugin
// of any length within the limits expands completely; an empty file expands to the empty text. A
// plugin over the limit is refused as unreadable, with the reason; an expanded text over its limit
// is refused with textTooLarge.
ExpandResult ExpandPlugin(const std::string& path, const SoftwareData& data,
                          const ExpandLimits& limits = {});

// The name a Readme made from this plugin is proposed under: Readme.txt, or the plugin's own
// name where that is a file name with an extension (README.md.spd, listed as README.md).
std::string readmeFileName(std::string_view pluginName);

}  // namespace norvelle

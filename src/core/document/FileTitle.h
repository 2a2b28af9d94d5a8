#pragma once

#include <string>
#include <string_view>

namespace norvelle {

// The last component of a path, for the window caption and messages: everything after the
// last "\", ":" or "/" (possibly empty), or "(無題)" when the path holds none of them.
std::string FileTitleFromPath(std::string_view path);

}  // namespace norvelle

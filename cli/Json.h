#pragma once

#include <string>
#include <string_view>

namespace norvelle::cli {

// A UTF-8 text as a JSON string, quotes included: the quote, the backslash and the control
// characters are escaped, a byte that is not UTF-8 becomes U+FFFD, everything else is copied
// as it is.
std::string jsonString(std::string_view utf8);

}  // namespace norvelle::cli

#pragma once

#include "core/io/FileResult.h"
#include "core/text/Cp932.h"
#include "core/text/TextEncoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle {

// A text (UTF-8) as its file is to hold it, in code page 932 unless a Readme takes its
// plugin's encoding, for a reader that takes no more than `limit` bytes: every save checks its
// size here, and only here.
struct TextFileBytes {
    std::string bytes;                     // characters code page 932 lacks are "?" here
    std::vector<Unencodable> unencodable;  // those characters; empty when every one fits
    std::error_code error;  // FileErrc::TooLarge: more than `limit` bytes; nothing is written
};
TextFileBytes encodeTextFile(std::string_view text, std::uint64_t limit = kWholeFile,
                             TextEncoding encoding = TextEncoding::Cp932);

}  // namespace norvelle

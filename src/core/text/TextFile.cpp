#include "core/text/TextFile.h"

#include <utility>

namespace norvelle {

TextFileBytes encodeTextFile(std::string_view text, std::uint64_t limit, TextEncoding encoding) {
    TextFileBytes result;
    EncodeResult encoded = encodeText(text, encoding);
    // A file its reader would refuse, or read only in part, is not written at all.
    if (encoded.bytes.size() > limit) {
        result.error = FileErrc::TooLarge;
        return result;
    }
    result.bytes = std::move(encoded.bytes);
    result.unencodable = std::move(encoded.unencodable);
    return result;
}

}  // namespace norvelle

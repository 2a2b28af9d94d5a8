// Decoding any bytes never fails, always gives valid UTF-8, and text that came from code page
// 932 goes back to the same characters.
#include "core/text/Cp932.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = norvelle::decodeCp932(bytes);
    if (!isValidUtf8(text)) std::abort();
    // Whatever was decoded encodes again; only the characters that stood for broken bytes
    // (U+FFFD) are reported, and decoding the result gives the same text back.
    const norvelle::EncodeResult again = norvelle::encodeCp932(text, '?');
    for (const auto& u : again.unencodable)
        if (u.codePoint != 0xFFFD) std::abort();
    if (again.unencodable.empty() && norvelle::decodeCp932(again.bytes) != text) std::abort();
    // Arbitrary bytes as UTF-8 input must not break the encoder either.
    const norvelle::EncodeResult raw = norvelle::encodeCp932(bytes, '?');
    (void)raw;
    return 0;
}

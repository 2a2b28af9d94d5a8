// A plugin's encoding is what the rule says, checked against a plain reading of UTF-8 by code
// points, and is decided the same whether its bytes come at once or a line at a time. Its
// text is valid UTF-8, decoded at once or line by line alike (UTF-16 cut anywhere).
#include "core/text/TextEncoding.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition, int line = __builtin_LINE()) {
    if (condition) return;
    std::fprintf(stderr, "encoding.cpp:%d: check failed\n", line);
    std::abort();
}

// UTF-8 as the standard defines it: each character's code point worked out, then held to
// the shortest form and to the code points that are characters.
bool validUtf8(std::string_view s, bool& nonAscii) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t length = b < 0x80       ? 1
                             : b >> 5 == 6  ? 2
                             : b >> 4 == 14 ? 3
                             : b >> 3 == 30 ? 4
                                            : 0;
        if (length == 0 || i + length > s.size()) return false;
        char32_t cp = length == 1 ? b : b & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if (c >> 6 != 2) return false;
            cp = cp << 6 | (c & 0x3F);
        }
        constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kShortest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        nonAscii = nonAscii || length > 1;
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool marked = in.ConsumeBool();
    std::string bytes = in.ConsumeRemainingBytesAsString();
    if (marked) bytes.insert(0, norvelle::kUtf8Bom);

    bool nonAscii = false;
    const bool valid = validUtf8(bytes, nonAscii);
    const norvelle::TextEncoding whole = norvelle::detectEncoding(bytes);
    const norvelle::TextEncoding expected =
        bytes.starts_with(norvelle::kUtf8Bom)       ? norvelle::TextEncoding::Utf8WithBom
        : bytes.starts_with(norvelle::kUtf16LeBom) ? norvelle::TextEncoding::Utf16Le
        : bytes.starts_with(norvelle::kUtf16BeBom) ? norvelle::TextEncoding::Utf16Be
        : valid && nonAscii                        ? norvelle::TextEncoding::Utf8
                                                   : norvelle::TextEncoding::Cp932;
    check(whole == expected);
    check((norvelle::validUtf8Length(bytes) == bytes.size()) == valid);
    const std::string text = norvelle::decodeText(bytes, whole);
    check(norvelle::validUtf8Length(text) == text.size());
    if (whole == norvelle::TextEncoding::Utf8) check(text == bytes);

    // Read in blocks of whole lines, as plugins are, the encoding and the text are the same.
    // UTF-16, whose line ends are two bytes, is decoded in pieces cut anywhere.
    const bool utf16 = norvelle::isUtf16(whole);
    norvelle::EncodingDetector detector;
    norvelle::TextBlocks blocks(utf16 ? norvelle::TextEncoding::Utf8 : whole);
    norvelle::Utf16Decoder pieces(whole == norvelle::TextEncoding::Utf16Be);
    const std::string_view all(bytes);
    std::string inBlocks;
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = all.find('\r', start);
        end = end == std::string_view::npos ? all.size() : end + 1;
        if (end < all.size() && all[end] == '\n') ++end;
        const std::string_view block = all.substr(start, end - start);
        detector.look(block);
        if (!utf16) {
            inBlocks.append(blocks.of(block));
        } else {
            pieces.decode(start == 0 ? block.substr(2) : block, inBlocks);
        }
        start = end;
    }
    if (utf16) pieces.finish(inBlocks);
    check(detector.encoding() == whole);
    if (whole == norvelle::TextEncoding::Cp932) return 0;
    check(inBlocks == text);

    // A Readme written from it holds all of it and is read back as it was written.
    const norvelle::EncodeResult readme = norvelle::encodeText(text, whole);
    check(readme.unencodable.empty());
    check(norvelle::detectEncoding(readme.bytes) == whole);
    check(norvelle::decodeText(readme.bytes, whole) == text);
    return 0;
}

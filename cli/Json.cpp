#include "cli/Json.h"

namespace norvelle::cli {

namespace {

// The length of the well-formed UTF-8 character at the start of `s`, or 0.
std::size_t utf8Length(std::string_view s) {
    const auto b = static_cast<unsigned char>(s[0]);
    std::size_t len = 0;
    unsigned char min = 0x80;  // the second byte's range rules out overlong forms and surrogates
    unsigned char max = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0) min = 0xA0;
        if (b == 0xED) max = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0) min = 0x90;
        if (b == 0xF4) max = 0x8F;
    }
    if (len == 0 || s.size() < len) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (i == 1 ? (c < min || c > max) : (c & 0xC0) != 0x80) return 0;
    }
    return len;
}

}  // namespace

std::string jsonString(std::string_view utf8) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            // JSON is UTF-8: a byte that is not part of a character (a file name may hold
            // one) becomes U+FFFD.
            const std::size_t len = utf8Length(utf8.substr(i));
            out += len ? utf8.substr(i, len) : "\xEF\xBF\xBD";
            i += len ? len - 1 : 0;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\\u00";
                    out += kHex[(c >> 4) & 0xF];
                    out += kHex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

}  // namespace norvelle::cli

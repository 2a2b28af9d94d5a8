#include "core/text/TextEncoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace norvelle {

namespace {

// What a byte that starts a UTF-8 character asks of the bytes after it: how many bytes the
// character has, and the range of the second one, which rules out overlong forms, surrogates
// and code points past U+10FFFF. Length 0: the byte starts no character.
struct Lead {
    std::uint8_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
};

constexpr std::array<Lead, 256> kLeads = [] {
    std::array<Lead, 256> t{};
    for (unsigned b = 0; b < 0x80; ++b) t[b].length = 1;
    for (unsigned b = 0xC2; b <= 0xDF; ++b) t[b].length = 2;
    for (unsigned b = 0xE0; b <= 0xEF; ++b) t[b].length = 3;
    for (unsigned b = 0xF0; b <= 0xF4; ++b) t[b].length = 4;
    t[0xE0].low = 0xA0;
    t[0xED].high = 0x9F;
    t[0xF0].low = 0x90;
    t[0xF4].high = 0x8F;
    return t;
}();

// How many bytes of the character starting at `p` fit the rules, at most `available`; the
// whole character fits when this is its length.
std::size_t fittingBytes(const unsigned char* p, std::size_t available) {
    const Lead& lead = kLeads[*p];
    if (lead.length == 0) return 0;
    std::size_t n = 1;
    if (n < lead.length && n < available && p[1] >= lead.low && p[1] <= lead.high) {
        ++n;
        while (n < lead.length && n < available && (p[n] & 0xC0) == 0x80) ++n;
    }
    return n;
}

// Eight bytes as one number, the first byte lowest, whatever the machine's order.
std::uint64_t eightBytes(const unsigned char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, 8);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

// Whether `word` starts with two characters of three bytes from U+1000 to U+CFFF or from
// U+E000 to U+FFFF, where Japanese text has its characters: each lead byte is neither E0 nor
// ED, whose second bytes are held to a narrower range, and two continuation bytes follow it.
bool twoOfThreeBytes(std::uint64_t word) {
    if ((word & 0xC0C0F0C0C0F0ull) != 0x8080E08080E0ull) return false;
    const unsigned first = word & 0x0F;
    const unsigned second = (word >> 24) & 0x0F;
    return first != 0x0 && first != 0xD && second != 0x0 && second != 0xD;
}

// Where valid UTF-8 stops in `bytes`: the start of the first character that breaks the rules
// or is cut off by the end. Sets `nonAscii` when a character before it is outside ASCII.
std::size_t scanUtf8(std::string_view bytes, bool& nonAscii) {
    const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = begin + bytes.size();
    const unsigned char* p = begin;
    while (p < end) {
        // The usual characters eight bytes at a time, without a branch for each: Japanese
        // characters two at a time, and runs of ASCII.
        while (end - p >= 8) {
            const std::uint64_t word = eightBytes(p);
            if (twoOfThreeBytes(word)) {
                nonAscii = true;
                p += 6;
                continue;
            }
            const std::uint64_t high = word & 0x8080808080808080ull;
            if ((word & 0x80) != 0) break;
            p += high == 0 ? 8 : static_cast<std::size_t>(std::countr_zero(high) / 8);
        }
        if (p == end) break;
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const std::size_t length = kLeads[*p].length;
        if (length == 0 || fittingBytes(p, static_cast<std::size_t>(end - p)) != length) break;
        nonAscii = true;
        p += length;
    }
    return static_cast<std::size_t>(p - begin);
}

// Whether bytes that break UTF-8 somewhere are UTF-8 all the same, but for a few stray
// bytes: more than twice as many characters outside ASCII fit its rules as pieces break
// them. Japanese text in code page 932 fits them only now and then, by chance.
bool mostlyUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    std::size_t fitting = 0;
    std::size_t breaking = 0;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const std::size_t length = kLeads[*p].length;
        const std::size_t fit = fittingBytes(p, static_cast<std::size_t>(end - p));
        if (length != 0 && fit == length) {
            ++fitting;
            p += length;
        } else {
            ++breaking;
            p += std::max<std::size_t>(1, fit);
        }
    }
    return fitting > 2 * breaking;
}

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool EncodingDetector::look(std::string_view bytes) {
    if (m_decided) return true;
    if (m_atStart) {
        for (const TextEncoding marked :
             {TextEncoding::Utf8WithBom, TextEncoding::Utf16Le, TextEncoding::Utf16Be}) {
            if (bytes.starts_with(byteOrderMark(marked))) {
                decide(marked);
                return true;
            }
        }
    }
    m_atStart = m_atStart && bytes.empty();
    m_nul = m_nul || bytes.find('\0') != std::string_view::npos;
    const std::size_t valid = scanUtf8(bytes, m_nonAscii);
    if (valid == bytes.size()) return false;
    // What comes soon after the break tells: a code page 932 file breaks again at once.
    constexpr std::size_t kLookedPast = 4096;
    if (mostlyUtf8(bytes.substr(0, valid + kLookedPast))) m_strayAt = valid;
    decide(TextEncoding::Cp932);
    return true;
}

TextEncoding EncodingDetector::encoding() const {
    if (m_decided) return m_encoding;
    return m_nonAscii ? TextEncoding::Utf8 : TextEncoding::Cp932;
}

TextEncoding detectEncoding(std::string_view bytes) {
    EncodingDetector detector;
    detector.look(bytes);
    return detector.encoding();
}

std::size_t validUtf8Length(std::string_view bytes) {
    bool nonAscii = false;
    return scanUtf8(bytes, nonAscii);
}

std::string_view withoutByteOrderMark(std::string_view fileStart, TextEncoding encoding) {
    const std::string_view mark = byteOrderMark(encoding);
    if (!mark.empty() && fileStart.starts_with(mark)) fileStart.remove_prefix(mark.size());
    return fileStart;
}

void Utf16Decoder::decode(std::string_view bytes, std::string& out) {
    auto take = [this, &out](char32_t unit) {
        if (m_high != 0) {
            const char32_t high = std::exchange(m_high, 0);
            if (isLowSurrogate(unit)) {
                appendUtf8(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), out);
                return;
            }
            appendUtf8(kReplacement, out);
        }
        if (isHighSurrogate(unit)) {
            m_high = static_cast<char16_t>(unit);
        } else {
            appendUtf8(isLowSurrogate(unit) ? kReplacement : unit, out);
        }
    };
    auto unit = [this](unsigned char first, unsigned char second) {
        return static_cast<char32_t>(m_bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    std::size_t i = 0;
    if (m_hasOdd && !bytes.empty()) {
        take(unit(m_odd, static_cast<unsigned char>(bytes[0])));
        m_hasOdd = false;
        i = 1;
    }
    out.reserve(out.size() + bytes.size() * 3 / 2);
    for (; i + 1 < bytes.size(); i += 2)
        take(unit(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1])));
    if (i < bytes.size()) {
        m_odd = static_cast<unsigned char>(bytes[i]);
        m_hasOdd = true;
    }
}

void Utf16Decoder::finish(std::string& out) {
    if (m_high != 0) appendUtf8(kReplacement, out);
    if (m_hasOdd) appendUtf8(kReplacement, out);
    m_high = 0;
    m_hasOdd = false;
}

char32_t nextCharacter(std::string_view text, std::size_t& at) {
    const auto* const p = reinterpret_cast<const unsigned char*>(text.data()) + at;
    const std::size_t length = kLeads[*p].length;
    const std::size_t fit = fittingBytes(p, text.size() - at);
    if (length == 0 || fit != length) {
        at += std::max<std::size_t>(1, fit);
        return kReplacement;
    }
    char32_t c = length == 1 ? *p : *p & (0xFFu >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (p[k] & 0x3Fu);
    at += length;
    return c;
}

void appendEncodedUtf16(std::string_view utf8, bool bigEndian, std::string& out) {
    auto put = [bigEndian, &out](char32_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    out.reserve(out.size() + utf8.size() * 2);
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t c = nextCharacter(utf8, at);
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
}

void appendDecoded(std::string_view bytes, TextEncoding encoding, std::string& out) {
    if (encoding == TextEncoding::Cp932) {
        appendDecodedCp932(bytes, out);
        return;
    }
    if (isUtf16(encoding)) {
        Utf16Decoder decoder(encoding == TextEncoding::Utf16Be);
        decoder.decode(bytes, out);
        decoder.finish(out);
        return;
    }
    for (;;) {
        const std::size_t valid = validUtf8Length(bytes);
        out.append(bytes.substr(0, valid));
        bytes.remove_prefix(valid);
        if (bytes.empty()) return;
        // The longest start of a character that fits the rules, or the one byte, stands for
        // one replacement character.
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        bytes.remove_prefix(std::max<std::size_t>(1, fittingBytes(p, bytes.size())));
        out += "\xEF\xBF\xBD";
    }
}

std::string decodeText(std::string_view bytes, TextEncoding encoding) {
    std::string out;
    appendDecoded(withoutByteOrderMark(bytes, encoding), encoding, out);
    return out;
}

std::string_view TextBlocks::of(std::string_view block) {
    if (m_first) block = withoutByteOrderMark(block, m_encoding);
    m_first = false;
    if (m_checked) return block;
    // Checked even where the file was found valid UTF-8 throughout: one that starts with the
    // byte-order mark is decided on its first bytes, and its rest may be anything. Whatever
    // comes out is valid UTF-8, which everything after relies on.
    if (m_encoding != TextEncoding::Cp932 && validUtf8Length(block) == block.size()) return block;
    m_decoded.clear();
    appendDecoded(block, m_encoding, m_decoded);
    return m_decoded;
}

EncodeResult encodeText(std::string_view utf8, TextEncoding encoding, char replacement) {
    if (encoding == TextEncoding::Cp932) return encodeCp932(utf8, replacement);
    EncodeResult result;
    if (isUtf16(encoding)) {
        result.bytes.append(byteOrderMark(encoding));
        appendEncodedUtf16(utf8, encoding == TextEncoding::Utf16Be, result.bytes);
        return result;
    }
    result.bytes.reserve(utf8.size() + kUtf8Bom.size());
    result.bytes.append(byteOrderMark(encoding));
    appendDecoded(utf8, TextEncoding::Utf8, result.bytes);
    return result;
}

}  // namespace norvelle

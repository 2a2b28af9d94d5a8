#include "text/Cp932.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace norvelle {

namespace {

constexpr char32_t kReplacementChar = 0xFFFD;

// One decoded character, ready to be copied to the output: up to three bytes of UTF-8
// (code page 932 holds nothing beyond the BMP) and how many bytes of each side it takes.
struct DecodeEntry {
    char utf8[3] = {};
    std::uint8_t info = 0;  // bits 0-1: UTF-8 length; bits 4-5: code page 932 bytes consumed
};

constexpr std::uint16_t kNoBytes = 0xFFFF;  // code point that code page 932 cannot hold

struct Tables {
    // The character that the text starting with a given pair of bytes begins with, indexed
    // by first byte * 256 + second byte: a lead byte and its trail, or a single-byte
    // character (then the second byte is not consumed). Decoding needs no branch per
    // character this way.
    std::vector<DecodeEntry> pairs;
    // A byte that is the last of the text: a lead byte there is broken.
    std::array<DecodeEntry, 256> last{};
    std::array<bool, 256> isLead{};
    // Code point of the BMP to its bytes: a value below 0x100 is one byte, any other value
    // is lead byte * 256 + trail byte, kNoBytes means it does not fit.
    std::vector<std::uint16_t> encode;
};

DecodeEntry makeEntry(char32_t cp, unsigned consumed) {
    DecodeEntry e;
    unsigned len;
    if (cp < 0x80) {
        e.utf8[0] = static_cast<char>(cp);
        len = 1;
    } else if (cp < 0x800) {
        e.utf8[0] = static_cast<char>(0xC0 | (cp >> 6));
        e.utf8[1] = static_cast<char>(0x80 | (cp & 0x3F));
        len = 2;
    } else {
        e.utf8[0] = static_cast<char>(0xE0 | (cp >> 12));
        e.utf8[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        e.utf8[2] = static_cast<char>(0x80 | (cp & 0x3F));
        len = 3;
    }
    e.info = static_cast<std::uint8_t>(len | (consumed << 4));
    return e;
}

bool isPlainBmp(char32_t cp) { return cp < 0x10000 && (cp < 0xD800 || cp > 0xDFFF); }

// Runs one conversion from a fresh state. Returns the errno of the failure or 0, and how
// many input bytes were consumed and output bytes produced.
int convertOnce(iconv_t cd, const void* in, std::size_t inLen, void* out, std::size_t outCap,
                std::size_t& consumed, std::size_t& produced) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* ip = static_cast<char*>(const_cast<void*>(in));
    char* op = static_cast<char*>(out);
    std::size_t il = inLen;
    std::size_t ol = outCap;
    const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
    const int err = r == static_cast<std::size_t>(-1) ? errno : 0;
    consumed = inLen - il;
    produced = outCap - ol;
    return err;
}

char32_t fromUtf32Le(const unsigned char* b) {
    return static_cast<char32_t>(b[0]) | static_cast<char32_t>(b[1]) << 8 |
           static_cast<char32_t>(b[2]) << 16 | static_cast<char32_t>(b[3]) << 24;
}

// Asks iconv for one byte sequence. Returns the code point, or kReplacementChar when the
// sequence is not a whole character; `incomplete` tells that it is the start of one.
char32_t askDecoder(iconv_t cd, const unsigned char* in, std::size_t len, bool& incomplete) {
    unsigned char out[16];
    std::size_t consumed = 0;
    std::size_t produced = 0;
    const int err = convertOnce(cd, in, len, out, sizeof out, consumed, produced);
    incomplete = err == EINVAL;
    if (err != 0 || consumed != len || produced != 4) return kReplacementChar;
    const char32_t cp = fromUtf32Le(out);
    return isPlainBmp(cp) ? cp : kReplacementChar;
}

// Whether the tables read `bytes` (one byte below 0x100, else lead * 256 + trail) as cp.
bool readsAs(const Tables& t, std::uint16_t bytes, char32_t cp) {
    const bool pair = bytes >= 0x100;
    if (pair != t.isLead[pair ? bytes >> 8 : bytes]) return false;
    const DecodeEntry& e = pair ? t.pairs[bytes] : t.last[bytes];
    const DecodeEntry expected = makeEntry(cp, pair ? 2 : 1);
    return e.info == expected.info && std::memcmp(e.utf8, expected.utf8, 3) == 0;
}

Tables buildTables() {
    Tables t;
    t.encode.assign(0x10000, kNoBytes);
    t.last.fill(makeEntry(kReplacementChar, 1));
    // ASCII is the same in both encodings; the fast paths rely on it.
    for (unsigned b = 0; b < 0x80; ++b) {
        t.last[b] = makeEntry(b, 1);
        t.encode[b] = static_cast<std::uint16_t>(b);
    }
    auto fillPairs = [&t] {
        t.pairs.resize(0x10000);
        for (unsigned first = 0; first < 0x100; ++first) {
            if (t.isLead[first]) continue;
            std::fill_n(&t.pairs[first << 8], 0x100, t.last[first]);
        }
    };

    iconv_t dec = iconv_open("UTF-32LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-32LE");
    if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1)) {
        std::fprintf(stderr, "norvelle: the C library has no CP932 converter; "
                             "only ASCII can be read and written\n");
        if (dec != reinterpret_cast<iconv_t>(-1)) iconv_close(dec);
        if (enc != reinterpret_cast<iconv_t>(-1)) iconv_close(enc);
        fillPairs();
        return t;
    }

    // Inverting the decode table: the lowest byte sequence of each code point for now, and
    // how many sequences read as it.
    std::vector<std::uint8_t> candidates(0x10000, 0);
    auto addCandidate = [&](char32_t cp, std::uint16_t bytes) {
        if (cp < 0x80) return;  // ASCII stays one byte
        if (t.encode[cp] == kNoBytes) t.encode[cp] = bytes;
        if (candidates[cp] < 2) ++candidates[cp];
    };

    for (unsigned b = 0x80; b < 0x100; ++b) {
        const unsigned char one[1] = {static_cast<unsigned char>(b)};
        bool incomplete = false;
        const char32_t cp = askDecoder(dec, one, 1, incomplete);
        if (incomplete) {
            t.isLead[b] = true;
        } else if (cp != kReplacementChar) {
            t.last[b] = makeEntry(cp, 1);
            addCandidate(cp, static_cast<std::uint16_t>(b));
        }
    }

    fillPairs();
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
        if (!t.isLead[lead]) continue;
        DecodeEntry* row = &t.pairs[lead << 8];
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            const unsigned char two[2] = {static_cast<unsigned char>(lead),
                                          static_cast<unsigned char>(trail)};
            bool incomplete = false;
            const char32_t cp = askDecoder(dec, two, 2, incomplete);
            if (cp == kReplacementChar) {
                // A broken pair: an ASCII byte after the lead byte is read on its own.
                row[trail] = makeEntry(kReplacementChar, trail < 0x80 ? 1 : 2);
            } else {
                row[trail] = makeEntry(cp, 2);
                addCandidate(cp, static_cast<std::uint16_t>(lead << 8 | trail));
            }
        }
    }

    // Several sequences read as these characters (the NEC and IBM extensions overlap):
    // write the one that iconv's own encoder writes, as long as it reads back.
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
        if (candidates[cp] < 2) continue;
        const unsigned char in[4] = {static_cast<unsigned char>(cp & 0xFF),
                                     static_cast<unsigned char>(cp >> 8), 0, 0};
        unsigned char out[8];
        std::size_t consumed = 0;
        std::size_t produced = 0;
        if (convertOnce(enc, in, sizeof in, out, sizeof out, consumed, produced) != 0) continue;
        std::uint16_t chosen = kNoBytes;
        if (produced == 1) chosen = out[0];
        if (produced == 2) chosen = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
        if (chosen != kNoBytes && readsAs(t, chosen, cp)) t.encode[cp] = chosen;
    }
    iconv_close(dec);
    iconv_close(enc);

    // What Linux and macOS input methods type for characters a Windows user types in code
    // page 932; written as the Windows characters.
    constexpr std::pair<char32_t, std::uint16_t> lookAlikes[] = {
        {0x301C, 0x8160},  // wave dash
        {0x2016, 0x8161},  // double vertical line
        {0x2212, 0x817C},  // minus sign
        {0x00A2, 0x8191},  // cent sign
        {0x00A3, 0x8192},  // pound sign
        {0x00AC, 0x81CA},  // not sign
        {0x2014, 0x815C},  // em dash
    };
    for (const auto& [cp, bytes] : lookAlikes) {
        const DecodeEntry& e = t.pairs[bytes];
        if (t.encode[cp] == kNoBytes && t.isLead[bytes >> 8] && (e.info >> 4) == 2 &&
            !readsAs(t, bytes, kReplacementChar)) {
            t.encode[cp] = bytes;
        }
    }
    return t;
}

const Tables& tables() {
    static const Tables t = buildTables();
    return t;
}

// End of the run of ASCII bytes that starts at p.
const unsigned char* asciiRunEnd(const unsigned char* p, const unsigned char* end) {
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ull) break;
        p += 8;
    }
    while (p < end && *p < 0x80) ++p;
    return p;
}

// Reads one character of UTF-8 and moves p past it. A broken sequence reads as U+FFFD and
// takes its longest valid beginning (at least one byte); the byte that breaks it is left
// for the next character.
inline char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end) {
    const unsigned b0 = *p++;
    if (b0 < 0x80) return b0;
    unsigned need;
    char32_t cp;
    unsigned lo = 0x80;
    unsigned hi = 0xBF;
    if (b0 < 0xC2) {
        return kReplacementChar;
    } else if (b0 < 0xE0) {
        need = 1;
        cp = b0 & 0x1F;
    } else if (b0 < 0xF0) {
        need = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;  // overlong
        if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else if (b0 < 0xF5) {
        need = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;  // overlong
        if (b0 == 0xF4) hi = 0x8F;  // beyond U+10FFFF
    } else {
        return kReplacementChar;
    }
    for (unsigned i = 0; i < need; ++i) {
        if (p == end || *p < lo || *p > hi) return kReplacementChar;
        cp = cp << 6 | (*p++ & 0x3Fu);
        lo = 0x80;
        hi = 0xBF;
    }
    return cp;
}

// Line and column of a place in UTF-8 text, counted only when a character does not fit,
// so that text that encodes cleanly pays nothing for it.
class PositionCounter {
public:
    PositionCounter(const unsigned char* begin, const unsigned char* end)
        : m_scan(begin), m_end(end) {}

    // Counts up to `at`, which must start a character.
    void advanceTo(const unsigned char* at) {
        while (m_scan < at) {
            const char32_t cp = nextCodePoint(m_scan, m_end);
            if (cp == '\r') {
                ++m_line;
                m_column = 0;
                m_afterCr = true;
            } else if (cp == '\n' && m_afterCr) {
                m_afterCr = false;
            } else {
                ++m_column;
                m_afterCr = false;
            }
        }
    }
    std::size_t line() const { return m_line; }
    std::size_t column() const { return m_column + 1; }

private:
    const unsigned char* m_scan;
    const unsigned char* m_end;
    std::size_t m_line = 1;
    std::size_t m_column = 0;  // characters before m_scan on its line
    bool m_afterCr = false;
};

}  // namespace

void appendDecodedCp932(std::string_view bytes, std::string& out) {
    const Tables& t = tables();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    out.reserve(out.size() + bytes.size() + bytes.size() / 2);

    // The input goes in blocks through a buffer that holds a block's worst case, so the
    // inner loop checks nothing but its own end; each character is copied as four bytes.
    constexpr std::size_t kBlock = 4096;
    char buf[3 * (kBlock + 1) + 8];
    while (end - p >= 2) {
        // Every character here starts before the last byte, so both bytes can be looked at.
        const auto left = static_cast<std::size_t>(end - p - 1);
        const unsigned char* const stop = p + (left < kBlock ? left : kBlock);
        char* w = buf;
        while (p < stop) {
            if (stop - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if ((word & 0x8080808080808080ull) == 0) {
                    std::memcpy(w, p, 8);
                    w += 8;
                    p += 8;
                    continue;
                }
            }
            const DecodeEntry& e = t.pairs[static_cast<unsigned>(p[0]) << 8 | p[1]];
            std::memcpy(w, &e, sizeof e);
            w += e.info & 3;
            p += e.info >> 4;
        }
        out.append(buf, static_cast<std::size_t>(w - buf));
    }
    if (p < end) {
        const DecodeEntry& e = t.last[*p];
        out.append(e.utf8, e.info & 3u);
    }
}

std::string decodeCp932(std::string_view bytes) {
    std::string out;
    appendDecodedCp932(bytes, out);
    return out;
}

void appendEncodedCp932(std::string_view utf8, std::string& out,
                        std::vector<Unencodable>* unencodable, char replacement) {
    const Tables& t = tables();
    const auto* const begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = begin + utf8.size();
    const auto* p = begin;
    PositionCounter position(begin, end);

    // No character takes more bytes in code page 932 than in UTF-8, so the output fits in
    // as many bytes as the input has.
    const std::size_t base = out.size();
    out.resize(base + utf8.size());
    char* const start = out.data();
    char* w = start + base;

    while (p < end) {
        if (*p < 0x80) {
            const unsigned char* q = asciiRunEnd(p, end);
            std::memcpy(w, p, static_cast<std::size_t>(q - p));
            w += q - p;
            p = q;
            continue;
        }
        const unsigned char* charStart = p;
        const char32_t cp = nextCodePoint(p, end);
        const std::uint16_t bytes = cp < 0x10000 ? t.encode[cp] : kNoBytes;
        if (bytes < 0x100) {
            *w++ = static_cast<char>(bytes);
        } else if (bytes != kNoBytes) {
            w[0] = static_cast<char>(bytes >> 8);
            w[1] = static_cast<char>(bytes & 0xFF);
            w += 2;
        } else {
            if (unencodable) {
                position.advanceTo(charStart);
                unencodable->push_back({position.line(), position.column(), cp});
            }
            if (replacement != '\0') *w++ = replacement;
        }
    }
    out.resize(static_cast<std::size_t>(w - start));
}

EncodeResult encodeCp932(std::string_view utf8, char replacement) {
    EncodeResult result;
    appendEncodedCp932(utf8, result.bytes, &result.unencodable, replacement);
    return result;
}

std::string codePointLabel(char32_t codePoint) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(codePoint));
    return buf;
}

}  // namespace norvelle

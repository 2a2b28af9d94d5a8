#include "core/text/Cp932.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

// The codec is table driven: on first use the tables are filled from the code page's data,
// which is part of the program, and they answer from then on. Readme texts go through here
// whole, so both directions are written for speed.

namespace norvelle {

namespace {

constexpr char32_t kReplacementChar = 0xFFFD;

// What a byte, or a lead byte with the byte after it, reads as: up to four bytes of UTF-8,
// copied to the output in one go.
struct alignas(8) DecodeEntry {
    char utf8[4] = {};
    std::uint8_t length = 0;
};

constexpr std::uint16_t kNoBytes = kCp932NoBytes;

struct EncodeEntry {
    char bytes[2] = {};
    std::uint8_t length = 0;
};

struct Tables {
    std::array<bool, 256> isLead{};
    // A byte read on its own; a lead byte with nothing after it reads as U+FFFD.
    std::array<DecodeEntry, 256> single{};
    // A lead byte's row of `pairs`, 256 entries indexed by the byte after it.
    std::array<std::uint32_t, 256> rowStart{};
    std::vector<DecodeEntry> pairs;
    // Code point of the BMP to its bytes: a value below 0x100 is one byte, any other value
    // is lead byte * 256 + trail byte, kNoBytes means it does not fit.
    std::vector<std::uint16_t> encode;
    // The same, ready to copy: the bytes in output order and how many there are (0: none).
    // Writing a character then takes no branch on its length.
    std::vector<EncodeEntry> encodeOut;
    // Cp932RoundTrips. Bytes, not bits: a shift by a variable amount costs more than the room.
    std::vector<std::uint8_t> pairRoundTrips;
    std::array<bool, 256> singleRoundTrips{};
};

// The code page as Windows reads it, taken once from the C library's converter by
// tools/gen_cp932_data.cpp, with the single bytes 0x80, 0xA0 and 0xFD-0xFF that Windows reads
// as U+0080 and U+F8F0-U+F8F3 and the converter does not. Reading and writing must not depend
// on the system the program runs on: Windows has no such converter, and a Linux system may
// lack its module or the file descriptors to load it.
struct LeadRow {
    std::uint8_t lead;
    // UTF-8, one character for each second byte from kFirstTrail up; U+FFFD where the pair
    // is not a character.
    std::u8string_view cells;
};
// A lead byte followed by a lower byte is never a character.
constexpr unsigned kFirstTrail = 0x40;

#include "core/text/Cp932Data.inc"

// One character of the data's UTF-8 (characters of the BMP only) and its length in bytes;
// length 0 for anything else.
struct Cell {
    char32_t cp = 0;
    std::size_t length = 0;
};

constexpr Cell cellAt(std::u8string_view s, std::size_t i) {
    const unsigned b0 = s[i];
    if (b0 < 0x80) return {b0, 1};
    if (b0 >= 0xC2 && b0 < 0xE0 && i + 1 < s.size())
        return {(b0 & 0x1Fu) << 6 | (s[i + 1] & 0x3Fu), 2};
    if (b0 >= 0xE0 && b0 < 0xF0 && i + 2 < s.size())
        return {(b0 & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu), 3};
    return {};
}

constexpr bool holdsCells(std::u8string_view s, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < count; ++n) {
        if (i >= s.size()) return false;
        const std::size_t length = cellAt(s, i).length;
        if (length == 0) return false;
        i += length;
    }
    return i == s.size();
}

// A row that lost or gained a character would shift every character after it.
constexpr bool dataIsWhole() {
    if (!holdsCells(kSingleBytes, 0x80)) return false;
    unsigned previous = 0x7F;
    for (const LeadRow& row : kLeadRows) {
        if (row.lead <= previous || !holdsCells(row.cells, 0x100 - kFirstTrail)) return false;
        previous = row.lead;
    }
    return true;
}
static_assert(dataIsWhole(), "Cp932Data.inc: one character per byte, lead bytes in order");

void appendUtf8(char32_t cp, DecodeEntry& e) {
    char* w = e.utf8 + e.length;
    if (cp < 0x80) {
        w[0] = static_cast<char>(cp);
        e.length += 1;
    } else if (cp < 0x800) {
        w[0] = static_cast<char>(0xC0 | (cp >> 6));
        w[1] = static_cast<char>(0x80 | (cp & 0x3F));
        e.length += 2;
    } else {
        w[0] = static_cast<char>(0xE0 | (cp >> 12));
        w[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        w[2] = static_cast<char>(0x80 | (cp & 0x3F));
        e.length += 3;
    }
}

DecodeEntry entryOf(char32_t cp) {
    DecodeEntry e;
    appendUtf8(cp, e);
    return e;
}

const DecodeEntry* entryFor(const Tables& t, std::uint16_t bytes) {
    if (bytes < 0x100) return t.isLead[bytes] ? nullptr : &t.single[bytes];
    const unsigned lead = bytes >> 8;
    return t.isLead[lead] ? &t.pairs[t.rowStart[lead] + (bytes & 0xFFu)] : nullptr;
}

Tables buildTables() {
    Tables t;
    t.encode.assign(0x10000, kNoBytes);
    t.single.fill(entryOf(kReplacementChar));
    // ASCII reads the same in both encodings (0x5C is the backslash, 0x7E the tilde); the
    // fast paths rely on it.
    for (unsigned b = 0; b < 0x80; ++b) {
        t.single[b] = entryOf(b);
        t.encode[b] = static_cast<std::uint16_t>(b);
    }

    // Where several sequences read as one character (the NEC and IBM extensions overlap),
    // the lowest is written, single bytes before pairs, unless the data prefers another:
    // the data keeps to what the C library's converter writes.
    std::bitset<0x10000> preferred;
    for (const std::uint16_t bytes : kPreferredSequences) preferred.set(bytes);
    auto addSequence = [&](char32_t cp, std::uint16_t bytes) {
        if (cp < 0x80 || cp == kReplacementChar) return;  // ASCII stays ASCII
        if (t.encode[cp] == kNoBytes || preferred[bytes]) t.encode[cp] = bytes;
    };

    // What each byte and each lead byte * 256 + second byte reads as.
    std::vector<char32_t> codePoints(0x10000, kReplacementChar);
    for (unsigned b = 0; b < 0x80; ++b) codePoints[b] = b;
    std::size_t at = 0;
    for (unsigned b = 0x80; b < 0x100; ++b) {
        const Cell cell = cellAt(kSingleBytes, at);
        at += cell.length;
        codePoints[b] = cell.cp;
        if (cell.cp == kReplacementChar) continue;
        t.single[b] = entryOf(cell.cp);
        addSequence(cell.cp, static_cast<std::uint16_t>(b));
    }

    t.pairs.resize(256 * std::size(kLeadRows));
    std::uint32_t rows = 0;
    for (const LeadRow& leadRow : kLeadRows) {
        t.isLead[leadRow.lead] = true;
        t.rowStart[leadRow.lead] = 256 * rows++;
        DecodeEntry* row = &t.pairs[t.rowStart[leadRow.lead]];
        at = 0;
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            char32_t cp = kReplacementChar;
            if (trail >= kFirstTrail) {
                const Cell cell = cellAt(leadRow.cells, at);
                at += cell.length;
                cp = cell.cp;
            }
            row[trail] = entryOf(cp);
            if (cp != kReplacementChar) {
                addSequence(cp, static_cast<std::uint16_t>(leadRow.lead << 8 | trail));
                codePoints[leadRow.lead << 8 | trail] = cp;
            } else if (trail < 0x80) {
                // A broken pair whose second byte is ASCII: that byte is not part of the
                // broken character but read on its own, as itself.
                appendUtf8(trail, row[trail]);
            }
        }
    }

    // What Linux and macOS input methods type for characters that a Windows user types in
    // code page 932; written as the Windows characters. The yen sign (the ¥ key of a Mac JIS
    // keyboard) and the overline are what Japanese fonts show for 0x5C and 0x7E.
    constexpr std::pair<char32_t, std::uint16_t> lookAlikes[] = {
        {0x301C, 0x8160},  // wave dash
        {0x2016, 0x8161},  // double vertical line
        {0x2212, 0x817C},  // minus sign
        {0x00A2, 0x8191},  // cent sign
        {0x00A3, 0x8192},  // pound sign
        {0x00AC, 0x81CA},  // not sign
        {0x2014, 0x815C},  // em dash
        {0x00A5, 0x005C},  // yen sign
        {0x203E, 0x007E},  // overline
    };
    const DecodeEntry broken = entryOf(kReplacementChar);
    for (const auto& [cp, bytes] : lookAlikes) {
        const DecodeEntry* e = entryFor(t, bytes);
        if (t.encode[cp] == kNoBytes && e && std::memcmp(e->utf8, broken.utf8, 3) != 0) {
            t.encode[cp] = bytes;
        }
    }
    // Known only now that every character has the bytes it is written as.
    t.pairRoundTrips.assign(0x10000, 0);
    for (unsigned bytes = 0; bytes < 0x10000; ++bytes) {
        const char32_t cp = codePoints[bytes];
        const bool same = cp != kReplacementChar && t.encode[cp] == bytes;
        const unsigned char pair[2] = {static_cast<unsigned char>(bytes >> 8),
                                       static_cast<unsigned char>(bytes & 0xFF)};
        if (bytes < 0x100) t.singleRoundTrips[bytes] = same && !t.isLead[bytes];
        else t.pairRoundTrips[cp932PairIndex(pair)] = same;
    }
    t.encodeOut.resize(0x10000);
    for (std::size_t cp = 0; cp < 0x10000; ++cp) {
        const std::uint16_t bytes = t.encode[cp];
        EncodeEntry& e = t.encodeOut[cp];
        if (bytes == kNoBytes) continue;
        if (bytes < 0x100) {
            e.bytes[0] = static_cast<char>(bytes);
            e.length = 1;
        } else {
            e.bytes[0] = static_cast<char>(bytes >> 8);
            e.bytes[1] = static_cast<char>(bytes & 0xFF);
            e.length = 2;
        }
    }
    return t;
}

const Tables& tables() {
    static const Tables t = buildTables();
    return t;
}

bool eightAscii(const unsigned char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return (word & 0x8080808080808080ull) == 0;
}

// Reads one character of UTF-8 and moves p past it. A broken sequence reads as U+FFFD and
// takes its longest valid beginning (at least one byte); the byte that breaks it starts
// the next character.
inline char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end) {
    const unsigned b0 = *p++;
    if (b0 < 0x80) return b0;
    unsigned need;
    char32_t cp;
    unsigned lo = 0x80;
    unsigned hi = 0xBF;
    if (b0 < 0xC2 || b0 >= 0xF5) return kReplacementChar;  // never the start of a character
    if (b0 < 0xE0) {
        need = 1;
        cp = b0 & 0x1F;
    } else if (b0 < 0xF0) {
        need = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;  // overlong
        if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else {
        need = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;  // overlong
        if (b0 == 0xF4) hi = 0x8F;  // beyond U+10FFFF
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

// Both directions go through a small buffer a block of input at a time. The buffer holds
// a block's worst case, so the inner loops check nothing but their own end.
constexpr std::size_t kBlock = 4096;

}  // namespace

void appendDecodedCp932(std::string_view bytes, std::string& out) {
    const Tables& t = tables();
    // Local copies: otherwise the compiler must assume that writing a character may change
    // the tables and fetch them again for every character.
    const bool* const isLead = t.isLead.data();
    const DecodeEntry* const single = t.single.data();
    const std::uint32_t* const rowStart = t.rowStart.data();
    const DecodeEntry* const pairs = t.pairs.data();

    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    out.reserve(out.size() + bytes.size() + bytes.size() / 2);

    // A byte becomes at most three bytes of UTF-8, a pair at most four.
    char buf[3 * (kBlock + 1) + 8];
    while (end - p >= 2) {
        // Every character here starts before the last byte, so a lead byte always has a
        // byte after it.
        const auto left = static_cast<std::size_t>(end - p - 1);
        const unsigned char* const stop = p + (left < kBlock ? left : kBlock);
        char* w = buf;
        // Each kind of byte takes its own branch. Stepping by a value looked up in a table
        // would make every character wait for the look-up of the one before it.
        while (p < stop) {
            const unsigned first = *p;
            if (first < 0x80) {
                if (stop - p >= 8 && eightAscii(p)) {
                    std::memcpy(w, p, 8);
                    w += 8;
                    p += 8;
                } else {
                    *w++ = static_cast<char>(first);
                    ++p;
                }
            } else if (isLead[first]) {
                const DecodeEntry& e = pairs[rowStart[first] + p[1]];
                std::memcpy(w, e.utf8, 4);
                w += e.length;
                p += 2;
            } else {
                const DecodeEntry& e = single[first];
                std::memcpy(w, e.utf8, 4);
                w += e.length;
                ++p;
            }
        }
        out.append(buf, static_cast<std::size_t>(w - buf));
    }
    if (p < end) {
        const DecodeEntry& e = single[*p];
        out.append(e.utf8, e.length);
    }
}

std::string decodeCp932(std::string_view bytes) {
    std::string out;
    appendDecodedCp932(bytes, out);
    return out;
}

void appendEncodedCp932(std::string_view utf8, std::string& out,
                        std::vector<Unencodable>* unencodable, char replacement) {
    const std::uint16_t* const encode = tables().encode.data();
    const EncodeEntry* const encodeOut = tables().encodeOut.data();
    const auto* const begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = begin + utf8.size();
    const auto* p = begin;
    PositionCounter position(begin, end);
    // No character takes more bytes in code page 932 than in UTF-8, and one that straddles
    // the end of a block takes at most three bytes past it.
    out.reserve(out.size() + utf8.size());
    char buf[kBlock + 8];
    while (p < end) {
        const auto left = static_cast<std::size_t>(end - p);
        const unsigned char* const stop = p + (left < kBlock ? left : kBlock);
        char* w = buf;
        while (p < stop) {
            const unsigned b0 = *p;
            if (b0 < 0x80) {
                if (stop - p >= 8 && eightAscii(p)) {
                    std::memcpy(w, p, 8);
                    w += 8;
                    p += 8;
                } else {
                    *w++ = static_cast<char>(b0);
                    ++p;
                }
                continue;
            }
            if ((b0 & 0xF0) == 0xE0 && end - p >= 3) {
                // Three bytes, as nearly every Japanese character is. A broken sequence,
                // an overlong form, a surrogate (none of which has bytes in the table) and
                // a character that does not fit go the long way.
                const unsigned b1 = p[1];
                const unsigned b2 = p[2];
                const char32_t cp = (b0 & 0x0Fu) << 12 | (b1 & 0x3Fu) << 6 | (b2 & 0x3Fu);
                const EncodeEntry& e = encodeOut[cp];
                if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80 && cp >= 0x800 && e.length != 0) {
                    std::memcpy(w, e.bytes, 2);
                    w += e.length;
                    p += 3;
                    continue;
                }
            }
            const unsigned char* const charStart = p;
            const char32_t cp = nextCodePoint(p, end);
            const std::uint16_t bytes = cp < 0x10000 ? encode[cp] : kNoBytes;
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
        out.append(buf, static_cast<std::size_t>(w - buf));
    }
}

EncodeResult encodeCp932(std::string_view utf8, char replacement) {
    EncodeResult result;
    appendEncodedCp932(utf8, result.bytes, &result.unencodable, replacement);
    return result;
}

const Cp932RoundTrips& cp932RoundTrips() {
    static const Cp932RoundTrips roundTrips{tables().pairRoundTrips.data(),
                                            tables().singleRoundTrips.data(),
                                            tables().isLead.data()};
    return roundTrips;
}

const std::uint16_t* cp932Codes() { return tables().encode.data(); }

std::string codePointLabel(char32_t codePoint) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(codePoint));
    return buf;
}

}  // namespace norvelle

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace norvelle {

// A character of a text that code page 932 cannot hold, with its place in the text:
// line and column count from 1, the column in characters (code points), lines end at
// CR LF or at a CR alone.
struct Unencodable {
    std::size_t line = 0;
    std::size_t column = 0;
    char32_t codePoint = 0;
};

struct EncodeResult {
    std::string bytes;                     // the text in code page 932
    std::vector<Unencodable> unencodable;  // in order of appearance; empty when all fit
};

// Code page 932 (Shift-JIS as Windows writes it) to UTF-8, read as Windows reads it, down to
// the single bytes 0x80, 0xA0 and 0xFD-0xFF (U+0080, U+F8F0-U+F8F3), which encodeCp932 writes
// back as the same bytes. A byte sequence that is not valid code page 932 becomes U+FFFD;
// decoding never fails.
std::string decodeCp932(std::string_view bytes);
void appendDecodedCp932(std::string_view bytes, std::string& out);

// UTF-8 to code page 932. The look-alikes that Linux and macOS input methods produce
// (wave dash, double vertical line, minus sign, cent, pound, not, em dash) are written as
// the code page 932 characters a Windows user would have typed, and so are the yen sign of
// a Mac JIS keyboard and the overline, as 0x5C and 0x7E, which Japanese fonts show as them.
// Every other character that does not fit is reported, and `replacement` is written in its
// place (pass '\0' to write nothing). Invalid UTF-8 counts as U+FFFD, which does not fit
// either.
EncodeResult encodeCp932(std::string_view utf8, char replacement = '?');
void appendEncodedCp932(std::string_view utf8, std::string& out,
                        std::vector<Unencodable>* unencodable, char replacement = '?');

// Which characters come back as the same bytes from decodeCp932 and encodeCp932. The others
// are bytes that are not code page 932 and the duplicate codes of the NEC and IBM extensions,
// which are written back as the codes Windows prefers. Text without them can be worked on in
// its own bytes.
struct Cp932RoundTrips {
    const std::uint8_t* pairs;  // 1 for a lead byte and the byte after it, at cp932PairIndex
    const bool* singles;        // for a byte read on its own; never true for a lead byte
    const bool* leads;          // the lead bytes
};
const Cp932RoundTrips& cp932RoundTrips();

// Two bytes as one number in the machine's own order, as Cp932RoundTrips::pairs is indexed:
// no swapping for each character.
inline std::uint16_t cp932PairIndex(const unsigned char* p) {
    std::uint16_t index = 0;
    std::memcpy(&index, p, 2);
    return index;
}

// The bytes encodeCp932 writes each character of the BMP as, indexed by its code point: a
// value below 0x100 is one byte, any other the lead byte * 256 + the byte after it, and
// kCp932NoBytes a character that does not fit. The look-alikes have the bytes they are written
// as. For checks that look at every character of a text: one look-up each.
inline constexpr std::uint16_t kCp932NoBytes = 0xFFFF;
const std::uint16_t* cp932Codes();

// Human readable form of a code point, e.g. "U+1F600".
std::string codePointLabel(char32_t codePoint);

}  // namespace norvelle

#pragma once

#include <cstddef>
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

// Code page 932 (Shift-JIS as Windows writes it) to UTF-8. A byte sequence that is not
// valid code page 932 becomes U+FFFD; decoding never fails.
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

// What findCp932Char answers when a character on its way reads back as other bytes.
inline constexpr std::size_t kNoRoundTrip = std::string_view::npos - 1;

// Where the character `c` (an ASCII byte) first stands in the code page 932 `bytes`, at or
// after `from` (which must start a character); npos when it does not. The search walks whole
// characters, so the second byte of ゼ (0x83 0x5B) is no "[". It answers kNoRoundTrip instead
// as soon as a character before that place (or, without one, before the end) would not come
// back as the same bytes from decodeCp932 and encodeCp932: bytes that are not code page 932,
// and the duplicate codes of the NEC and IBM extensions, which are written back as the codes
// Windows prefers. Text without such characters can be worked on in its own bytes.
std::size_t findCp932Char(std::string_view bytes, std::size_t from, char c);

// Human readable form of a code point, e.g. "U+1F600".
std::string codePointLabel(char32_t codePoint);

}  // namespace norvelle

#pragma once

#include "core/text/Cp932.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace norvelle {

// How a plugin is written, and so how its Readme is written. Stored files (.sft, the
// registered lists, copyright.dat) are always code page 932; a plugin may also be UTF-8, as
// Windows' Notepad saves new files today, or UTF-16, as it saved "Unicode" files.
enum class TextEncoding {
    Cp932,
    Utf8,         // without a byte-order mark
    Utf8WithBom,  // starting with EF BB BF
    Utf16Le,      // starting with FF FE
    Utf16Be,      // starting with FE FF
};

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
inline constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

inline bool isUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

// What goes before the text in a file of this encoding: the byte-order mark, or nothing.
inline std::string_view byteOrderMark(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8WithBom: return kUtf8Bom;
        case TextEncoding::Utf16Le: return kUtf16LeBom;
        case TextEncoding::Utf16Be: return kUtf16BeBom;
        case TextEncoding::Cp932:
        case TextEncoding::Utf8: break;
    }
    return {};
}

// Decides a file's encoding from its bytes, fed in pieces as they are read, each ending
// between two lines (or at least between two characters), as plugins are read: a file that
// starts with the UTF-8 byte-order mark is UTF-8, one that starts with a UTF-16 mark is
// UTF-16 of that byte order; so is one without it that is valid UTF-8 throughout and holds
// at least one character outside ASCII; every other file is code page 932, as every plugin
// was before. Japanese text in code page 932 breaks the rules of UTF-8 within a few
// characters, so such a file is decided at once; a UTF-8 file, or one of ASCII alone, is
// decided only at its end.
class EncodingDetector {
public:
    // Looks at the next bytes of the file. True once the encoding is known, whatever follows.
    bool look(std::string_view bytes);
    // The encoding, once decided or once the whole file was looked at.
    TextEncoding encoding() const;

    // A NUL byte in what was looked at before the decision (the whole of the piece that
    // decided it included), in a file without a UTF-16 mark: no text file holds one, and
    // UTF-16 without its mark holds them on every line.
    bool sawNul() const { return m_nul; }

    // Where UTF-8 broke in the piece that decided code page 932, when that piece is UTF-8 but
    // for a few bytes (up to 4 KiB after the break, more characters outside ASCII fit UTF-8
    // than twice the pieces that break it): a UTF-8 file with a stray byte, read as code
    // page 932 because of it. npos for every other file.
    std::size_t strayByteAt() const { return m_strayAt; }

private:
    void decide(TextEncoding encoding) {
        m_encoding = encoding;
        m_decided = true;
    }

    bool m_decided = false;
    TextEncoding m_encoding = TextEncoding::Cp932;
    bool m_atStart = true;
    bool m_nonAscii = false;
    bool m_nul = false;
    std::size_t m_strayAt = std::string_view::npos;
};

// The encoding of a whole file.
TextEncoding detectEncoding(std::string_view bytes);

// The start of a file without its byte-order mark, which is no part of the text.
std::string_view withoutByteOrderMark(std::string_view fileStart, TextEncoding encoding);

// Decodes bytes of a file in `encoding` to UTF-8 and appends them to `out`. Bytes that are
// not valid in the encoding become U+FFFD (in UTF-8, one for each longest piece that could
// have started a character, as browsers do), so the text is always valid UTF-8. Cut between
// lines, bytes of code page 932 or UTF-8 decode piece by piece as they would at once; UTF-16
// goes through Utf16Decoder for that.
void appendDecoded(std::string_view bytes, TextEncoding encoding, std::string& out);

// UTF-16 to UTF-8, fed in pieces cut anywhere: a character cut between two pieces is
// completed by the next. A surrogate without its other half, and an odd byte at the end,
// become U+FFFD.
class Utf16Decoder {
public:
    explicit Utf16Decoder(bool bigEndian) : m_bigEndian(bigEndian) {}
    void decode(std::string_view bytes, std::string& out);
    // The end of the text.
    void finish(std::string& out);

private:
    bool m_bigEndian;
    bool m_hasOdd = false;
    unsigned char m_odd = 0;
    char16_t m_high = 0;  // a high surrogate waiting for its low one
};

// Reads the character of UTF-8 text at `at` and moves `at` past it. Bytes that break UTF-8
// read as one U+FFFD for the longest piece that could have started a character (at least one
// byte), as appendDecoded reads them.
char32_t nextCharacter(std::string_view text, std::size_t& at);

// Appends one character (a code point up to U+10FFFF) as UTF-8.
void appendUtf8(char32_t c, std::string& out);

// Appends UTF-8 text as UTF-16 code units, without a byte-order mark.
void appendEncodedUtf16(std::string_view utf8, bool bigEndian, std::string& out);
// A whole file's text.
std::string decodeText(std::string_view bytes, TextEncoding encoding);

// The text of a file read in blocks of whole lines, block after block: without the
// byte-order mark that starts the first, decoded, or as they are where they are valid UTF-8
// already. Always valid UTF-8, whatever the bytes. Never UTF-16, whose line ends are two
// bytes: PluginFile hands a UTF-16 plugin on as UTF-8.
class TextBlocks {
public:
    // `checked`: the blocks are UTF-8 already found valid, each byte of them, and go through
    // as they are.
    explicit TextBlocks(TextEncoding encoding, bool checked = false)
        : m_encoding(encoding), m_checked(checked && encoding != TextEncoding::Cp932) {}

    // The next block's text, valid until the next call.
    std::string_view of(std::string_view block);

private:
    TextEncoding m_encoding;
    bool m_checked;
    bool m_first = true;
    std::string m_decoded;
};

// The length of the longest start of `bytes` that is valid UTF-8 and ends between two
// characters.
std::size_t validUtf8Length(std::string_view bytes);

// A text (UTF-8) as the bytes of a file in `encoding`, the byte-order mark included. Only
// code page 932 can lack characters; they are reported and written as `replacement`.
EncodeResult encodeText(std::string_view utf8, TextEncoding encoding, char replacement = '?');

}  // namespace norvelle

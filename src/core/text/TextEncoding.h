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

// What goes before the text in a file of this encoding: the byte-order mark, or nothing.
inline std::string_view byteOrderMark(TextEncoding encoding) {
    return encoding == TextEncoding::Utf8WithBom ? kUtf8Bom : std::string_view();
}

// Decides a file's encoding from its bytes, fed in pieces as they are read, each ending
// between two lines (or at least between two characters), as plugins are read: a file that
// starts with the UTF-8 byte-order mark is UTF-8; so is one without it that is valid UTF-8
// throughout and holds at least one character outside ASCII; every other file is code page
// 932, as every plugin was before. Japanese text in code page 932 breaks the rules of UTF-8
// within a few characters, so such a file is decided at once; a UTF-8 file, or one of ASCII
// alone, is decided only at its end.
class EncodingDetector {
public:
    // Looks at the next bytes of the file. True once the encoding is known, whatever follows.
    bool look(std::string_view bytes);
    // The encoding, once decided or once the whole file was looked at.
    TextEncoding encoding() const;

private:
    void decide(TextEncoding encoding) {
        m_encoding = encoding;
        m_decided = true;
    }

    bool m_decided = false;
    TextEncoding m_encoding = TextEncoding::Cp932;
    bool m_atStart = true;
    bool m_nonAscii = false;
};

// The encoding of a whole file.
TextEncoding detectEncoding(std::string_view bytes);

// The start of a file without its byte-order mark, which is no part of the text.
std::string_view withoutByteOrderMark(std::string_view fileStart, TextEncoding encoding);

// Decodes bytes of a file in `encoding` to UTF-8 and appends them to `out`. Bytes that are
// not valid in the encoding become U+FFFD (in UTF-8, one for each longest piece that could
// have started a character, as browsers do), so the text is always valid UTF-8. Cut between
// lines, bytes decode piece by piece as they would at once.
void appendDecoded(std::string_view bytes, TextEncoding encoding, std::string& out);
// A whole file's text.
std::string decodeText(std::string_view bytes, TextEncoding encoding);

// The text of a file read in blocks of whole lines, block after block: without the
// byte-order mark that starts the first, decoded, or as they are where they are valid UTF-8
// already. Always valid UTF-8, whatever the bytes.
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

#include "core/text/TextEncoding.h"

#include "core/text/Cp932.h"
#include "core/text/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace norvelle {
namespace {

using test::readBytes;
using test::sjis;

TEST(TextEncoding, TellsUtf8PluginsFromCodePage932OnesAndReadsTheirText) {
    const std::string mark(kUtf8Bom);
    const struct {
        std::string bytes;
        TextEncoding encoding;
        std::string text;  // for code page 932: what decodeCp932 reads
    } cases[] = {
        {"", TextEncoding::Cp932, ""},
        {"Readme [$add1]\r\n", TextEncoding::Cp932, ""},  // ASCII alone, as it always was
        {sjis("ソフト名：表示\r\n"), TextEncoding::Cp932, ""},
        {"ソフト名：𠮷\r\n", TextEncoding::Utf8, "ソフト名：𠮷\r\n"},  // as Notepad saves it
        {mark + "表\r\n", TextEncoding::Utf8WithBom, "表\r\n"},        // the mark is no text
        {mark, TextEncoding::Utf8WithBom, ""},
        {mark + "Readme", TextEncoding::Utf8WithBom, "Readme"},
        // After a mark, broken UTF-8 reads as one U+FFFD for each broken character: cut
        // off, overlong, a surrogate, past U+10FFFF.
        {mark + "a\xE3\x81\r\n\xF0\x9F\x98", TextEncoding::Utf8WithBom, "a\uFFFD\r\n\uFFFD"},
        {mark + "\xC0\xAF\xED\xA0\x80\xF4\x90", TextEncoding::Utf8WithBom,
         "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        // Without a mark the whole file must be UTF-8: a code page 932 byte at its end, a
        // character cut off there, or the start of a mark alone make it code page 932.
        {"表示\x82", TextEncoding::Cp932, ""},
        {"表示\xE3\x81", TextEncoding::Cp932, ""},
        {"\xEF\xBB", TextEncoding::Cp932, ""},
        {"\xC0\xAF", TextEncoding::Cp932, ""},
        {"\xED\xA0\x80", TextEncoding::Cp932, ""},
        // Long Japanese text is checked eight bytes at a time: the leads E0 and ED with their
        // narrower second bytes, right and wrong, in the middle of it.
        {"表示表示\xE0\xA0\x80表示\xED\x9F\xBF表示表示", TextEncoding::Utf8,
         "表示表示\u0800表示\uD7FF表示表示"},
        {"表示表示\xED\xA0\x80表示表示表示", TextEncoding::Cp932, ""},
        {"表示表示\xE0\x9F\xBF表示表示表示", TextEncoding::Cp932, ""},
        // UTF-16 as Notepad saves it, with its mark: a character beyond U+FFFF in two
        // surrogates; a surrogate without its other half and an odd byte at the end are
        // U+FFFD.
        {std::string("\xFF\xFE\x68\x88\x42\xD8\xB7\xDF\r\0\n\0", 12), TextEncoding::Utf16Le,
         "表𠮷\r\n"},
        {std::string("\xFE\xFF\x88\x68\xD8\x42\xDF\xB7\0\r\0\n", 12), TextEncoding::Utf16Be,
         "表𠮷\r\n"},
        {std::string("\xFF\xFE\x42\xD8\x61\0\xB7\xDF\x61", 9), TextEncoding::Utf16Le,
         "\uFFFDa\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detectEncoding(c.bytes), c.encoding) << c.bytes;
        const std::string text = c.encoding == TextEncoding::Cp932 ? decodeCp932(c.bytes) : c.text;
        EXPECT_EQ(decodeText(c.bytes, c.encoding), text) << c.bytes;
        if (!isUtf16(c.encoding)) continue;
        // Cut anywhere, UTF-16 reads as it does at once, and a valid text is written back
        // as the same bytes.
        Utf16Decoder decoder(c.encoding == TextEncoding::Utf16Be);
        std::string pieces;
        for (const char b : std::string_view(c.bytes).substr(2)) decoder.decode({&b, 1}, pieces);
        decoder.finish(pieces);
        EXPECT_EQ(pieces, text);
        if (text.find("\uFFFD") == std::string::npos) {
            EXPECT_EQ(encodeText(text, c.encoding).bytes, c.bytes);
        }
    }

    // What the reader of a plugin is told besides the encoding: NUL bytes without a UTF-16
    // mark, and the first byte that broke a UTF-8 file.
    const struct {
        std::string bytes;
        bool nul;
        std::size_t strayAt;
    } told[] = {
        {std::string("R\0e\0a\0d\0\r\0\n\0", 12), true, std::string::npos},
        {std::string("\xFF\xFER\0e\0", 6), false, std::string::npos},
        {"こんにちは\x83です", false, 15},
        {"表\x83\x83示", false, std::string::npos},  // as many broken as fitting: not UTF-8
        {sjis("ソフト名：表示です\r\n"), false, std::string::npos},
    };
    for (const auto& t : told) {
        EncodingDetector detector;
        detector.look(t.bytes);
        EXPECT_EQ(detector.sawNul(), t.nul) << t.bytes;
        EXPECT_EQ(detector.strayByteAt(), t.strayAt) << t.bytes;
    }
}

// Every character of JIS X 0208 (rows 1 to 8 and 16 to 84) in code page 932.
std::vector<std::string> jisX0208() {
    std::vector<std::string> characters;
    for (int row = 1; row <= 84; ++row) {
        if (row > 8 && row < 16) continue;
        for (int cell = 1; cell <= 94; ++cell) {
            const int lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
            const int trail = row % 2 != 0 ? cell + 0x3F + (cell >= 64 ? 1 : 0) : cell + 0x9E;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            if (decodeCp932(bytes).find("\uFFFD") == std::string::npos) characters.push_back(bytes);
        }
    }
    return characters;
}

TEST(TextEncoding, TakesNoJapaneseTextInCodePage932ForUtf8) {
    std::size_t files = 0;
    std::size_t bytes = 0;
    auto expectCp932 = [&](const std::string& what, const std::string& file) {
        ++files;
        bytes += file.size();
        EXPECT_EQ(detectEncoding(file), TextEncoding::Cp932) << what << " would be read as UTF-8";
    };
    std::vector<std::string> characters = jisX0208();
    EXPECT_EQ(characters.size(), 6879u);
    // In the order of the code and shuffled, so that every character meets many neighbours,
    // in lines as long as those of a Readme and half as long, each line a plugin of its own.
    for (const bool shuffled : {false, true}) {
        if (shuffled) std::shuffle(characters.begin(), characters.end(), std::mt19937(932));
        for (const std::size_t length : {20, 40}) {
            for (std::size_t at = 0; at < characters.size(); at += length) {
                std::string line;
                for (std::size_t i = at; i < std::min(at + length, characters.size()); ++i)
                    line += characters[i];
                expectCp932("JIS X 0208 from " + std::to_string(at), line + "\r\n");
            }
        }
    }
    // The help file whole and every line of it on its own; the shipped plugins and the sample
    // plugin of the end-to-end tests whole. (Every plugin the other tests write is checked
    // where they write it.)
    const std::string help = readBytes(NORVELLE_HELP_FILE);
    expectCp932("norvelle.txt", help);
    forEachLine(help, [&](std::string_view line) {
        expectCp932("norvelle.txt: " + decodeCp932(line), std::string(line) + "\r\n");
    });
    for (const auto& entry : std::filesystem::directory_iterator(NORVELLE_PLUGIN_DIR)) {
        if (!entry.path().string().ends_with(".md.spd"))  // the one UTF-8 plugin
            expectCp932(entry.path().string(), readBytes(test::utf8Path(entry.path())));
    }
    std::string sample;
    for (const std::string& line : splitLines(readBytes(NORVELLE_E2E_SAMPLE_PLUGIN)))
        sample += sjis(line) + "\r\n";
    expectCp932("sample-plugin.txt", sample);
    std::cout << "code page 932 corpus: " << files << " files, " << bytes << " bytes\n";
}

}  // namespace
}  // namespace norvelle

#include "core/text/Cp932.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace norvelle {
namespace {

TEST(Cp932, WindowTextsRoundTripWithTheirKnownBytes) {
    // Kana of both widths, kanji, the long vowel mark, full-width letters, Japanese
    // punctuation and characters whose second byte is an ASCII backslash.
    const std::string texts[] = {
        "Eﾒｰﾙｱﾄﾞﾚｽの登録",
        "現在登録されているEメールアドレス",
        "Visual Basicのランタイムライブラリ",
        "ﾊﾞｰｼﾞｮﾝ情報\r\nReadme.txtを作成しました",
        "ＭＳ 明朝、ＭＳ ゴシック。「表示」",
        "ソフト名\\予定表\u2015ソ十申能表 C:\\￥１００",
    };
    for (const std::string& text : texts) {
        const EncodeResult r = encodeCp932(text);
        EXPECT_TRUE(r.unencodable.empty()) << text;
        EXPECT_EQ(decodeCp932(r.bytes), text);
    }
    EXPECT_EQ(encodeCp932("ソー、").bytes, "\x83\x5C\x81\x5B\x81\x41");
    EXPECT_EQ(encodeCp932("ＭＳﾊﾞ").bytes, "\x82\x6C\x82\x72\xCA\xDE");
    EXPECT_EQ(encodeCp932("\\~￥").bytes, "\\~\x81\x8F");
    // A backslash second byte belongs to its character, not to the text around it.
    EXPECT_EQ(decodeCp932("\x83\x5C\\\x95\x5C"), "ソ\\表");

    std::string ascii;
    for (int c = 0; c < 0x80; ++c) ascii += static_cast<char>(c);
    EXPECT_EQ(decodeCp932(ascii), ascii);
    EXPECT_EQ(encodeCp932(ascii).bytes, ascii);
}

TEST(Cp932, LookAlikesAreWrittenAsTheWindowsCharacters) {
    const char* const cases[][3] = {
        // typed, written, read back
        {"\u301C", "\x81\x60", "\uFF5E"}, {"\u2016", "\x81\x61", "\u2225"},
        {"\u2212", "\x81\x7C", "\uFF0D"}, {"\u00A2", "\x81\x91", "\uFFE0"},
        {"\u00A3", "\x81\x92", "\uFFE1"}, {"\u00AC", "\x81\xCA", "\uFFE2"},
        {"\u2014", "\x81\x5C", "\u2015"}, {"\u00A5", "\x5C", "\\"},
        {"\u203E", "\x7E", "~"},
    };
    for (const auto& c : cases) {
        const EncodeResult r = encodeCp932(c[0]);
        EXPECT_EQ(r.bytes, c[1]) << c[0];
        EXPECT_TRUE(r.unencodable.empty()) << c[0];
        EXPECT_EQ(decodeCp932(r.bytes), c[2]) << c[0];
        EXPECT_EQ(encodeCp932(c[2]).bytes, c[1]) << c[2];
    }
}

TEST(Cp932, CharactersThatDoNotFitAreReportedWhereTheyStand) {
    // Lines end at CR LF or a CR alone; a LF alone is a character of the line.
    const EncodeResult r = encodeCp932("a😀b\r\nｘ\u00E9\rc\n\u2603");
    EXPECT_EQ(r.bytes, "a?b\r\n\x82\x98?\rc\n?");
    ASSERT_EQ(r.unencodable.size(), 3u);
    const std::size_t expected[3][3] = {{1, 2, 0x1F600}, {2, 2, 0xE9}, {3, 3, 0x2603}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(r.unencodable[i].line, expected[i][0]) << i;
        EXPECT_EQ(r.unencodable[i].column, expected[i][1]) << i;
        EXPECT_EQ(r.unencodable[i].codePoint, expected[i][2]) << i;
    }
    EXPECT_EQ(codePointLabel(r.unencodable[0].codePoint), "U+1F600");
    EXPECT_EQ(codePointLabel(r.unencodable[1].codePoint), "U+00E9");
    EXPECT_EQ(encodeCp932("x\u2603y", '\0').bytes, "xy");
    EXPECT_EQ(encodeCp932("x\u2603y", '_').bytes, "x_y");

    // Broken UTF-8 (overlong forms and surrogates too) is U+FFFD, one per broken sequence;
    // the byte that breaks a sequence starts the next character.
    const EncodeResult bad = encodeCp932(
        "\xFF"
        "a\xE3\x81"
        "b\xE3\x81\x82\xC0\xAF"
        "c\xED\xA0\x80"
        "\xE0\x81\x9C");
    EXPECT_EQ(bad.bytes, "?a?b\x82\xA0??c??????");
    const std::size_t columns[] = {1, 3, 6, 7, 9, 10, 11, 12, 13, 14};
    ASSERT_EQ(bad.unencodable.size(), std::size(columns));
    for (std::size_t i = 0; i < std::size(columns); ++i) {
        EXPECT_EQ(bad.unencodable[i].column, columns[i]) << i;
        EXPECT_EQ(bad.unencodable[i].codePoint, U'\uFFFD') << i;
    }

    std::string out = "kept";
    appendEncodedCp932("\u2603", out, nullptr);
    EXPECT_EQ(out, "kept?");
}

TEST(Cp932, BytesReadAsWindowsReadsThemAndBrokenOnesAsReplacementCharacters) {
    // Windows reads these single bytes as characters and writes them back as they were, so
    // a file written there keeps them; the last one ends the text on its own.
    const std::string windowsBytes =
        "\x80"
        "a\xA0"
        "b\xFD\xFE\xFF";
    const std::string windowsText = "\u0080a\uF8F0b\uF8F1\uF8F2\uF8F3";
    EXPECT_EQ(decodeCp932(windowsBytes), windowsText);
    const EncodeResult written = encodeCp932(windowsText);
    EXPECT_EQ(written.bytes, windowsBytes);
    EXPECT_TRUE(written.unencodable.empty());

    // A lead byte whose second byte does not fit: an ASCII byte after it is kept.
    EXPECT_EQ(decodeCp932("\x85\x40"
                          "x"),
              "\uFFFD@x");
    EXPECT_EQ(decodeCp932("\x82\r\n"), "\uFFFD\r\n");
    EXPECT_EQ(decodeCp932("\x81\xFD"
                          "x"),
              "\uFFFDx");
    EXPECT_EQ(decodeCp932("ab\x82"), "ab\uFFFD");

    std::string out = "kept";
    appendDecodedCp932("\x82\xA0", out);
    EXPECT_EQ(out, "keptあ");
}

TEST(Cp932, LongTextsDecodeAndEncodeWhole) {
    // Long texts pieced together at random from pieces of known reading, broken ones
    // included, so that every kind of piece meets every other and every place where the
    // codec may cut a long text into parts.
    const char* const pieces[][2] = {
        // code page 932, UTF-8
        {"a", "a"},
        {"\r\n", "\r\n"},
        {"ASCII words", "ASCII words"},
        {"\x83\x5C", "ソ"},
        {"\x93\xFA\x96\x7B", "日本"},
        {"\xCA\xDE\xB0", "ﾊﾞｰ"},
        {"\xA0\x80\xFF", "\uF8F0\u0080\uF8F3"},
        {"\x85\x40", "\uFFFD@"},
        {"\x81\xFD", "\uFFFD"},
        // these last three are written as '?' and reported
        {"?", "\U0001F600"},
        {"?", "\xE3\x81"},
        {"?", "\xC0"},
    };
    std::mt19937 random(932);
    std::string cp932;
    std::string utf8;
    for (int i = 0; i < 200000; ++i) {
        const auto& piece = pieces[random() % 9];
        cp932 += piece[0];
        utf8 += piece[1];
    }
    EXPECT_EQ(decodeCp932(cp932), utf8);

    cp932.clear();
    utf8.clear();
    std::size_t reports = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::size_t k = random() % std::size(pieces);
        if (k >= 7 && k < 9) continue;  // pieces that do not read back as they are written
        cp932 += pieces[k][0];
        utf8 += pieces[k][1];
        if (k >= 9) ++reports;
    }
    const EncodeResult r = encodeCp932(utf8);
    EXPECT_EQ(r.bytes, cp932);
    EXPECT_EQ(r.unencodable.size(), reports);
}

}  // namespace
}  // namespace norvelle

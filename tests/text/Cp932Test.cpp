#include "text/Cp932.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <string>
#include <vector>

namespace norvelle {
namespace {

std::string toUtf8(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

// One conversion by iconv itself, from a fresh state: 0, or the errno it failed with.
int iconvConvert(const char* to, const char* from, std::string_view in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return errno;
    char buf[64];
    char* ip = const_cast<char*>(in.data());
    std::size_t il = in.size();
    char* op = buf;
    std::size_t ol = sizeof buf;
    const int err = iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) ? errno : 0;
    iconv_close(cd);
    out.assign(buf, sizeof buf - ol);
    return err;
}

TEST(Cp932, WindowTextsRoundTripWithTheirKnownBytes) {
    // Texts the program shows and writes, covering kana of both widths, kanji, the long
    // vowel mark, full-width letters, Japanese punctuation and the characters whose trail
    // byte is an ASCII backslash.
    const std::vector<std::string> texts = {
        "Eﾒｰﾙｱﾄﾞﾚｽの登録",
        "現在登録されているEメールアドレス",
        "Visual Basicのランタイムライブラリ",
        "ﾊﾞｰｼﾞｮﾝ情報",
        "Readme.txtを作成しました",
        "ＭＳ 明朝、ＭＳ ゴシック。「表示」",
        "ソフト名\\予定表\u2015ソ十申能表",
        "C:\\Program Files\\￥１００",
        "ﾎｰﾑﾍﾟｰｼﾞ\r\n必要ﾌｧｲﾙ\r\n",
    };
    for (const std::string& text : texts) {
        const EncodeResult r = encodeCp932(text);
        EXPECT_TRUE(r.unencodable.empty()) << text;
        EXPECT_EQ(decodeCp932(r.bytes), text);
    }
    EXPECT_EQ(encodeCp932("ソ").bytes, "\x83\x5C");
    EXPECT_EQ(encodeCp932("ー").bytes, "\x81\x5B");
    EXPECT_EQ(encodeCp932("ＭＳ").bytes, "\x82\x6C\x82\x72");
    EXPECT_EQ(encodeCp932("、").bytes, "\x81\x41");
    EXPECT_EQ(encodeCp932("ﾊﾞｰ").bytes, "\xCA\xDE\xB0");
    EXPECT_EQ(encodeCp932("\\~").bytes, "\\~");
    EXPECT_EQ(encodeCp932("￥").bytes, "\x81\x8F");
    // A backslash trail byte belongs to its character, not to the text around it.
    EXPECT_EQ(decodeCp932("\x83\x5C\\\x95\x5C"), "ソ\\表");
}

TEST(Cp932, AsciiIsUnchangedBothWays) {
    std::string ascii;
    for (int c = 0; c < 0x80; ++c) ascii += static_cast<char>(c);
    EXPECT_EQ(decodeCp932(ascii), ascii);
    const EncodeResult r = encodeCp932(ascii);
    EXPECT_EQ(r.bytes, ascii);
    EXPECT_TRUE(r.unencodable.empty());
}

TEST(Cp932, LookAlikesAreWrittenAsTheWindowsCharacters) {
    struct Case {
        const char* utf8;
        const char* bytes;
        const char* readBack;
    };
    const Case cases[] = {
        {"\u301C", "\x81\x60", "\uFF5E"}, {"\u2016", "\x81\x61", "\u2225"},
        {"\u2212", "\x81\x7C", "\uFF0D"}, {"\u00A2", "\x81\x91", "\uFFE0"},
        {"\u00A3", "\x81\x92", "\uFFE1"}, {"\u00AC", "\x81\xCA", "\uFFE2"},
        {"\u2014", "\x81\x5C", "\u2015"},
    };
    for (const Case& c : cases) {
        const EncodeResult r = encodeCp932(c.utf8);
        EXPECT_EQ(r.bytes, c.bytes) << c.utf8;
        EXPECT_TRUE(r.unencodable.empty()) << c.utf8;
        EXPECT_EQ(decodeCp932(r.bytes), c.readBack) << c.utf8;
        // The Windows characters themselves are written to the same bytes.
        EXPECT_EQ(encodeCp932(c.readBack).bytes, c.bytes) << c.readBack;
    }
}

TEST(Cp932, CharactersThatDoNotFitAreReportedWhereTheyStand) {
    // Lines end at CR LF or a CR alone; a LF alone is a character of the line.
    const EncodeResult r = encodeCp932("a😀b\r\nｘ\u00A5\rc\n\u2603");
    EXPECT_EQ(r.bytes, "a?b\r\n\x82\x98?\rc\n?");
    ASSERT_EQ(r.unencodable.size(), 3u);
    EXPECT_EQ(r.unencodable[0].line, 1u);
    EXPECT_EQ(r.unencodable[0].column, 2u);
    EXPECT_EQ(r.unencodable[0].codePoint, U'\U0001F600');
    EXPECT_EQ(r.unencodable[1].line, 2u);
    EXPECT_EQ(r.unencodable[1].column, 2u);
    EXPECT_EQ(r.unencodable[1].codePoint, U'\u00A5');
    EXPECT_EQ(r.unencodable[2].line, 3u);
    EXPECT_EQ(r.unencodable[2].column, 3u);
    EXPECT_EQ(r.unencodable[2].codePoint, U'\u2603');

    EXPECT_EQ(encodeCp932("x\u2603y", '\0').bytes, "xy");
    EXPECT_EQ(encodeCp932("x\u2603y", '_').bytes, "x_y");

    // Broken UTF-8 is U+FFFD, one per broken sequence; the byte that breaks a sequence
    // starts the next character.
    const EncodeResult bad = encodeCp932("\xFF" "a\xE3\x81" "b\xE3\x81\x82\xC0\xAF" "c\xED\xA0\x80");
    EXPECT_EQ(bad.bytes, "?a?b\x82\xA0??c???");
    ASSERT_EQ(bad.unencodable.size(), 7u);
    const std::size_t columns[] = {1, 3, 6, 7, 9, 10, 11};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(bad.unencodable[i].line, 1u);
        EXPECT_EQ(bad.unencodable[i].column, columns[i]) << i;
        EXPECT_EQ(bad.unencodable[i].codePoint, U'\uFFFD');
    }
    // The reports come in order when the text after them is long.
    const std::string longLine = std::string(5000, 'x') + "\u2603" + std::string(5000, 'x');
    const EncodeResult far = encodeCp932(longLine + "\r\n" + longLine);
    ASSERT_EQ(far.unencodable.size(), 2u);
    EXPECT_EQ(far.unencodable[1].line, 2u);
    EXPECT_EQ(far.unencodable[1].column, 5001u);

    std::vector<Unencodable> none;
    std::string out = "kept";
    appendEncodedCp932("ok", out, &none);
    EXPECT_EQ(out, "keptok");
    EXPECT_TRUE(none.empty());
}

TEST(Cp932, BrokenBytesReadAsReplacementCharacters) {
    // Bytes that are no character.
    EXPECT_EQ(decodeCp932("\x80" "a\xA0" "b\xFD\xFE\xFF"), "\uFFFD" "a\uFFFD" "b\uFFFD\uFFFD\uFFFD");
    // A lead byte with a trail that does not fit: an ASCII byte after it is kept.
    EXPECT_EQ(decodeCp932("\x85\x40" "x"), "\uFFFD@x");
    EXPECT_EQ(decodeCp932("\x82\x0D\x0A"), "\uFFFD\r\n");
    EXPECT_EQ(decodeCp932("\x81\xFD" "x"), "\uFFFDx");
    // A lead byte at the very end.
    EXPECT_EQ(decodeCp932("ab\x82"), "ab\uFFFD");
    EXPECT_EQ(decodeCp932(""), "");

    std::string out = "kept";
    appendDecodedCp932("\x82\xA0", out);
    EXPECT_EQ(out, "keptあ");
}

TEST(Cp932, LongTextsDecodeAndEncodeWhole) {
    // Long enough for any internal buffering, with runs of ASCII of every length.
    std::string utf8;
    std::string cp932;
    for (int i = 0; i < 20000; ++i) {
        const std::string ascii(static_cast<std::size_t>(i % 37), static_cast<char>('a' + i % 26));
        utf8 += ascii + "日本語ﾃｷｽﾄ";
        cp932 += ascii + "\x93\xFA\x96\x7B\x8C\xEA\xC3\xB7\xBD\xC4";
    }
    utf8 += std::string(100000, 'z');
    cp932 += std::string(100000, 'z');
    EXPECT_EQ(decodeCp932(cp932), utf8);
    EXPECT_EQ(encodeCp932(utf8).bytes, cp932);
}

TEST(Cp932, AgreesWithIconvOverTheWholeCodePage) {
    // Every byte and every pair after a lead byte reads as iconv reads it; what iconv
    // rejects reads as U+FFFD.
    std::vector<std::string> differ;
    for (int first = 0x80; first < 0x100; ++first) {
        const std::string one(1, static_cast<char>(first));
        std::string expected;
        const int err = iconvConvert("UTF-8", "CP932", one, expected);
        if (err != EINVAL) {
            if (decodeCp932(one) != (err == 0 ? expected : "\uFFFD")) differ.push_back(one);
            continue;
        }
        for (int trail = 0; trail < 0x100; ++trail) {
            const std::string pair = one + static_cast<char>(trail);
            const std::string ours = decodeCp932(pair);
            const bool valid = iconvConvert("UTF-8", "CP932", pair, expected) == 0;
            if (valid ? ours != expected : ours.rfind("\uFFFD", 0) != 0) {
                differ.push_back(pair);
            }
        }
    }
    EXPECT_TRUE(differ.empty()) << differ.size() << " sequences read differently";

    // Every code point of the BMP is written as iconv writes it, except the two that
    // iconv writes as bytes that read back as another character (yen sign and overline),
    // which are reported instead.
    differ.clear();
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::string utf8 = toUtf8(cp);
        std::string expected;
        const bool fits = iconvConvert("CP932", "UTF-8", utf8, expected) == 0;
        const EncodeResult r = encodeCp932(utf8, '\0');
        const bool same = fits ? r.unencodable.empty() && r.bytes == expected
                               : r.unencodable.size() == 1 && r.bytes.empty();
        if (!same) differ.push_back(codePointLabel(cp));
    }
    EXPECT_EQ(differ, (std::vector<std::string>{"U+00A5", "U+203E"}));

    // Where the NEC and IBM rows hold the same character, both read as it and the IBM
    // row is written, as Windows does.
    EXPECT_EQ(decodeCp932("\xEE\xEF\xFA\x40"), "ⅰⅰ");
    EXPECT_EQ(encodeCp932("ⅰ").bytes, "\xFA\x40");
    EXPECT_EQ(decodeCp932("\x87\x90\x81\xE0"), "≒≒");
    EXPECT_EQ(encodeCp932("≒").bytes, "\x81\xE0");
}

TEST(Cp932, CodePointLabels) {
    EXPECT_EQ(codePointLabel(U'A'), "U+0041");
    EXPECT_EQ(codePointLabel(U'\u00A5'), "U+00A5");
    EXPECT_EQ(codePointLabel(U'\uFFFD'), "U+FFFD");
    EXPECT_EQ(codePointLabel(U'\U0001F600'), "U+1F600");
}

}  // namespace
}  // namespace norvelle

#include "core/plugin/TokenValue.h"

#include <gtest/gtest.h>

namespace norvelle {
namespace {

// A form in which every field holds a different text.
SoftwareData filledForm() {
    SoftwareData d;
    d.softwareName = "ゾーン表示";
    d.version = "Ver 1.00";
    d.copyright = "山田太郎";
    d.environment = "Windows 95/98/Me";
    d.testedOn = "Windows 98で動作確認済み";
    d.redistribution = "転載前、作者に連絡";
    d.softwareType = "シェアウエア";
    d.fee = "\\500";
    d.email = "taro@example.org";
    d.homePage = "http://";
    d.additional = {"概要", "使い方", "", "履歴"};
    d.neededFiles = {{"A.DLL", true}, {"B.DLL", false}, {"C.DLL", true}};
    return d;
}

TEST(TokenValue, EachNameReadsItsOwnField) {
    const SoftwareData d = filledForm();
    const std::pair<const char*, std::string> table[] = {
        {"ソフト名", d.softwareName},
        {"バージョン", d.version},
        {"著作権", d.copyright},
        {"動作環境", d.environment},
        {"動作確認", d.testedOn},
        {"必要ファイル", "A.DLL、C.DLL"},
        {"転載", d.redistribution},
        {"種別", d.softwareType},
        {"シェア", d.fee},
        {"email", d.email},
        {"hp", "http://"},
        {"add1", "概要"},
        {"add2", "使い方"},
        {"add3", ""},
        {"add4", "履歴"},
    };
    for (const auto& [name, expected] : table) EXPECT_EQ(TokenValue(name, d), expected) << name;

    // The table of one snapshot agrees with the one-off lookup.
    const TokenTable tokens(d);
    for (const auto& [name, expected] : table) {
        ASSERT_TRUE(tokens.find(name).has_value()) << name;
        EXPECT_EQ(*tokens.find(name), expected) << name;
    }
}

TEST(TokenValue, OnlyTheExactNameIsKnown) {
    const SoftwareData d = filledForm();
    for (const char* name : {"Email", "EMAIL", " email", "email ", "ｅｍａｉｌ", "", "add0", "add5",
                             "add", "add10", "ｈｐ", "ソフト名 ", "ｿﾌﾄ名", "必要ﾌｧｲﾙ", "[$email"}) {
        EXPECT_EQ(TokenValue(name, d), "unknown...") << name;
        EXPECT_FALSE(TokenTable(d).find(name).has_value()) << name;
    }
}

TEST(TokenValue, NeededFilesAreTheTickedOnesInListOrder) {
    SoftwareData d;
    EXPECT_EQ(TokenValue("必要ファイル", d), "");  // empty list

    d.neededFiles = {{"A.DLL", false}, {"B.DLL", false}};
    EXPECT_EQ(TokenValue("必要ファイル", d), "");

    d.neededFiles[1].selected = true;
    EXPECT_EQ(TokenValue("必要ファイル", d), "B.DLL");

    d.neededFiles = {{"Z.DLL", true}, {"甲、乙.DLL", true}, {"M.DLL", false}, {"A.DLL", true}};
    EXPECT_EQ(TokenValue("必要ファイル", d), "Z.DLL、甲、乙.DLL、A.DLL");

    // Empty items still count as ticked entries.
    d.neededFiles = {{"", true}, {"", true}};
    EXPECT_EQ(TokenValue("必要ファイル", d), "、");
}

}  // namespace
}  // namespace norvelle

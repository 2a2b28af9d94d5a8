#include "core/text/Items.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvelle {
namespace {

using Items = std::vector<std::string>;

TEST(Items, SeparatorsAndEmptyItems) {
    EXPECT_EQ(readItems("x,y"), (Items{"x", "y"}));
    EXPECT_EQ(readItems("a\r\nb\rc\nd\r\n"), (Items{"a", "b", "c", "d"}));
    EXPECT_EQ(readItems("a,\r\n"), (Items{"a", ""}));
    EXPECT_EQ(readItems("a,"), (Items{"a", ""}));
    EXPECT_EQ(readItems(",,"), (Items{"", "", ""}));
    EXPECT_EQ(readItems("\r\n"), (Items{""}));
    EXPECT_EQ(readItems("a\r\n\r\nb\r\n"), (Items{"a", "", "b"}));
    EXPECT_EQ(readItems("a\n\rb"), (Items{"a", "", "b"}));
    EXPECT_EQ(readItems(""), Items{});
    EXPECT_EQ(readItems("a,b,c\r\nd", 2), (Items{"a", "b"}));
    EXPECT_EQ(readItems("\"a\"junk,b", 1), (Items{"a"}));
}

TEST(Items, SpacesAndTabs) {
    EXPECT_EQ(readItems("  abc"), (Items{"abc"}));
    EXPECT_EQ(readItems("abc  ,  d e "), (Items{"abc  ", "d e "}));
    EXPECT_EQ(readItems("\tabc"), (Items{"\tabc"}));
    EXPECT_EQ(readItems("   \r\n"), (Items{""}));
}

TEST(Items, QuotedItems) {
    EXPECT_EQ(readItems("\"a,b\"\r\n"), (Items{"a,b"}));
    EXPECT_EQ(readItems("a,b\r\n"), (Items{"a", "b"}));
    EXPECT_EQ(readItems("  \" x , y \",z"), (Items{" x , y ", "z"}));
    EXPECT_EQ(readItems("\"say \"\"hi\"\"\""), (Items{"say \"hi\""}));
    EXPECT_EQ(readItems("\"\"\r\n\"\"\"\"\r\n"), (Items{"", "\""}));
    // Text after the closing quote is dropped up to the next separator.
    EXPECT_EQ(readItems("\"ab\"cd,e"), (Items{"ab", "e"}));
    EXPECT_EQ(readItems("\"ab\" \"cd\"\r\nx"), (Items{"ab", "x"}));
    // A quote inside an unquoted item is an ordinary character.
    EXPECT_EQ(readItems("5\" disk,x"), (Items{"5\" disk", "x"}));
    // A quote that is never closed ends with its line.
    EXPECT_EQ(readItems("\"abc\r\nnext,\"more\""), (Items{"abc", "next", "more"}));
    EXPECT_EQ(readItems("\"a,b\nc"), (Items{"a,b", "c"}));
    EXPECT_EQ(readItems("\"tail"), (Items{"tail"}));
    EXPECT_EQ(readItems("\"ソ\\表\",ソ"), (Items{"ソ\\表", "ソ"}));
}

TEST(Items, QuotedItemsReadBackAsWritten) {
    EXPECT_EQ(quoteItem("abc"), "\"abc\"");
    EXPECT_EQ(quoteItem("a\"b"), "\"a\"\"b\"");
    const Items holders = {"abc", "a,b", "  spaced  ", "say \"hi\"", "\"", "", "株式会社ソフト"};
    for (const std::string& holder : holders) {
        EXPECT_EQ(readItems(quoteItem(holder) + "\r\n"), Items{holder}) << holder;
    }
}

TEST(Items, ListFileWriting) {
    // Every entry up to the last, an empty one as an empty line: what is read back is what
    // was written, position for position.
    const struct {
        Items entries;
        std::string file;
    } cases[] = {
        {{"a", "b"}, "a\r\nb\r\n"}, {{}, ""},
        {{"", "b"}, "\r\nb\r\n"},   {{"a", "", "c"}, "a\r\n\r\nc\r\n"},
        {{"a", ""}, "a\r\n\r\n"},   {{""}, "\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatListFile(c.entries), c.file);
        EXPECT_EQ(readItems(c.file), c.entries) << c.file;
    }
    // Written as typed, not quoted: a comma splits the entry when it is read back.
    EXPECT_EQ(formatListFile({"x,y", " s"}), "x,y\r\n s\r\n");
    EXPECT_EQ(readItems(formatListFile({"x,y", " s"})), (Items{"x", "y", "s"}));

    Items many;
    for (int i = 0; i < 20000; ++i) many.push_back(i == 5000 ? "" : "e" + std::to_string(i));
    const Items stored = readItems(formatListFile(many));
    ASSERT_EQ(stored.size(), kMaxListEntries);
    EXPECT_EQ(stored[5000], "");
    EXPECT_EQ(stored.back(), "e10000");
}

TEST(Items, MillionLineFileIsReadWhole) {
    std::string text;
    for (int i = 0; i < 1000000; ++i) {
        text += i % 3 == 0 ? "\"quoted, " + std::to_string(i) + "\"\r\n"
                           : "plain" + std::to_string(i) + "\r\n";
    }
    const Items items = readItems(text);
    ASSERT_EQ(items.size(), 1000000u);
    EXPECT_EQ(items[0], "quoted, 0");
    EXPECT_EQ(items[999998], "plain999998");
    EXPECT_EQ(items[999999], "quoted, 999999");
}

}  // namespace
}  // namespace norvelle

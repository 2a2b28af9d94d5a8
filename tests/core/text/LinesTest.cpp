#include "core/text/Lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvelle {
namespace {

using Lines = std::vector<std::string>;

TEST(Lines, EndAtCrLfOrCrAlone) {
    EXPECT_EQ(splitLines("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(splitLines("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(splitLines("a\rb\nc"), (Lines{"a", "b\nc"}));
    EXPECT_EQ(splitLines("\r\n\r\n"), (Lines{"", ""}));
    EXPECT_EQ(splitLines("a\r\r\nb\n"), (Lines{"a", "", "b\n"}));
    EXPECT_EQ(splitLines("\n\r"), (Lines{"\n"}));
    EXPECT_EQ(splitLines("no break"), (Lines{"no break"}));
    EXPECT_EQ(splitLines(""), Lines{});
    // Decoded text: a multi-byte character never ends a line.
    EXPECT_EQ(splitLines("ソフト\r\n表示"), (Lines{"ソフト", "表示"}));
}

}  // namespace
}  // namespace norvelle

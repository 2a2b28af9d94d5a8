#include "core/document/FileTitle.h"

#include <gtest/gtest.h>

namespace norvelle {
namespace {

TEST(FileTitleFromPath, TakesWhatFollowsTheLastSeparator) {
    EXPECT_EQ(FileTitleFromPath("C:\\dir\\a.sft"), "a.sft");
    EXPECT_EQ(FileTitleFromPath("C:a.sft"), "a.sft");
    EXPECT_EQ(FileTitleFromPath("C:\\dir\\"), "");
    EXPECT_EQ(FileTitleFromPath("/home/author/ソフト/説明.sft"), "説明.sft");
    EXPECT_EQ(FileTitleFromPath("/home/author/"), "");
    EXPECT_EQ(FileTitleFromPath("dir/sub\\x.txt"), "x.txt");
    // A name of only Japanese characters whose code page 932 bytes hold a backslash (ソ).
    EXPECT_EQ(FileTitleFromPath("ソフト.sft"), "(無題)");
    EXPECT_EQ(FileTitleFromPath("a.sft"), "(無題)");
    EXPECT_EQ(FileTitleFromPath(""), "(無題)");
}

}  // namespace
}  // namespace norvelle

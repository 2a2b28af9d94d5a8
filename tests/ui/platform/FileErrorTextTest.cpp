#include "core/io/FileResult.h"
#include "ui/platform/FileErrorText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace norvelle {
namespace {

// What the windows say when a file cannot be read or written: the reason in Japanese, never
// the C library's English; a number without words of its own is still named.
TEST(FileErrorText, ReasonsReachTheWindowsInJapanese) {
    EXPECT_EQ(describeError(errnoError(EACCES)), "アクセスが拒否されました。");
    EXPECT_EQ(describeFileError(FileErrc::FolderNotWritable, 0)
                  .rfind("フォルダに書き込む権限がありません。", 0),
              0u);
    for (int unknown : {EXDEV, EPIPE})  // not in the table, and in it for norvelle-cli only
        EXPECT_EQ(describeError(errnoError(unknown)),
                  "エラー " + std::to_string(unknown) + " (" + std::strerror(unknown) + ")");

    // A file too large is told with the limit of what it was read for.
    EXPECT_EQ(describeFileError(FileErrc::TooLarge, std::uint64_t{4} << 20),
              "ファイルが大きすぎます。扱えるのは 4 MB までです。");
    EXPECT_EQ(describeSize(512 * 1024), "512 KB");
    EXPECT_EQ(describeSize(1000), "1000 バイト");
}

}  // namespace
}  // namespace norvelle

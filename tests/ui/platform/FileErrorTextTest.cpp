#include "core/io/FileResult.h"
#include "ui/platform/FileErrorText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace norvelle {
namespace {

// What the windows say when a file cannot be read or written.
TEST(FileErrorText, WordsEveryReasonInJapanese) {
    const struct {
        int errnum;
        const char* text;
    } cases[] = {
        {EISDIR, "フォルダです。"},
        {ENOENT, "ファイルまたはフォルダが見つかりません。"},
        {ENOSPC, "ディスクの空き容量が足りません。"},
        {EACCES, "アクセスが拒否されました。"},
        {kNotRegularFileError, "通常のファイルではありません。"},
        {kFolderNotWritableError,
         "フォルダに書き込む権限がありません。Norvelle はファイルを丸ごと置き換えて保存するため、"
         "フォルダへの書き込みが必要です。"},
    };
    for (const auto& c : cases) EXPECT_EQ(describeErrno(c.errnum), c.text) << c.errnum;
    EXPECT_EQ(describeErrno(EXDEV),
              "エラー " + std::to_string(EXDEV) + " (" + std::strerror(EXDEV) + ")");

    EXPECT_EQ(describeTooLarge(std::uint64_t{4} << 20),
              "ファイルが大きすぎます。扱えるのは 4 MB までです。");
    EXPECT_EQ(describeFileError(kTooLargeError, 512 * 1024), describeTooLarge(512 * 1024));
    EXPECT_EQ(describeFileError(EACCES, 512 * 1024), describeErrno(EACCES));
    EXPECT_EQ(describeSize(512 * 1024), "512 KB");
    EXPECT_EQ(describeSize(1000), "1000 バイト");
}

}  // namespace
}  // namespace norvelle

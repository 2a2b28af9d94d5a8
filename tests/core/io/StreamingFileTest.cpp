#include "core/io/AtomicFileWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace norvelle {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

TEST(AtomicFileWriter, TheOldFileStaysWholeUntilCommit) {
    TempDir dir;
    auto files = [&dir] {
        return std::distance(std::filesystem::directory_iterator(dir.path()), {});
    };
    writeBytes("Readme.txt", "old\r\n");
    ::chmod("Readme.txt", 0640);
    {
        AtomicFileWriter writer;
        ASSERT_FALSE(writer.open("Readme.txt"));
        EXPECT_FALSE(writer.write("new "));
        EXPECT_FALSE(writer.write("text\r\n"));
        EXPECT_EQ(readBytes("Readme.txt"), "old\r\n");
        ASSERT_FALSE(writer.commit());
    }
    EXPECT_EQ(readBytes("Readme.txt"), "new text\r\n");
    struct stat st;
    ASSERT_EQ(::stat("Readme.txt", &st), 0);
    if (!test::kOnWindows) {
        EXPECT_EQ(st.st_mode & 07777, 0640u);
    }
    EXPECT_EQ(files(), 1);

    // A writer dropped before commit, or failing at any step, leaves nothing behind.
    {
        AtomicFileWriter writer;
        ASSERT_FALSE(writer.open("Readme.txt"));
        EXPECT_FALSE(writer.write("half"));
    }
    for (const char* step : {"write", "sync", "rename"}) {
        setWriteFaultInjector([step](std::string_view s, const std::string&) {
            return s == step ? errnoError(ENOSPC) : std::error_code();
        });
        AtomicFileWriter writer;
        ASSERT_FALSE(writer.open("Readme.txt")) << step;
        const std::error_code written = writer.write("new\r\n");
        EXPECT_EQ(written ? written : writer.commit(), errnoError(ENOSPC)) << step;
    }
    setWriteFaultInjector(nullptr);
    EXPECT_EQ(readBytes("Readme.txt"), "new text\r\n");
    EXPECT_EQ(files(), 1);

    AtomicFileWriter writer;
    EXPECT_EQ(writer.open(test::kNullDevice), FileErrc::NotRegularFile);  // never renamed over
    EXPECT_EQ(writer.commit(), errnoError(EBADF));
}

}  // namespace
}  // namespace norvelle

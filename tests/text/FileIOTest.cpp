#include "text/FileIO.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace norvelle {
namespace {

using test::namesIn;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

mode_t modeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class FileIO : public ::testing::Test {
protected:
    void TearDown() override { setWriteFaultInjector(nullptr); }
    TempDir dir;
};

TEST_F(FileIO, ReadsWholeFilesAndTellsMissingFromBroken) {
    const std::string bytes("line\r\n\0\x83\x5C\r\n", 10);
    writeBytes("plain.dat", bytes);
    ReadResult r = readFileBytes("plain.dat");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.bytes, bytes);

    writeBytes("empty.dat", "");
    EXPECT_TRUE(readFileBytes("empty.dat").ok());
    EXPECT_EQ(readFileBytes("absent.dat").status, ReadResult::Status::Missing);
    EXPECT_EQ(readFileBytes("plain.dat/inside").status, ReadResult::Status::Missing);

    std::filesystem::create_directory("folder.dat");
    r = readFileBytes("folder.dat");
    EXPECT_EQ(r.status, ReadResult::Status::Error);
    EXPECT_EQ(r.error, "フォルダです。");

    // A named pipe with no writer must not hang the program.
    ASSERT_EQ(::mkfifo("pipe.dat", 0644), 0);
    r = readFileBytes("pipe.dat");
    EXPECT_EQ(r.status, ReadResult::Status::Error);
    EXPECT_FALSE(r.error.empty());

    writeBytes("text.dat", test::sjis("ソフト名\r\n"));
    EXPECT_EQ(readTextFile("text.dat").bytes, "ソフト名\r\n");

    EXPECT_TRUE(fileExists("folder.dat"));
    EXPECT_FALSE(fileExists("absent.dat"));
    EXPECT_EQ(fileSize("plain.dat"), std::optional<std::uint64_t>(bytes.size()));
    EXPECT_EQ(fileSize("folder.dat"), std::nullopt);
}

TEST_F(FileIO, ReadsNoMoreThanTheLimit) {
    // A sparse file: a gigabyte on paper, nothing on the disk.
    writeBytes("huge.dat", "");
    ASSERT_EQ(::truncate("huge.dat", std::int64_t{1} << 30), 0);
    ReadResult r = readTextFile("huge.dat", 1000);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(r.bytes, std::string(1000, '\0'));

    writeBytes("exact.dat", "12345");
    r = readFileBytes("exact.dat", 5);
    EXPECT_FALSE(r.truncated);
    EXPECT_EQ(r.bytes, "12345");
    r = readFileBytes("exact.dat", 4);
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(r.bytes, "1234");
    EXPECT_EQ(readFileBytes("exact.dat", 0).bytes, "");

    EXPECT_EQ(describeTooLarge(std::uint64_t{4} << 20),
              "ファイルが大きすぎます。扱えるのは 4 MB までです。");
    EXPECT_EQ(describeSize(512 * 1024), "512 KB");
    EXPECT_EQ(describeSize(1000), "1000 バイト");
}

TEST_F(FileIO, WritesNewAndReplacedFiles) {
    const mode_t previous = ::umask(022);
    EXPECT_TRUE(writeFileAtomic("new.txt", "a\r\nb\r\n").ok);
    ::umask(previous);
    EXPECT_EQ(readBytes("new.txt"), "a\r\nb\r\n");
    EXPECT_EQ(modeOf("new.txt"), 0644u);

    // A replaced file keeps its permissions, and nothing but the file is left behind.
    writeBytes("old.txt", "old text that is longer than the new one");
    ASSERT_EQ(::chmod("old.txt", 0640), 0);
    EXPECT_TRUE(writeFileAtomic(dir.file("old.txt"), "new").ok);
    EXPECT_EQ(readBytes("old.txt"), "new");
    EXPECT_EQ(modeOf("old.txt"), 0640u);

    EXPECT_TRUE(writeFileAtomic("old.txt", "").ok);
    EXPECT_EQ(readBytes("old.txt"), "");
    EXPECT_EQ(namesIn("."), (std::set<std::string>{"new.txt", "old.txt"}));

    // Saving through a symbolic link updates the file it points at and keeps the link.
    std::filesystem::create_directory("real");
    writeBytes("real/target.txt", "before");
    std::filesystem::create_symlink("real/target.txt", "link.txt");
    EXPECT_TRUE(writeFileAtomic("link.txt", "after").ok);
    EXPECT_TRUE(std::filesystem::is_symlink("link.txt"));
    EXPECT_EQ(readBytes("real/target.txt"), "after");
    EXPECT_EQ(namesIn("real"), std::set<std::string>{"target.txt"});

    // A link to a file that does not exist yet creates that file.
    std::filesystem::create_symlink("real/later.txt", "dangling.txt");
    EXPECT_TRUE(writeFileAtomic("dangling.txt", "made").ok);
    EXPECT_TRUE(std::filesystem::is_symlink("dangling.txt"));
    EXPECT_EQ(readBytes("real/later.txt"), "made");
}

TEST_F(FileIO, FailedWritesLeaveTheOldFileWhole) {
    const WriteResult noFolder = writeFileAtomic("nowhere/list.dat", "x");
    EXPECT_FALSE(noFolder.ok);
    EXPECT_EQ(noFolder.error, "ファイルまたはフォルダが見つかりません。");

    std::filesystem::create_directory("folder.dat");
    const WriteResult onFolder = writeFileAtomic("folder.dat", "x");
    EXPECT_FALSE(onFolder.ok);
    EXPECT_EQ(onFolder.error, "フォルダです。");

    const std::string old = "old\r\n\x83\x5C\r\n";
    writeBytes("list.dat", old);
    const std::set<std::string> before = namesIn(".");
    for (const char* failing : {"open", "write", "sync", "rename"}) {
        std::vector<std::string> steps;
        setWriteFaultInjector([&](std::string_view step, const std::string& path) {
            steps.emplace_back(step);
            EXPECT_EQ(path, "list.dat");
            return step == failing ? ENOSPC : 0;
        });
        const WriteResult r = writeFileAtomic("list.dat", "new text");
        EXPECT_FALSE(r.ok) << failing;
        EXPECT_EQ(r.error, "ディスクの空き容量が足りません。") << failing;
        EXPECT_EQ(steps.back(), failing);
        EXPECT_EQ(readBytes("list.dat"), old) << failing;
        EXPECT_EQ(namesIn("."), before) << failing;
    }
    setWriteFaultInjector(nullptr);
    EXPECT_TRUE(writeFileAtomic("list.dat", "new text").ok);
    EXPECT_EQ(readBytes("list.dat"), "new text");
}

TEST_F(FileIO, PermissionsAreHonoured) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads and writes files without permission";
    writeBytes("secret.dat", "x");
    ASSERT_EQ(::chmod("secret.dat", 0200), 0);
    const ReadResult read = readFileBytes("secret.dat");
    EXPECT_EQ(read.status, ReadResult::Status::Error);
    EXPECT_EQ(read.error, "アクセスが拒否されました。");

    // A read-only file is not replaced behind the user's back, though its folder allows it.
    writeBytes("locked.dat", "kept");
    ASSERT_EQ(::chmod("locked.dat", 0444), 0);
    const WriteResult r = writeFileAtomic("locked.dat", "lost");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "アクセスが拒否されました。");
    EXPECT_EQ(readBytes("locked.dat"), "kept");
    EXPECT_EQ(modeOf("locked.dat"), 0444u);
    EXPECT_EQ(namesIn("."), (std::set<std::string>{"locked.dat", "secret.dat"}));
}

TEST_F(FileIO, RemovesFiles) {
    writeBytes("gone.dat", "x");
    EXPECT_TRUE(removeFile("gone.dat").ok);
    EXPECT_FALSE(test::exists("gone.dat"));
    EXPECT_TRUE(removeFile("gone.dat").ok);

    writeBytes("kept.dat", "x");
    setWriteFaultInjector(
        [](std::string_view step, const std::string&) { return step == "remove" ? EIO : 0; });
    const WriteResult r = removeFile("kept.dat");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, describeErrno(EIO));
    EXPECT_TRUE(test::exists("kept.dat"));
}

TEST(FileIOErrors, UncommonErrorsNameTheirNumber) {
    EXPECT_EQ(describeErrno(EXDEV),
              "エラー " + std::to_string(EXDEV) + " (" + std::strerror(EXDEV) + ")");
}

}  // namespace
}  // namespace norvelle

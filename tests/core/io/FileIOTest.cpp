#include "core/io/AtomicFileWriter.h"
#include "core/io/FileLock.h"
#include "core/io/FileReader.h"
#include "core/io/ScratchFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
    EXPECT_EQ(r.error, errnoError(EISDIR));

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
    std::filesystem::resize_file("huge.dat", std::uintmax_t{1} << 30);
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
}

TEST_F(FileIO, WritesNewAndReplacedFiles) {
    EXPECT_TRUE(writeFileAtomic("new.txt", "a\r\nb\r\n").ok);
    EXPECT_EQ(readBytes("new.txt"), "a\r\nb\r\n");

    // Nothing but the file is left behind, whatever the new text's length.
    writeBytes("old.txt", "old text that is longer than the new one");
    EXPECT_TRUE(writeFileAtomic(dir.file("old.txt"), "new").ok);
    EXPECT_EQ(readBytes("old.txt"), "new");
    EXPECT_TRUE(writeFileAtomic("old.txt", "").ok);
    EXPECT_EQ(readBytes("old.txt"), "");
    EXPECT_EQ(namesIn("."), (std::set<std::string>{"new.txt", "old.txt"}));
}

TEST_F(FileIO, FailedWritesLeaveTheOldFileWhole) {
    const WriteResult noFolder = writeFileAtomic("nowhere/list.dat", "x");
    EXPECT_FALSE(noFolder.ok);
    EXPECT_EQ(noFolder.error, errnoError(ENOENT));

    std::filesystem::create_directory("folder.dat");
    const WriteResult onFolder = writeFileAtomic("folder.dat", "x");
    EXPECT_FALSE(onFolder.ok);
    EXPECT_EQ(onFolder.error, errnoError(EISDIR));

    const std::string old = "old\r\n\x83\x5C\r\n";
    writeBytes("list.dat", old);
    const std::set<std::string> before = namesIn(".");
    for (const char* failing : {"open", "write", "sync", "rename"}) {
        std::vector<std::string> steps;
        setWriteFaultInjector([&](std::string_view step, const std::string& path) {
            steps.emplace_back(step);
            EXPECT_EQ(path, "list.dat");
            return step == failing ? errnoError(ENOSPC) : std::error_code();
        });
        const WriteResult r = writeFileAtomic("list.dat", "new text");
        EXPECT_FALSE(r.ok) << failing;
        EXPECT_EQ(r.error, errnoError(ENOSPC)) << failing;
        EXPECT_EQ(steps.back(), failing);
        EXPECT_EQ(readBytes("list.dat"), old) << failing;
        EXPECT_EQ(namesIn("."), before) << failing;
    }
    setWriteFaultInjector(nullptr);
    EXPECT_TRUE(writeFileAtomic("list.dat", "new text").ok);
    EXPECT_EQ(readBytes("list.dat"), "new text");
}

// Where a Readme waits on its way to standard output: the user's temporary folder, and
// nothing of it left there once closed.
TEST_F(FileIO, ScratchFilesGoToTheUsersTemporaryFolder) {
    const char* variable = test::kOnWindows ? "TMP" : "TMPDIR";
    const std::string previous = std::getenv(variable) ? std::getenv(variable) : "";
    const auto pointAt = [variable](const std::string& folder) {  // "" unsets it
#ifdef _WIN32
        _putenv_s(variable, folder.c_str());
#else
        if (folder.empty())
            unsetenv(variable);
        else
            setenv(variable, folder.c_str(), 1);
#endif
    };
    pointAt(dir.file("missing"));
    errno = 0;
    std::FILE* none = openScratchFile();
    const int noneErr = errno;
    pointAt(dir.path());
    std::FILE* scratch = openScratchFile();
    pointAt(previous);

    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(noneErr, ENOENT);
    ASSERT_NE(scratch, nullptr);
    EXPECT_GE(std::fputs("Readme\r\n", scratch), 0);
    EXPECT_EQ(std::fclose(scratch), 0);
    EXPECT_TRUE(namesIn(".").empty());
}

TEST_F(FileIO, ALockHasOneHolderAtATimeAndIsWaitedForNoLongerThanAsked) {
    using std::chrono::milliseconds;
    FileLock first;
    ASSERT_FALSE(first.lock(".shared.lock", milliseconds(0)));
    FileLock second;  // another window's, in this process as in another one
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(second.lock(".shared.lock", milliseconds(100)), FileErrc::LockTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(100));
    first.unlock();
    EXPECT_FALSE(second.lock(".shared.lock", milliseconds(0)));
    EXPECT_EQ(readBytes(".shared.lock"), "");  // it stays, empty, for the next holder
    // A folder where the lock file should be is no lock file, and nothing locks it.
    std::filesystem::create_directory(".folder.lock");
    EXPECT_EQ(FileLock().lock(".folder.lock", milliseconds(0)), errnoError(EISDIR));
}

TEST_F(FileIO, RemovesFiles) {
    writeBytes("gone.dat", "x");
    EXPECT_TRUE(removeFile("gone.dat").ok);
    EXPECT_FALSE(test::exists("gone.dat"));
    EXPECT_TRUE(removeFile("gone.dat").ok);

    writeBytes("kept.dat", "x");
    setWriteFaultInjector([](std::string_view step, const std::string&) {
        return step == "remove" ? errnoError(EIO) : std::error_code();
    });
    const WriteResult r = removeFile("kept.dat");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, errnoError(EIO));
    EXPECT_TRUE(test::exists("kept.dat"));
}

}  // namespace
}  // namespace norvelle

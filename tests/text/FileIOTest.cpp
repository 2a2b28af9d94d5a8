#include "text/FileIO.h"

#include "support/TempDir.h"
#include "support/ThrowAwayUser.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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
    EXPECT_EQ(r.errnum, EISDIR);

    // A named pipe with no writer must not hang the program.
    ASSERT_EQ(::mkfifo("pipe.dat", 0644), 0);
    r = readFileBytes("pipe.dat");
    EXPECT_EQ(r.status, ReadResult::Status::Error);
    EXPECT_EQ(r.errnum, kNotRegularFileError);

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
    EXPECT_EQ(noFolder.errnum, ENOENT);

    std::filesystem::create_directory("folder.dat");
    const WriteResult onFolder = writeFileAtomic("folder.dat", "x");
    EXPECT_FALSE(onFolder.ok);
    EXPECT_EQ(onFolder.errnum, EISDIR);

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
        EXPECT_EQ(r.errnum, ENOSPC) << failing;
        EXPECT_EQ(steps.back(), failing);
        EXPECT_EQ(readBytes("list.dat"), old) << failing;
        EXPECT_EQ(namesIn("."), before) << failing;
    }
    setWriteFaultInjector(nullptr);
    EXPECT_TRUE(writeFileAtomic("list.dat", "new text").ok);
    EXPECT_EQ(readBytes("list.dat"), "new text");
}

// Permissions bind for an ordinary user; run as root, the test makes one.
TEST_F(FileIO, PermissionsAreHonoured) {
    test::ThrowAwayUser user;
    if (!user.ready()) GTEST_SKIP() << user.whyNot();
    user.give(dir.path());
    writeBytes("secret.dat", "x");
    writeBytes("locked.dat", "kept");
    std::filesystem::create_directory("sealed");
    writeBytes("sealed/Readme.txt", "old");
    std::filesystem::create_directory("closed");
    for (const char* mine : {"secret.dat", "locked.dat", "sealed/Readme.txt"}) user.give(mine);
    ASSERT_EQ(::chmod("secret.dat", 0200), 0);
    ASSERT_EQ(::chmod("locked.dat", 0444), 0);
    ASSERT_EQ(::chmod("sealed", 0755), 0);  // the folder stays the test's own
    ASSERT_EQ(::chmod("closed", 0700), 0);

    // Each check is a bit of the child's exit code: the bits set are the checks that failed.
    const int status = user.run([] {
        int failed = 0;
        const ReadResult read = readFileBytes("secret.dat");
        if (read.status != ReadResult::Status::Error || read.errnum != EACCES) failed |= 1;
        // A read-only file is not replaced behind the user's back, though its folder allows it.
        if (writeFileAtomic("locked.dat", "lost").errnum != EACCES) failed |= 2;
        // A file the user may write in a folder the user may not: the reason is the folder.
        if (writeFileAtomic("sealed/Readme.txt", "new").errnum != kFolderNotWritableError)
            failed |= 4;
        // A file that cannot be looked at is not a missing file.
        const FileLookup hidden = lookUpFile("closed/Needfiles.dat");
        if (hidden.state != FileState::Unknown || hidden.errnum != EACCES) failed |= 8;
        return failed;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed checks (bits)";
    EXPECT_EQ(readBytes("locked.dat"), "kept");
    EXPECT_EQ(modeOf("locked.dat"), 0444u);
    EXPECT_EQ(readBytes("sealed/Readme.txt"), "old");
    EXPECT_EQ(namesIn("."), (std::set<std::string>{"closed", "locked.dat", "sealed", "secret.dat"}));
    EXPECT_EQ(namesIn("sealed"), std::set<std::string>{"Readme.txt"});
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
    EXPECT_EQ(r.errnum, EIO);
    EXPECT_TRUE(test::exists("kept.dat"));
}

// Another local user plants a link in /tmp, where the user's build script writes its Readme,
// pointing at one of the user's own files. The kernel refuses to follow such a link when the
// user opens it; the writer, which follows links itself, must refuse it too.
TEST_F(FileIO, NeverFollowsAnotherUsersLinkInASharedFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a link that belongs to another user";
    std::filesystem::create_directory("shared");
    ASSERT_EQ(::chmod("shared", 01777), 0);
    writeBytes("important.txt", "the victim's own text");
    std::filesystem::create_symlink(dir.file("important.txt"), "shared/r.txt");
    ASSERT_EQ(::lchown("shared/r.txt", 4242, 4242), 0);

    const WriteResult planted = writeFileAtomic("shared/r.txt", "Readme");
    EXPECT_FALSE(planted.ok);
    EXPECT_EQ(planted.errnum, kUnsafeLinkError);
    EXPECT_EQ(readBytes("important.txt"), "the victim's own text");
    EXPECT_EQ(namesIn("shared"), std::set<std::string>{"r.txt"});

    // The user's own link there, or one in a folder that is not shared, is followed as ever.
    ASSERT_EQ(::lchown("shared/r.txt", ::geteuid(), ::getegid()), 0);
    EXPECT_TRUE(writeFileAtomic("shared/r.txt", "Readme").ok);
    EXPECT_EQ(readBytes("important.txt"), "Readme");
}

// While the new text is written, a user who may not read the old file must not be able to
// read the new one either: the temporary file is private until it is whole.
TEST_F(FileIO, NewContentsStayPrivateUntilTheyAreWhole) {
    const mode_t previous = ::umask(022);
    writeBytes("private.txt", "old");
    ASSERT_EQ(::chmod("private.txt", 0600), 0);
    for (const char* target : {"private.txt", "fresh.txt"}) {
        std::vector<mode_t> seen;
        setWriteFaultInjector([&seen](std::string_view step, const std::string&) {
            if (step == "write")
                for (const std::string& name : namesIn("."))
                    if (name.ends_with(".tmp")) seen.push_back(modeOf(name));
            return 0;
        });
        EXPECT_TRUE(writeFileAtomic(target, "new").ok) << target;
        EXPECT_EQ(seen, std::vector<mode_t>{0600}) << target;
    }
    ::umask(previous);
    EXPECT_EQ(modeOf("private.txt"), 0600u);
    EXPECT_EQ(modeOf("fresh.txt"), 0644u);
}

TEST_F(FileIO, TellsAPathThatCannotBeLookedAtFromAMissingOne) {
    writeBytes("there.dat", "x");
    std::filesystem::create_symlink("loop-b", "loop-a");
    std::filesystem::create_symlink("loop-a", "loop-b");
    EXPECT_EQ(lookUpFile("there.dat").state, FileState::Present);
    EXPECT_EQ(lookUpFile("absent.dat").state, FileState::Missing);
    EXPECT_EQ(lookUpFile("there.dat/inside").state, FileState::Missing);
    const FileLookup loop = lookUpFile("loop-a/Needfiles.dat");
    EXPECT_EQ(loop.state, FileState::Unknown);
    EXPECT_EQ(loop.errnum, ELOOP);
    EXPECT_FALSE(fileExists("loop-a/Needfiles.dat"));
}

// A save under way when the user presses Ctrl+C, the session ends, or the file size limit is
// reached leaves the old file and nothing else, and the process still ends by that signal.
TEST_F(FileIO, ASignalDuringASaveRemovesTheTemporaryFile) {
    writeBytes("Readme.txt", "old\r\n");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            removeTemporaryFilesOnSignals();
            AtomicFileWriter writer;
            if (writer.open("Readme.txt") != 0 || writer.write("half of it") != 0) ::_exit(90);
            // The window changes its working directory while a dialog is open.
            if (::chdir("/") != 0) ::_exit(91);
            if (signal == SIGXFSZ) {
                const struct rlimit small = {4096, 4096};
                ::setrlimit(RLIMIT_FSIZE, &small);
                (void)writer.write(std::string(8192, 'x'));
            } else {
                ::raise(signal);
            }
            ::_exit(92);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "signal " << signal << ", status " << status;
        EXPECT_EQ(namesIn("."), std::set<std::string>{"Readme.txt"}) << "signal " << signal;
        EXPECT_EQ(readBytes("Readme.txt"), "old\r\n");
    }
}

}  // namespace
}  // namespace norvelle

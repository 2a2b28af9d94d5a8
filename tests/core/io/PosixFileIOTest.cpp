// What the file layer promises on POSIX systems alone: permissions and owners, symbolic
// links, named pipes, signals.

#include "core/io/AtomicFileWriter.h"
#include "core/io/FileReader.h"
#include "core/io/FileLock.h"

#include "support/TempDir.h"
#include "support/ThrowAwayUser.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
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

class PosixFileIO : public ::testing::Test {
protected:
    void TearDown() override { setWriteFaultInjector(nullptr); }
    TempDir dir;
};

TEST_F(PosixFileIO, ANamedPipeIsNoFileToReadNorALinkOrAPipeALockFile) {
    // A named pipe with no writer must not hang the program.
    ASSERT_EQ(::mkfifo("pipe.dat", 0644), 0);
    const ReadResult r = readFileBytes("pipe.dat");
    EXPECT_EQ(r.status, ReadResult::Status::Error);
    EXPECT_EQ(r.error, FileErrc::NotRegularFile);

    // A link is not followed even to a file that could be locked.
    writeBytes("real.lock", "");
    ASSERT_EQ(::symlink("real.lock", ".link.lock"), 0);
    EXPECT_EQ(FileLock().lock(".link.lock", std::chrono::milliseconds(0)), errnoError(ELOOP));
    EXPECT_EQ(FileLock().lock("pipe.dat", std::chrono::milliseconds(0)), FileErrc::NotRegularFile);
}

TEST_F(PosixFileIO, ReplacedFilesKeepTheirModeAndLinksAreSavedThrough) {
    const mode_t previous = ::umask(022);
    EXPECT_TRUE(writeFileAtomic("new.txt", "a\r\nb\r\n").ok);
    ::umask(previous);
    EXPECT_EQ(modeOf("new.txt"), 0644u);

    writeBytes("old.txt", "old text");
    ASSERT_EQ(::chmod("old.txt", 0640), 0);
    EXPECT_TRUE(writeFileAtomic(dir.file("old.txt"), "new").ok);
    EXPECT_EQ(readBytes("old.txt"), "new");
    EXPECT_EQ(modeOf("old.txt"), 0640u);

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

// Permissions bind for an ordinary user; run as root, the test makes one.
TEST_F(PosixFileIO, PermissionsAreHonoured) {
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
        if (read.status != ReadResult::Status::Error || read.error != errnoError(EACCES)) failed |= 1;
        // A read-only file is not replaced behind the user's back, though its folder allows it.
        if (writeFileAtomic("locked.dat", "lost").error != errnoError(EACCES)) failed |= 2;
        // A file the user may write in a folder the user may not: the reason is the folder.
        if (writeFileAtomic("sealed/Readme.txt", "new").error != FileErrc::FolderNotWritable)
            failed |= 4;
        // A file that cannot be looked at is not a missing file.
        const FileLookup hidden = lookUpFile("closed/Needfiles.dat");
        if (hidden.state != FileState::Unknown || hidden.error != errnoError(EACCES)) failed |= 8;
        return failed;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed checks (bits)";
    EXPECT_EQ(readBytes("locked.dat"), "kept");
    EXPECT_EQ(modeOf("locked.dat"), 0444u);
    EXPECT_EQ(readBytes("sealed/Readme.txt"), "old");
    EXPECT_EQ(namesIn("."),
              (std::set<std::string>{"closed", "locked.dat", "sealed", "secret.dat"}));
    EXPECT_EQ(namesIn("sealed"), std::set<std::string>{"Readme.txt"});
}

// Another local user plants a link in /tmp, where the user's build script writes its Readme,
// pointing at one of the user's own files. The kernel refuses to follow such a link when the
// user opens it; the writer, which follows links itself, must refuse it too.
TEST_F(PosixFileIO, NeverFollowsAnotherUsersLinkInASharedFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a link that belongs to another user";
    std::filesystem::create_directory("shared");
    ASSERT_EQ(::chmod("shared", 01777), 0);
    writeBytes("important.txt", "the victim's own text");
    std::filesystem::create_symlink(dir.file("important.txt"), "shared/r.txt");
    ASSERT_EQ(::lchown("shared/r.txt", 4242, 4242), 0);

    const WriteResult planted = writeFileAtomic("shared/r.txt", "Readme");
    EXPECT_FALSE(planted.ok);
    EXPECT_EQ(planted.error, FileErrc::UnsafeLink);
    EXPECT_EQ(readBytes("important.txt"), "the victim's own text");
    EXPECT_EQ(namesIn("shared"), std::set<std::string>{"r.txt"});

    // The user's own link there, or one in a folder that is not shared, is followed as ever.
    ASSERT_EQ(::lchown("shared/r.txt", ::geteuid(), ::getegid()), 0);
    EXPECT_TRUE(writeFileAtomic("shared/r.txt", "Readme").ok);
    EXPECT_EQ(readBytes("important.txt"), "Readme");
}

// While the new text is written, a user who may not read the old file must not be able to
// read the new one either: the temporary file is private until it is whole.
TEST_F(PosixFileIO, NewContentsStayPrivateUntilTheyAreWhole) {
    const mode_t previous = ::umask(022);
    writeBytes("private.txt", "old");
    ASSERT_EQ(::chmod("private.txt", 0600), 0);
    for (const char* target : {"private.txt", "fresh.txt"}) {
        std::vector<mode_t> seen;
        setWriteFaultInjector([&seen](std::string_view step, const std::string&) {
            if (step == "write")
                for (const std::string& name : namesIn("."))
                    if (name.ends_with(".tmp")) seen.push_back(modeOf(name));
            return std::error_code();
        });
        EXPECT_TRUE(writeFileAtomic(target, "new").ok) << target;
        EXPECT_EQ(seen, std::vector<mode_t>{0600}) << target;
    }
    ::umask(previous);
    EXPECT_EQ(modeOf("private.txt"), 0600u);
    EXPECT_EQ(modeOf("fresh.txt"), 0644u);
}

TEST_F(PosixFileIO, TellsAPathThatCannotBeLookedAtFromAMissingOne) {
    writeBytes("there.dat", "x");
    std::filesystem::create_symlink("loop-b", "loop-a");
    std::filesystem::create_symlink("loop-a", "loop-b");
    EXPECT_EQ(lookUpFile("there.dat").state, FileState::Present);
    EXPECT_EQ(lookUpFile("absent.dat").state, FileState::Missing);
    EXPECT_EQ(lookUpFile("there.dat/inside").state, FileState::Missing);
    const FileLookup loop = lookUpFile("loop-a/Needfiles.dat");
    EXPECT_EQ(loop.state, FileState::Unknown);
    EXPECT_EQ(loop.error, errnoError(ELOOP));
    EXPECT_FALSE(fileExists("loop-a/Needfiles.dat"));
}

// A save under way when the user presses Ctrl+C, the session ends, or the file size limit is
// reached leaves the old file and nothing else, and the process still ends by that signal.
TEST_F(PosixFileIO, ASignalDuringASaveRemovesTheTemporaryFile) {
    writeBytes("Readme.txt", "old\r\n");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            removeTemporaryFilesOnSignals();
            AtomicFileWriter writer;
            if (writer.open("Readme.txt") || writer.write("half of it")) ::_exit(90);
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

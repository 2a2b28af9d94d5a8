#include "core/document/SoftwareDataFile.h"
#include "core/plugin/ExpandPlugin.h"
#include "core/text/Cp932.h"
#include "core/text/TextEncoding.h"
#include "support/TempDir.h"
#include "support/ThrowAwayUser.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace norvelle {
namespace {

using test::readBytes;
using test::sjis;
using test::writeBytes;

// The memory that any input may make norvelle-cli take; it needs a few megabytes.
constexpr long kMemoryBoundKiB = 64 * 1024;

struct Child {
    int status = 0;
    long peakKiB = 0;
    std::string out;
    std::string err;

    int code() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
};

// The built norvelle-cli as a child of the test, in the test's folder: its standard output
// into a file, onto a device or closed, and whatever `inChild` sets up (limits, a user) just
// before the program starts.
struct Start {
    std::vector<std::string> args;
    std::string stdoutPath;  // empty: closed
    std::function<void()> inChild;

    Start(std::vector<std::string> a, std::string out = "stdout.bin",
          std::function<void()> setUp = {})
        : args(std::move(a)), stdoutPath(std::move(out)), inChild(std::move(setUp)) {}
};

pid_t start(const Start& s) {
    std::vector<std::string> args = {"norvelle-cli"};
    args.insert(args.end(), s.args.begin(), s.args.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Opened here, so that a child that drops its rights still starts and leaves its output.
    const int program = ::open(NORVELLE_CLI, O_RDONLY | O_CLOEXEC);
    const int out = s.stdoutPath.empty() ? -1
                                         : ::open(s.stdoutPath.c_str(),
                                                  O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The signals the tests send end the program, even if the test runner ignores them.
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) std::signal(signal, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::alarm(20);  // a hang ends the child, not the test run
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
        } else {
            ::close(STDOUT_FILENO);
        }
        ::dup2(err, STDERR_FILENO);
        if (s.inChild) s.inChild();
        ::fexecve(program, argv.data(), environ);
        ::_exit(127);
    }
    for (const int fd : {program, out, err})
        if (fd >= 0) ::close(fd);
    return pid;
}

Child finish(pid_t pid, const Start& s) {
    Child c;
    rusage usage{};
    while (::wait4(pid, &c.status, 0, &usage) < 0 && errno == EINTR) {
    }
    c.peakKiB = usage.ru_maxrss;
    if (s.stdoutPath == "stdout.bin") c.out = readBytes("stdout.bin");
    c.err = readBytes("stderr.txt");
    return c;
}

Child run(const Start& s) {
    return finish(start(s), s);
}

// What a failed or interrupted write may leave beside its target.
std::vector<std::string> temporaryFiles() {
    std::vector<std::string> found;
    for (const std::string& name : test::namesIn("."))
        if (name[0] == '.' && name.ends_with(".tmp")) found.push_back(name);
    return found;
}

// A software data file whose first additional field is a megabyte long: a plugin that
// repeats [$add1] asks for a Readme of that many megabytes.
void writeLongFieldData(const std::string& path) {
    SoftwareData form;
    form.additional[0] = std::string(1'000'000, 'a');
    writeBytes(path, encodeCp932(formatSoftwareDataFile(form, "2.06")).bytes);
}

std::string repeated(std::string_view text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += text;
    return out;
}

bool underAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

TEST(CliProcess, TheProgramWritesRawBytesAndExitsAsDocumented) {
    test::TempDir dir;
    Child c = run({{"--version"}});
    EXPECT_EQ(c.code(), 0);
    EXPECT_EQ(c.out, "norvelle-cli (Norvelle) 2.06\n");
    c = run(Start({}));
    EXPECT_EQ(c.code(), 2);
    EXPECT_EQ(c.err.find('\n'), c.err.size() - 1);

    // Standard output carries the Readme's bytes unchanged: CR alone, "\" bytes, no BOM.
    SoftwareData form;
    form.softwareName = "ソフト";
    form.fee = "\\500";
    writeBytes("data.sft", encodeCp932(formatSoftwareDataFile(form, "2.06")).bytes);
    const std::string plugin = sjis("[$ソフト名]\r[$シェア]\r\nソー[$\r\n");
    writeBytes("p.spd", plugin);
    c = run({{"render", "--data", "data.sft", "--plugin", "p.spd"}});
    EXPECT_EQ(c.code(), 0) << c.err;
    EXPECT_EQ(c.out, encodeCp932(expandTemplate(decodeCp932(plugin), form) + "\r\n").bytes);

    // A plugin from a pipe is read once: what deciding its encoding took of it (all of a
    // UTF-8 plugin, the first block of a code page 932 one) comes again from a scratch file,
    // the rest from the pipe.
    for (const std::string& piped : {std::string("[$ソフト名] 𠮷\r\n"), repeated(plugin, 100000)}) {
        const auto fromPipe = [piped] {
            int ends[2];
            if (::pipe(ends) != 0) ::_exit(126);
            if (::fork() == 0) {
                ::close(ends[0]);
                for (std::size_t at = 0; at < piped.size();) {
                    const ssize_t n = ::write(ends[1], piped.data() + at, piped.size() - at);
                    if (n <= 0) ::_exit(1);
                    at += static_cast<std::size_t>(n);
                }
                ::_exit(0);
            }
            ::dup2(ends[0], STDIN_FILENO);
            ::close(ends[0]);
            ::close(ends[1]);
        };
        c = run(Start({"render", "--data", "data.sft", "--plugin", "/dev/stdin"}, "stdout.bin",
                      fromPipe));
        EXPECT_EQ(c.code(), 0) << c.err;
        const TextEncoding e = detectEncoding(piped);
        const std::string expected =
            encodeText(expandTemplate(decodeText(piped, e), form) + "\r\n", e).bytes;
        // Megabytes: too long for a readable difference.
        EXPECT_TRUE(c.out == expected) << c.out.size() << " bytes, not " << expected.size();
    }

    // A failed command leaves standard output empty.
    writeBytes("bad.spd", "\x81\x20" + sjis("[$ソフト名]\r\n"));
    c = run({{"render", "--data", "data.sft", "--plugin", "bad.spd"}});
    EXPECT_EQ(c.code(), 3);
    EXPECT_EQ(c.out, "");
    c = run({{"render", "--data", "data.sft", "--plugin", "missing.spd"}});
    EXPECT_EQ(c.code(), 4);
    EXPECT_EQ(c.err, "norvelle-cli: missing.spd: cannot read: No such file or directory\n");
}

TEST(CliProcess, HostileInputsTakeLittleMemoryAndLeaveNothingBehind) {
    test::TempDir dir;
    writeBytes("data.sft", encodeCp932(formatSoftwareDataFile({}, "2.06")).bytes);
    writeLongFieldData("long.sft");
    writeBytes("p.spd", "[$add1]\r\n");
    // 100 MB of Readme text, which a broken byte keeps from being written.
    writeBytes("repeat.spd", "\x81\x20" + repeated("[$add1]\r\n", 100));
    // A gigabyte without a line break, on almost no disk.
    std::filesystem::create_directory("sparse");
    for (const char* sparse : {"huge.spd", "sparse/Needfiles.dat"}) {
        writeBytes(sparse, "");
        ASSERT_EQ(::truncate(sparse, 1L << 30), 0);
    }
    std::filesystem::create_directory("zero");
    std::filesystem::create_symlink("/dev/zero", "zero/Needfiles.dat");
    std::filesystem::create_directory("fifo");
    ASSERT_EQ(::mkfifo("fifo/Needfiles.dat", 0600), 0);

    auto render = [](const char* data, const char* plugin, const char* lists) {
        return std::vector<std::string>{"render",      "--data", data,       "--plugin",  plugin,
                                        "--lists-dir", lists,    "--output", "Readme.txt"};
    };
    const struct {
        std::vector<std::string> args;
        int code;
        std::string said;
    } cases[] = {
        {render("data.sft", "huge.spd", "."), 4,
         "huge.spd:1: cannot read: a line longer than 1 MiB, which no plugin has\n"},
        {{"check", "/dev/zero"}, 4, "/dev/zero:1: cannot read: a line longer than 1 MiB"},
        // A Readme is read whole: what may not end, or is larger than any Readme, is refused
        // before a byte of it is read.
        {{"lint", "/dev/zero"}, 4, "/dev/zero: cannot read: not a regular file\n"},
        {{"lint", "fifo/Needfiles.dat"},
         4,
         "fifo/Needfiles.dat: cannot read: not a regular file\n"},
        {{"lint", "huge.spd"},
         4,
         "huge.spd: cannot read: larger than 64 MiB, which no Readme is\n"},
        {render("long.sft", "repeat.spd", "."), 3, "Readme.txt:1:1: U+FFFD cannot be written"},
        {render("data.sft", "p.spd", "zero"), 4,
         "zero/Needfiles.dat: cannot read: not a regular file\n"},
        {render("data.sft", "p.spd", "fifo"), 4,
         "fifo/Needfiles.dat: cannot read: not a regular file\n"},
        {render("data.sft", "p.spd", "sparse"), 4,
         "sparse/Needfiles.dat: cannot read: too large for Norvelle to read\n"},
    };
    for (const auto& c : cases) {
        writeBytes("Readme.txt", "old\r\n");
        const Child r = run(c.args);
        const std::string shown = c.args[0] + " " + c.args[c.args.size() > 4 ? 4 : 1];
        EXPECT_EQ(r.code(), c.code) << shown << ": " << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << shown << ": " << r.err;
        EXPECT_EQ(readBytes("Readme.txt"), "old\r\n") << shown;
        EXPECT_EQ(temporaryFiles(), std::vector<std::string>()) << shown;
        // A child's peak counts the test process it was forked from, up to the exec; under
        // AddressSanitizer that alone is some 160 MiB, which says nothing of the program.
        if (!underAddressSanitizer()) {
            EXPECT_LT(r.peakKiB, kMemoryBoundKiB) << shown;
        }
    }
}

TEST(CliProcess, AnInterruptedRenderEndsByItsSignalAndLeavesTheOldReadme) {
    test::TempDir dir;
    writeLongFieldData("long.sft");
    writeBytes("p.spd", repeated("[$add1]\r\n", 2000));  // two gigabytes, were it let
    const std::vector<std::string> render = {"render", "--data",   "long.sft",  "--plugin",
                                             "p.spd",  "--output", "Readme.txt"};
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        writeBytes("Readme.txt", "old\r\n");
        const rlimit oneMegabyte{1 << 20, 1 << 20};
        const Start s(render, "stdout.bin", [&] {
            if (signal == SIGXFSZ) ::setrlimit(RLIMIT_FSIZE, &oneMegabyte);
        });
        const pid_t pid = start(s);
        if (signal != SIGXFSZ) {
            // Once the Readme is on its way: its first bytes are written.
            auto writing = [] {
                std::error_code ec;
                for (const std::string& name : temporaryFiles())
                    if (std::filesystem::file_size(name, ec) > 0) return true;
                return false;
            };
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!writing() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ::kill(pid, signal);
        }
        const Child c = finish(pid, s);
        EXPECT_TRUE(WIFSIGNALED(c.status) && WTERMSIG(c.status) == signal)
            << strsignal(signal) << ": status " << c.status << " " << c.err;
        EXPECT_EQ(readBytes("Readme.txt"), "old\r\n") << strsignal(signal);
        EXPECT_EQ(temporaryFiles(), std::vector<std::string>()) << strsignal(signal);
    }
}

TEST(CliProcess, StandardOutputThatCannotBeWrittenIsAnError) {
    test::TempDir dir;
    writeBytes("data.sft", encodeCp932(formatSoftwareDataFile({}, "2.06")).bytes);
    writeBytes("bad.spd", "[$Email]\r\n");
    writeBytes("good.spd", "[$email]\r\n");
    const std::string full = "norvelle-cli: <stdout>: cannot write: No space left on device\n";
    const std::string closed = "norvelle-cli: <stdout>: cannot write: Bad file descriptor\n";
    const struct {
        std::vector<std::string> args;
        std::string stdoutPath;
        int code;
        std::string err;
    } cases[] = {
        {{"check", "bad.spd"}, "/dev/full", 4, full},
        {{"check", "bad.spd"}, "", 4, closed},
        {{"show", "--data", "data.sft"}, "/dev/full", 4, full},
        {{"render", "--data", "data.sft", "--plugin", "good.spd"}, "/dev/full", 4, full},
    };
    for (const auto& c : cases) {
        const Child r = run(Start(c.args, c.stdoutPath));
        const std::string shown = c.args[0] + " > " + c.stdoutPath;
        EXPECT_EQ(r.code(), c.code) << shown;
        EXPECT_EQ(r.err, c.err) << shown;
    }
}

TEST(CliProcess, FilesBehindFoldersTheUserMayNotEnterAreErrors) {
    test::ThrowAwayUser user;
    if (!user.ready()) GTEST_SKIP() << user.whyNot();
    test::TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    writeBytes("data.sft", encodeCp932(formatSoftwareDataFile({}, "2.06")).bytes);
    writeBytes("p.spd", "[$email]\r\n");
    // Needfiles.dat is there, but a folder without search permission hides it.
    for (const char* lists : {"lists000", "lists600"}) {
        std::filesystem::create_directory(lists);
        writeBytes(std::string(lists) + "/Needfiles.dat", "A.DLL\r\n");
    }
    ASSERT_EQ(::chmod("lists000", 0), 0);
    ASSERT_EQ(::chmod("lists600", 0600), 0);
    // A Readme the user may write in a folder where no new file can be made.
    std::filesystem::create_directory("shared");
    writeBytes("shared/Readme.txt", "old\r\n");
    user.give("shared/Readme.txt");
    ASSERT_EQ(::chmod("shared", 0555), 0);

    const std::vector<std::string> render = {"render", "--data", "data.sft", "--plugin", "p.spd"};
    auto with = [&render](std::vector<std::string> more) {
        more.insert(more.begin(), render.begin(), render.end());
        return more;
    };
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {with({"--lists-dir", "lists000"}),
         "lists000/Needfiles.dat: cannot read: Permission denied\n"},
        {with({"--lists-dir", "lists600"}),
         "lists600/Needfiles.dat: cannot read: Permission denied\n"},
        {with({"--output", "shared/Readme.txt"}),
         "shared/Readme.txt: cannot write: the folder is not writable: Norvelle replaces a "
         "file whole\n"},
    };
    for (const auto& c : cases) {
        const Child r = run(Start(c.args, "stdout.bin", [&user] {
            if (user.become() != 0) ::_exit(125);
        }));
        EXPECT_EQ(r.code(), 4) << c.err;
        EXPECT_EQ(r.out, "") << c.err;
        EXPECT_EQ(r.err, "norvelle-cli: " + c.err);
    }
    EXPECT_EQ(readBytes("shared/Readme.txt"), "old\r\n");
}

}  // namespace
}  // namespace norvelle

// A save killed part way, as by a crash or a power cut of the program alone, leaves either the
// old file or the new one, never a mixture, and no temporary file where the program or its
// file dialogs would list it.
#include "core/document/SoftwareDataFile.h"
#include "core/io/AtomicFileWriter.h"
#include "core/text/Cp932.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>

namespace norvelle::test {
namespace {

constexpr int kRounds = 100;

// What one version of the two files holds: a form of nearly a megabyte (fourteen long fields,
// every other needed file selected) and a Readme of a few megabytes.
struct Contents {
    SoftwareData form;
    std::string readme;
};

Contents contents(int which) {
    Contents c;
    std::string field;
    for (int i = 0; i < 20000; ++i) field += which == 0 ? "あ" : "x";
    SoftwareDataFields fields;
    fields.fill(field);
    assignFieldTexts(c.form, fields);
    for (int i = 0; i < 400; ++i)
        c.form.neededFiles.push_back({"F" + std::to_string(i), i % 2 == which});
    const std::string line = which == 0 ? "ソフト名：例 [$未定義]\r\n" : "Name: sample\r\n";
    while (c.readme.size() < (std::size_t{3} << 20)) c.readme += line;
    c.readme += "\r\n";  // the preview window adds one line break
    return c;
}

// The bytes the save command and the preview window write.
std::string sftBytes(const Contents& c) {
    return encodeCp932(formatSoftwareDataFile(c.form, "2.06")).bytes;
}
std::string readmeBytes(const Contents& c) {
    return encodeCp932(c.readme, '?').bytes;
}

// Makes both files of one version as the program makes them, then saves them, the .sft
// first, and ends the process. Says "s" through `progress` before it writes the .sft and "r"
// before it writes the Readme.
[[noreturn]] void saveAndExit(int which, int progress) {
    const Contents c = contents(which);
    const std::string sft = sftBytes(c);
    const std::string readme = readmeBytes(c);
    const bool ok = ::write(progress, "s", 1) == 1 && writeFileAtomic("data.sft", sft).ok &&
                    ::write(progress, "r", 1) == 1 && writeFileAtomic("Readme.txt", readme).ok;
    ::_exit(ok ? 0 : 1);
}

// A child process that saves one version, and the pipe it tells its progress through.
struct Saving {
    pid_t pid = -1;
    int progress = -1;

    explicit Saving(int which) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            saveAndExit(which, fds[1]);
        }
        ::close(fds[1]);
        progress = fds[0];
    }
    ~Saving() {
        if (progress >= 0) ::close(progress);
    }
    Saving(const Saving&) = delete;
    Saving& operator=(const Saving&) = delete;

    // Waits until the child is about to write the file `step` names ('s' or 'r').
    bool reached(char step) const {
        char c = 0;
        while (::read(progress, &c, 1) == 1)
            if (c == step) return true;
        return false;
    }
    // Whether the child ended by itself.
    bool finished() const {
        int status = 0;
        return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};

TEST(InterruptedWrite, AKilledSaveLeavesTheOldFileOrTheNewOne) {
    TempDir dir;
    const Contents c0 = contents(0);
    const Contents c1 = contents(1);
    const std::string sftOf[2] = {sftBytes(c0), sftBytes(c1)};
    const std::string readmeOf[2] = {readmeBytes(c0), readmeBytes(c1)};
    ASSERT_NE(sftOf[0].size(), sftOf[1].size());
    writeBytes("data.sft", sftOf[0]);
    writeBytes("Readme.txt", readmeOf[0]);

    // How long each file takes to write here, so that the kills fall anywhere inside it.
    using Clock = std::chrono::steady_clock;
    using Micro = std::chrono::microseconds;
    long window[2] = {1, 1};  // .sft, Readme, in microseconds
    for (int which : {0, 1}) {
        const Saving save(which);
        ASSERT_TRUE(save.reached('s'));
        const auto sftStarted = Clock::now();
        ASSERT_TRUE(save.reached('r'));
        const auto readmeStarted = Clock::now();
        ASSERT_TRUE(save.finished());
        const auto ended = Clock::now();
        window[0] = std::max(window[0],
                             std::chrono::duration_cast<Micro>(readmeStarted - sftStarted).count());
        window[1] =
            std::max(window[1], std::chrono::duration_cast<Micro>(ended - readmeStarted).count());
    }
    ASSERT_EQ(readBytes("data.sft"), sftOf[1]);
    ASSERT_EQ(readBytes("Readme.txt"), readmeOf[1]);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int current = 1;      // the version both files hold when a round starts
    int interrupted = 0;  // rounds killed while the file aimed at was being written
    int leftBehind = 0;   // rounds that left a temporary file
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Every other round aims at the .sft, the others at the Readme.
        const int target = round % 2;
        const int next = 1 - current;
        const Saving save(next);
        ASSERT_TRUE(save.reached(target == 0 ? 's' : 'r'));
        ::usleep(static_cast<useconds_t>(
            std::uniform_int_distribution<long>(0, window[target])(random)));
        ::kill(save.pid, SIGKILL);
        save.finished();

        const std::string sft = readBytes("data.sft");
        const std::string readme = readBytes("Readme.txt");
        ASSERT_TRUE(sft == sftOf[0] || sft == sftOf[1]);
        ASSERT_TRUE(readme == readmeOf[0] || readme == readmeOf[1]);
        // The Readme is saved after the .sft: it never holds a newer version.
        ASSERT_TRUE(sft == sftOf[next] || readme == readmeOf[current]);
        // The disk's pace varies: the window follows it, shrinking when the kill came after
        // the file was replaced and widening a little when it came before.
        const bool replaced = target == 0 ? sft == sftOf[next] : readme == readmeOf[next];
        window[target] += replaced ? -window[target] / 4 : window[target] / 20 + 1;
        interrupted += !replaced;

        // Whatever the kill left behind is hidden and named *.tmp: no *.sft, *.txt or *.spd.
        bool left = false;
        for (const std::string& name : namesIn(dir.path())) {
            if (name == "data.sft" || name == "Readme.txt") continue;
            EXPECT_EQ(name.front(), '.') << name;
            EXPECT_TRUE(name.ends_with(".tmp")) << name;
            ::unlink(name.c_str());
            left = true;
        }
        leftBehind += left;
        // The next round starts from one version in both files.
        current = sft == sftOf[0] ? 0 : 1;
        writeBytes("Readme.txt", readmeOf[current]);
    }
    // Most kills must land while a file is written, or the test proves nothing.
    EXPECT_GT(interrupted, kRounds / 2);
    EXPECT_GT(leftBehind, kRounds / 2);
    ::testing::Test::RecordProperty("interrupted", std::to_string(interrupted));
    ::testing::Test::RecordProperty("left_behind", std::to_string(leftBehind));
}

}  // namespace
}  // namespace norvelle::test

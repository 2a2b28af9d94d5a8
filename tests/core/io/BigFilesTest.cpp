// Files far larger than any the program writes: each reader takes no more than its limit,
// so that the memory stays bounded whatever file a user is sent.
#include "core/document/SoftwareDataFile.h"
#include "core/io/FileReader.h"
#include "core/lists/RegisteredLists.h"
#include "core/plugin/ExpandPlugin.h"
#include "core/text/Items.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace norvelle::test {
namespace {

constexpr std::int64_t kGigabyte = std::int64_t{1} << 30;

// How much more memory the program may take, at its peak, while it reads the files below.
constexpr long kBoundKb = 64 * 1024;

long peakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A file that starts with `head` and is a gigabyte long; sparse, so it takes no room on the
// disk and no time to write.
void hugeFile(const std::string& name, std::string_view head) {
    writeBytes(name, head);
    ASSERT_EQ(::truncate(name.c_str(), kGigabyte), 0) << name;
}

TEST(BigFiles, ReadingGigabyteFilesKeepsTheMemoryBounded) {
    TempDir dir;
    hugeFile("huge.sft", sjis("\"Norvelle Ver 2.06\"\r\n\"名前\"\r\n"));
    hugeFile("huge.spd", sjis("[$ソフト名]"));  // no line break in a gigabyte
    hugeFile("EMAIL.dat", "");
    std::string entries;
    for (int i = 0; i < 1000000; ++i) entries += "LIB" + std::to_string(i) + ".DLL\r\n";
    writeBytes("Needfiles.dat", entries);
    std::string markers;
    for (int i = 0; i < 100000; ++i) markers += "[$add1]\r\n";
    writeBytes("long.spd", markers);

    // The child reads; the parent is told the peak growth and what the readers answered.
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        const long before = peakKb();
        const ReadResult sft = readTextFile("huge.sft", kMaxSoftwareDataFileSize);
        SoftwareData data;
        const ExpandResult plugin = ExpandPlugin("huge.spd", data, kPluginDialogLimits);
        const ListFile email = loadListFile(kEmailFile);
        const ListFile needed = loadListFile(kNeededFilesFile);
        data.additional[0] = std::string(1000, 'x');  // 100,000 times: 100 MB of Readme
        const ExpandResult readme = ExpandPlugin("long.spd", data, kPluginDialogLimits);
        const long growth = peakKb() - before;

        const bool refused = sft.truncated && !plugin.ok && readme.textTooLarge &&
                             email.state == ListFile::State::Unreadable && needed.truncated &&
                             needed.items.size() == kMaxListEntries;
        const std::string line = std::to_string(growth) + (refused ? " refused" : " read");
        (void)!::write(report[1], line.data(), line.size());
        ::_exit(0);
    }
    ::close(report[1]);
    char buffer[64] = {};
    const ssize_t n = ::read(report[0], buffer, sizeof buffer - 1);
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_GT(n, 0);

    long growthKb = 0;
    char outcome[16] = {};
    ASSERT_EQ(std::sscanf(buffer, "%ld %15s", &growthKb, outcome), 2);
    EXPECT_STREQ(outcome, "refused");
    EXPECT_LT(growthKb, kBoundKb);
    ::testing::Test::RecordProperty("peak_growth_kb", std::to_string(growthKb));
}

}  // namespace
}  // namespace norvelle::test

// A change of a registered list in the core: when it goes on without the lock, when it is
// refused, and what it counts before dropping entries.

#include "core/lists/ListChange.h"

#include "core/io/AtomicFileWriter.h"
#include "core/io/FileResult.h"
#include "core/lists/RegisteredLists.h"
#include "core/text/Items.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace norvelle {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

class ListChangeTest : public ::testing::Test {
protected:
    void TearDown() override { setWriteFaultInjector(nullptr); }
    static ListChange registering(const char* text) {
        ListChange change;
        change.text = text;
        return change;
    }
    TempDir dir;
};

TEST_F(ListChangeTest, AFolderWithoutLocksGoesOnUnlockedAndABrokenLockFileIsRefused) {
    using Status = ListChangeResult::Status;
    // What locking the lock file answers: a file system without locks (NFS without its lock
    // service, others), and a lock file that is a link, a folder or a named pipe.
    const struct {
        std::error_code answer;
        bool changes;
    } cases[] = {{errnoError(ENOLCK), true}, {errnoError(EOPNOTSUPP), true},
                 {errnoError(ENOTSUP), true}, {errnoError(ENOSYS), true},
                 {errnoError(ELOOP), false},  {errnoError(EISDIR), false},
                 {errnoError(EIO), false},    {FileErrc::NotRegularFile, false},
                 {FileErrc::LockTimeout, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        writeBytes(kEmailFile, "a\r\n");
        setWriteFaultInjector([&](std::string_view step, const std::string& path) {
            return step == "lock" && path == kListLockFile ? c.answer : std::error_code();
        });
        const ListChangeResult result = changeListFile(kEmailFile, registering("b"), {});
        if (c.changes) {
            EXPECT_EQ(result.status, Status::Done);
            EXPECT_EQ(readBytes(kEmailFile), "a\r\nb\r\n");
            continue;
        }
        EXPECT_EQ(result.status, Status::Failed);
        EXPECT_EQ(result.step, ListChangeResult::Step::Lock);
        EXPECT_EQ(result.error, c.answer);
        EXPECT_EQ(readBytes(kEmailFile), "a\r\n");
    }
}

TEST_F(ListChangeTest, AListReadInPartSaysHowManyEntriesAChangeWouldDrop) {
    // Seven entries past the 10,001 read; the last line holds two of them.
    std::string entries;
    for (std::size_t i = 0; i < kMaxListEntries + 5; ++i) entries += "e" + std::to_string(i) + "\r\n";
    entries += "x,\"y, z\"\r\n";
    writeBytes(kNeededFilesFile, entries);
    const ListChangeResult result = changeListFile(kNeededFilesFile, registering(""), {});
    EXPECT_EQ(result.status, ListChangeResult::Status::DropsUnread);
    EXPECT_EQ(result.dropped, 7u);
    EXPECT_FALSE(result.droppedAtLeast);
    EXPECT_EQ(readBytes(kNeededFilesFile), entries);
}

}  // namespace
}  // namespace norvelle

// What the file layer promises on Windows: Japanese and long names through the wide API,
// attributes kept, and clear refusals of what Windows does not let a file be.

#include "core/io/AtomicFileWriter.h"
#include "core/io/FileLock.h"
#include "core/io/FileReader.h"
#include "core/io/ScratchFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

namespace norvelle {
namespace {

using test::fsPath;
using test::namesIn;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

// The names in a folder of any length; the standard library's listing stops at 260 characters.
std::set<std::string> namesInLongFolder(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAW found;
    // A \\?\ path takes no "/" between names.
    const std::wstring pattern = L"\\\\?\\" + fsPath(folder).make_preferred().wstring() + L"\\*";
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.insert(test::utf8Path(name));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

DWORD attributesOf(const std::string& utf8) {
    return ::GetFileAttributesW(fsPath(utf8).c_str());
}

class WindowsFileIO : public ::testing::Test {
protected:
    void TearDown() override { setWriteFaultInjector(nullptr); }
    TempDir dir;
};

TEST_F(WindowsFileIO, JapaneseLongAndBackslashedPathsWork) {
    // Names the system's ANSI code page may not hold: only UTF-16 reaches them.
    std::filesystem::create_directory(fsPath("表ソフト"));
    const std::string readme = "表ソフト\\Readme ソ表.txt";
    ASSERT_TRUE(writeFileAtomic(readme, "\x83\x5C\r\n").ok);
    EXPECT_EQ(readFileBytes("表ソフト/Readme ソ表.txt").bytes, "\x83\x5C\r\n");
    EXPECT_EQ(namesIn("表ソフト"), std::set<std::string>{"Readme ソ表.txt"});
    EXPECT_EQ(fileSize(readme), std::optional<std::uint64_t>(4));
    const FileLookup found = lookUpFile(readme);
    EXPECT_TRUE(found.state == FileState::Present && found.regular && !found.folder);
    EXPECT_TRUE(lookUpFile(dir.path() + "\\表ソフト").folder);

    FileReader reader;
    std::string bytes;
    ASSERT_FALSE(reader.open(readme));
    EXPECT_FALSE(reader.readAll(bytes));
    EXPECT_EQ(bytes, "\x83\x5C\r\n");
    reader.close();
    EXPECT_TRUE(removeFile(readme).ok);
    EXPECT_EQ(lookUpFile(readme).state, FileState::Missing);

    // Past the 260 characters that once bounded a Windows path.
    std::string deep = dir.path();
    for (int i = 0; i < 8; ++i) {
        deep += "\\フォルダ" + std::string(30, 'a' + i);
        ASSERT_TRUE(std::filesystem::create_directory(fsPath(deep)));
    }
    ASSERT_GT(deep.size(), 300u);
    ASSERT_TRUE(writeFileAtomic(deep + "\\Readme.txt", "deep").ok);
    EXPECT_EQ(readFileBytes(deep + "/Readme.txt").bytes, "deep");
    EXPECT_TRUE(writeFileAtomic(deep + "\\Readme.txt", "deeper").ok);
    EXPECT_EQ(readFileBytes(deep + "\\Readme.txt").bytes, "deeper");
    EXPECT_EQ(namesInLongFolder(deep), std::set<std::string>{"Readme.txt"});
}

TEST_F(WindowsFileIO, TheTemporaryAndLockFilesAreHiddenAndTheOldAttributesStay) {
    writeBytes("Readme.txt", "old");
    ASSERT_TRUE(
        ::SetFileAttributesW(L"Readme.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    for (const char* target : {"Readme.txt", "new.txt"}) {
        std::set<std::string> temporary;
        DWORD temporaryAttributes = 0;
        setWriteFaultInjector([&](std::string_view step, const std::string&) {
            for (const std::string& name : namesIn("."))
                if (name.ends_with(".tmp") && step == "write") {
                    temporary.insert(name);
                    temporaryAttributes = attributesOf(name);
                }
            return std::error_code();
        });
        EXPECT_TRUE(writeFileAtomic(target, "new").ok) << target;
        ASSERT_EQ(temporary.size(), 1u) << target;
        EXPECT_TRUE(temporary.begin()->starts_with(std::string(".") + target + "."));
        EXPECT_TRUE(temporaryAttributes & FILE_ATTRIBUTE_HIDDEN) << target;
        EXPECT_EQ(readBytes(target), "new");
    }
    // The user's hidden Readme stays hidden; the new file is not hidden like its temporary.
    EXPECT_TRUE(attributesOf("Readme.txt") & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributesOf("new.txt") & FILE_ATTRIBUTE_HIDDEN);
    FileLock lock;
    ASSERT_FALSE(lock.lock(".shared.lock", std::chrono::milliseconds(0)));
    EXPECT_TRUE(attributesOf(".shared.lock") & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(namesIn("."), (std::set<std::string>{"Readme.txt", "new.txt", ".shared.lock"}));
}

TEST_F(WindowsFileIO, WhatCannotBeAFileIsRefusedWithItsReason) {
    writeBytes("locked.txt", "kept");
    ASSERT_TRUE(::SetFileAttributesW(L"locked.txt", FILE_ATTRIBUTE_READONLY));
    std::filesystem::create_directory("folder");
    writeBytes("busy.txt", "kept");
    // Another program holds the file open and lets no one else in, as an editor may.
    const HANDLE busy = ::CreateFileW(L"busy.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);

    struct Case {
        const char* path;
        std::error_code write;  // why writing it fails
        std::error_code read;   // why reading it fails; none: it is simply not there
        bool readable = false;  // it reads
    };
    const std::error_code none;
    const Case cases[] = {
        {"locked.txt", errnoError(EACCES), none, true},  // read-only: readable, never replaced
        {"folder", errnoError(EISDIR), errnoError(EISDIR)},
        {"NUL", FileErrc::NotRegularFile, FileErrc::NotRegularFile},
        {"CON", FileErrc::NotRegularFile, FileErrc::NotRegularFile},
        {"a<b>.txt", FileErrc::InvalidName, FileErrc::InvalidName},
        {"what?.txt", FileErrc::InvalidName, FileErrc::InvalidName},
        {"Readme.txt.", FileErrc::InvalidName, none},  // Windows would drop the dot
        {"no folder\\Readme.txt", errnoError(ENOENT), none},
        {"busy.txt", errnoError(EBUSY), errnoError(EBUSY)},  // after waiting two seconds for it
    };
    for (const Case& c : cases) {
        EXPECT_EQ(writeFileAtomic(c.path, "lost").error, c.write) << c.path;
        if (c.readable) continue;
        const ReadResult r = readFileBytes(c.path);
        if (!c.read) {
            EXPECT_EQ(r.status, ReadResult::Status::Missing) << c.path;
        } else {
            EXPECT_EQ(r.error, c.read) << c.path;
        }
    }
    ::CloseHandle(busy);
    EXPECT_EQ(readBytes("locked.txt"), "kept");
    EXPECT_EQ(readBytes("busy.txt"), "kept");
    EXPECT_EQ(namesIn("."), (std::set<std::string>{"busy.txt", "folder", "locked.txt"}));

    // A device is there but no regular file: the command line writes to it directly.
    const FileLookup nul = lookUpFile("NUL");
    EXPECT_TRUE(nul.state == FileState::Present && !nul.regular && !nul.folder);
    DeviceWriter device;
    EXPECT_FALSE(device.open("NUL"));
    EXPECT_FALSE(device.write("anything"));
    EXPECT_FALSE(device.close());
    FileReader reader;
    EXPECT_EQ(reader.open("CON"), FileErrc::NotRegularFile);
    ::SetFileAttributesW(L"locked.txt", FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WindowsFileIO, AFileHeldForAMomentIsReadOnceItIsLetGo) {
    // A scanner opens a list just as a change reads it, letting no one else in.
    writeBytes("EMAIL.dat", "a\r\n");
    const HANDLE held = ::CreateFileW(L"EMAIL.dat", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread letGo([held] {
        ::Sleep(300);
        ::CloseHandle(held);
    });
    const ReadResult r = readFileBytes("EMAIL.dat");
    letGo.join();
    EXPECT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.bytes, "a\r\n");
}

}  // namespace
}  // namespace norvelle

// norvelle-cli.exe itself, started the way a batch file starts it, and stopped the way a user
// stops it in a console window.

#include "core/document/SoftwareData.h"
#include "core/document/SoftwareDataFile.h"
#include "core/text/Cp932.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

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
using test::writeBytes;

// Whether a temporary file of at least `least` bytes is there.
bool readmeOnItsWay(std::uintmax_t least = 1) {
    std::error_code ec;
    for (const std::string& name : namesIn("."))
        if (name.ends_with(".tmp") && std::filesystem::file_size(fsPath(name), ec) >= least && !ec)
            return true;
    return false;
}

// Ctrl+C, Ctrl+Break and closing the console reach the program through its console; the
// test takes the program's console for a moment to send them, as the console itself does.
bool sendToConsoleOf(DWORD processId, DWORD event) {
    ::FreeConsole();
    if (!::AttachConsole(processId)) return false;
    ::SetConsoleCtrlHandler(nullptr, TRUE);  // not to the test itself
    const bool sent = ::GenerateConsoleCtrlEvent(event, 0);
    ::FreeConsole();
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    return sent;
}

TEST(WindowsCliProcess, CtrlCDuringARenderLeavesTheOldReadmeAndNothingElse) {
    test::TempDir dir;
    // A Readme of two gigabytes were it let: a megabyte-long field, repeated.
    SoftwareData form;
    form.additional[0] = std::string(1'000'000, 'a');
    writeBytes("long.sft", encodeCp932(formatSoftwareDataFile(form, "2.06")).bytes);
    std::string plugin;
    for (int i = 0; i < 2000; ++i) plugin += "[$add1]\r\n";
    writeBytes("p.spd", plugin);

    // Ctrl+C alone: Wine delivers no Ctrl+Break to a console of its own.
    {
        writeBytes("Readme 表.txt", "old\r\n");
        std::wstring command = L"\"" + fsPath(NORVELLE_CLI).wstring() +
                               L"\" render --data long.sft --plugin p.spd --output \"Readme 表.txt\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                                     CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &child));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!readmeOnItsWay() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(readmeOnItsWay()) << "the Readme was never on its way";
        EXPECT_TRUE(sendToConsoleOf(child.dwProcessId, CTRL_C_EVENT)) << ::GetLastError();
        EXPECT_EQ(::WaitForSingleObject(child.hProcess, 20000), WAIT_OBJECT_0);
        ::TerminateProcess(child.hProcess, 1);  // should the event have gone astray
        ::CloseHandle(child.hProcess);
        ::CloseHandle(child.hThread);
        EXPECT_EQ(readBytes("Readme 表.txt"), "old\r\n");
        EXPECT_EQ(namesIn("."), (std::set<std::string>{"Readme 表.txt", "long.sft", "p.spd"}));
    }
}

// Runs norvelle-cli.exe with the arguments; its exit code, and how long it ran in `took`.
DWORD runCli(const std::wstring& arguments, std::chrono::milliseconds& took) {
    std::wstring command = L"\"" + fsPath(NORVELLE_CLI).wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const auto start = std::chrono::steady_clock::now();
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &child))
        return ~DWORD{0};
    DWORD code = ~DWORD{0};
    if (::WaitForSingleObject(child.hProcess, 20000) != WAIT_OBJECT_0)
        ::TerminateProcess(child.hProcess, code);
    ::GetExitCodeProcess(child.hProcess, &code);
    took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
    ::CloseHandle(child.hProcess);
    ::CloseHandle(child.hThread);
    return code;
}

TEST(WindowsCliProcess, AReadmeAnotherProgramHoldsForAMomentIsWaitedFor) {
    using namespace std::chrono_literals;
    test::TempDir dir;
    writeBytes("soft.sft", encodeCp932(formatSoftwareDataFile(SoftwareData{}, "2.06")).bytes);
    writeBytes("p.spd", "new\r\n");
    struct Case {
        std::chrono::milliseconds hold;  // how long another program holds the Readme open
        bool readOnly;
        DWORD exitCode;
        const char* readme;  // what is in it afterwards
    };
    // A virus scanner's moment; a program that keeps it; a file the user marked read-only,
    // refused at once however long nothing holds it.
    const Case cases[] = {
        {300ms, false, 0, "new\r\n\r\n"}, {5000ms, false, 4, "old"}, {0ms, true, 4, "old"}};
    for (const Case& c : cases) {
        writeBytes("Readme.txt", "old");
        if (c.readOnly) ::SetFileAttributesW(L"Readme.txt", FILE_ATTRIBUTE_READONLY);
        // Open for reading and writing by others, as scanners open files, but not for
        // replacing: until it is closed, Windows refuses to put a new file in its place.
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.hold > 0ms)
            held = ::CreateFileW(L"Readme.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        // Held from before the program starts until the time has passed since its temporary
        // file appeared, or until the program has ended.
        const HANDLE ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread letGo([&] {
            while (!readmeOnItsWay(0) && ::WaitForSingleObject(ended, 2) == WAIT_TIMEOUT) {
            }
            ::WaitForSingleObject(ended, static_cast<DWORD>(c.hold.count()));
            if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
        });
        std::chrono::milliseconds took{};
        const DWORD code =
            runCli(L"render --data soft.sft --plugin p.spd --output Readme.txt", took);
        ::SetEvent(ended);
        letGo.join();
        ::CloseHandle(ended);
        EXPECT_EQ(code, c.exitCode) << c.hold.count();
        // Refused after waiting about two seconds, or at once for a read-only file.
        if (code != 0) {
            EXPECT_TRUE(c.readOnly ? took < 1500ms : took >= 1900ms) << took.count();
        }
        ::SetFileAttributesW(L"Readme.txt", FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(readBytes("Readme.txt"), c.readme) << c.hold.count();
        EXPECT_EQ(namesIn("."), (std::set<std::string>{"Readme.txt", "soft.sft", "p.spd"}));
    }
}

}  // namespace
}  // namespace norvelle

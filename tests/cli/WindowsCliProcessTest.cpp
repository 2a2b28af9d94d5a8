// norvelle-cli.exe itself, started the way a batch file starts it, and stopped the way a user
// stops it in a console window.

#include "core/SoftwareData.h"
#include "sftfile/SoftwareDataFile.h"
#include "support/TempDir.h"
#include "text/Cp932.h"

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

bool readmeOnItsWay() {
    std::error_code ec;
    for (const std::string& name : namesIn("."))
        if (name.ends_with(".tmp") && std::filesystem::file_size(fsPath(name), ec) > 0)
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

}  // namespace
}  // namespace norvelle

// A stand-in for the program Windows would open a file or a mail address with: it writes the
// folder it was started in and its command line, in UTF-8, to the file that
// NORVELLE_E2E_RECORD names, and ends. shell_open.sh registers it in the test's Wine prefix.

#include <windows.h>

#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<std::size_t>(n - 1) : 0, '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t record[MAX_PATH];
    if (!::GetEnvironmentVariableW(L"NORVELLE_E2E_RECORD", record, MAX_PATH)) return 2;
    wchar_t folder[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    const std::string text = utf8(folder) + "\n" + utf8(::GetCommandLineW()) + "\n";
    // Written under another name and renamed, so the test never reads half a record.
    const std::wstring partial = std::wstring(record) + L".part";
    const HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && ::MoveFileExW(partial.c_str(), record, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

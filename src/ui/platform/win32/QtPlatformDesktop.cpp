#include "ui/platform/QtPlatformDesktop.h"

#include <QDir>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <string>

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>

namespace norvelle::desktop {

int shellOpen(const QString& target, const QString& workingDirectory) {
    // The shell's "open", owned by the desktop window, with the target exactly as given (a
    // mail subject stays Japanese, not percent-encoded) and no parameters.
    const std::wstring file = target.toStdWString();
    const std::wstring folder = QDir::toNativeSeparators(workingDirectory).toStdWString();
    const HINSTANCE result = ::ShellExecuteW(::GetDesktopWindow(), L"open", file.c_str(), L"",
                                             folder.c_str(), SW_SHOWNORMAL);
    return static_cast<int>(reinterpret_cast<std::intptr_t>(result));
}

bool systemFileDialog(QWidget* parent, bool save, const QString& title,
                      const FileDialogRequest& request, std::optional<QString>& chosen) {
    chosen.reset();
    // The filter: its description and pattern, each ended by a NUL, and one more at the end.
    std::wstring filter = request.filterDescription.toStdWString();
    filter += L'\0';
    filter += request.filterPattern.toStdWString();
    filter += L'\0';
    const std::wstring caption = title.toStdWString();
    std::wstring file = QDir::toNativeSeparators(request.initialName).toStdWString();
    file.resize(32768, L'\0');

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = parent ? reinterpret_cast<HWND>(parent->window()->winId()) : nullptr;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = caption.c_str();
    // No default extension (lpstrDefExt stays null): given one, even an empty one, Windows
    // adds the selected filter's extension to a name typed without any ("Readme" would be
    // saved as Readme.txt), and Qt always gives one, which is why the program does not show
    // this dialog through Qt. No overwrite prompt: the program asks its own. A read-only file
    // is returned too: the program says why it cannot write it. Without a hook or template
    // Windows shows its current dialog for this call.
    dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   OFN_PATHMUSTEXIST | (save ? 0 : OFN_FILEMUSTEXIST);
    // The working directory must stay the program's folder, where the registered lists are
    // read by their bare names; Microsoft has documented OFN_NOCHANGEDIR as ignored by the
    // open dialog, so it is put back by hand whatever the dialog did.
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring workingDirectory(size, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(size, workingDirectory.data());
    workingDirectory.resize(length > 0 && length < size ? length : 0);
    const BOOL accepted = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
    if (!workingDirectory.empty()) ::SetCurrentDirectoryW(workingDirectory.c_str());
    if (accepted) chosen = QDir::fromNativeSeparators(QString::fromWCharArray(file.c_str()));
    return true;
}

void announceRunning() {
    // A mutex named after the program's folder: its full long path, upper-cased as Windows
    // compares names, "\" made "/" (a name may hold none after "Local\"), its last 240
    // characters. packaging/windows/setup.nsi derives the same name from the folder it
    // installs to; a Norvelle run from another folder does not stand in its way.
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return;
    path.resize(n);
    std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    std::wstring longName(32768, L'\0');
    const DWORD m =
        ::GetLongPathNameW(folder.c_str(), longName.data(), static_cast<DWORD>(longName.size()));
    if (m > 0 && m < longName.size()) folder.assign(longName.data(), m);
    if (folder.rfind(L"\\\\?\\", 0) == 0) folder.erase(0, 4);
    ::CharUpperBuffW(folder.data(), static_cast<DWORD>(folder.size()));
    std::replace(folder.begin(), folder.end(), L'\\', L'/');
    if (folder.size() > 240) folder.erase(0, folder.size() - 240);
    // Never closed: Windows removes it when the process ends.
    ::CreateMutexW(nullptr, FALSE, (L"Local\\Norvelle " + folder).c_str());
}

}  // namespace norvelle::desktop

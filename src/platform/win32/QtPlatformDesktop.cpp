#include "platform/QtPlatformDesktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <string>

#include <windows.h>

#include <shellapi.h>
#include <shobjidl.h>

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
    // Qt has COM on this thread already; the count stays balanced either way.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IFileDialog* dialog = nullptr;
    const HRESULT made =
        save ? ::CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IFileSaveDialog, reinterpret_cast<void**>(&dialog))
             : ::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog));
    if (FAILED(made) || !dialog) {
        if (SUCCEEDED(com)) ::CoUninitialize();
        return false;
    }
    const std::wstring caption = title.toStdWString();
    const std::wstring description = request.filterDescription.toStdWString();
    const std::wstring pattern = request.filterPattern.toStdWString();
    const COMDLG_FILTERSPEC filter{description.c_str(), pattern.c_str()};
    dialog->SetTitle(caption.c_str());
    dialog->SetFileTypes(1, &filter);
    dialog->SetFileTypeIndex(1);
    if (!request.initialName.isEmpty())
        dialog->SetFileName(request.initialName.toStdWString().c_str());
    // No SetDefaultExtension: with one, Windows would add the filter's extension to a name
    // typed without any ("Readme" saved as Readme.txt), which Qt's own use of this dialog
    // always asks for. A read-only file is returned too: the program says why it cannot
    // write it.
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options |= FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR;
    options &= ~(FOS_OVERWRITEPROMPT | FOS_NOREADONLYRETURN);
    if (!save) options |= FOS_FILEMUSTEXIST;
    dialog->SetOptions(options);

    const HWND owner = parent ? reinterpret_cast<HWND>(parent->window()->winId()) : nullptr;
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&item)) && item) {
        PWSTR path = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
            chosen = QDir::fromNativeSeparators(QString::fromWCharArray(path));
            ::CoTaskMemFree(path);
        }
        item->Release();
    }
    dialog->Release();
    if (SUCCEEDED(com)) ::CoUninitialize();
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

void enterProgramFolder() {
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

}  // namespace norvelle::desktop

#include "platform/QtPlatformDesktop.h"

#include <QDir>
#include <cstdint>
#include <windows.h>
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

bool nativeFileDialogs() {
    return true;
}

}  // namespace norvelle::desktop

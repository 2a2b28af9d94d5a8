#pragma once

#include <QString>

// What differs between the desktops the program runs on, each side in its own folder
// (posix/, win32/), chosen by the build. The windows never ask which desktop they are on.
namespace norvelle::desktop {

// Opens a file or URL with the program the desktop associates with it, started in
// `workingDirectory`. Returns the shell's own result (greater than 32 on Windows when it
// succeeded; 1 or 0 elsewhere).
int shellOpen(const QString& target, const QString& workingDirectory);

// Whether the file dialogs are the desktop's own. Windows users expect the common dialog of
// their system; elsewhere Qt's own dialog looks and behaves the same on every desktop.
bool nativeFileDialogs();

}  // namespace norvelle::desktop

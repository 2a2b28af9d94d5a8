#pragma once

#include "ui/platform/Platform.h"

#include <QString>
#include <optional>

// What differs between the desktops the program runs on, each side in its own folder
// (posix/, win32/), chosen by the build. The windows never ask which desktop they are on.
namespace norvelle::desktop {

// Opens a file or URL with the program the desktop associates with it, started in
// `workingDirectory`. Returns the shell's own result (greater than 32 on Windows when it
// succeeded; 1 or 0 elsewhere).
int shellOpen(const QString& target, const QString& workingDirectory);

// Shows the desktop's own open (save false) or save dialog where its users expect it: the
// system's common dialog on Windows, with the program's title, its one filter and initial
// name, no overwrite question (the program asks its own) and no default extension, so that a
// name typed without one is used as typed. False where Qt's own dialog is shown instead: it
// looks and behaves the same on every other desktop. Otherwise `chosen` is the path chosen,
// or nullopt when the user cancelled.
bool systemFileDialog(QWidget* parent, bool save, const QString& title,
                      const FileDialogRequest& request, std::optional<QString>& chosen);

// Tells setup and the uninstaller that the program runs from its folder, until it ends
// however it ends. On Windows the files of a running program cannot be replaced or deleted,
// so they wait for it to be closed rather than stop halfway; elsewhere nothing needs it.
void announceRunning();

}  // namespace norvelle::desktop

#include "ui/platform/QtPlatformDesktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace norvelle::desktop {

int shellOpen(const QString& target, const QString& workingDirectory) {
    // The opened program starts in the folder the caller names (the program's folder, for the
    // help and link commands), so it finds the files beside Norvelle by their bare names.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        QProcess process;
        process.setProgram(opener);
        process.setArguments({target});
        process.setWorkingDirectory(workingDirectory);
        process.setStandardInputFile(QProcess::nullDevice());
        return process.startDetached() ? 1 : 0;
    }
    // A desktop without xdg-open: Qt's own route, from the program's working directory.
    const bool isUrl = target.contains(QLatin1Char(':')) && !target.startsWith(QLatin1Char('/'));
    const QUrl url = isUrl ? QUrl(target) : QUrl::fromLocalFile(target);
    return QDesktopServices::openUrl(url) ? 1 : 0;
}

bool systemFileDialog(QWidget*, bool, const QString&, const FileDialogRequest&,
                      std::optional<QString>&) {
    return false;
}

// An install replaces a running program's files by new ones; the running one keeps its own.
void announceRunning() {}

}  // namespace norvelle::desktop

#include "core/document/AppState.h"
#include "core/io/AtomicFileWriter.h"
#include "ui/app/Form1.h"
#include "ui/platform/Fonts.h"
#include "ui/platform/QtPlatform.h"
#include "ui/platform/QtPlatformDesktop.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <optional>

namespace {

// The one argument the program takes: a software data file to open, as the file manager
// passes it. Anything else is explained and passed over, and the program starts as usual.
std::optional<QString> documentArgument(const QStringList& arguments) {
    const QStringList given = arguments.mid(1);
    const bool wrong = given.size() > 1 || (given.size() == 1 && given[0].startsWith(u'-'));
    if (wrong) std::fputs("Usage: norvelle [FILE.sft]\n", stderr);
    if (wrong || given.isEmpty()) return std::nullopt;
    // As the file dialog would name it: the caption shows the file's name.
    return QFileInfo(given[0]).absoluteFilePath();
}

}  // namespace

int main(int argc, char* argv[]) {
    // First of all, while setup may still be replacing the program's files.
    norvelle::desktop::announceRunning();
    // A Readme or list being saved when the session ends or the user presses Ctrl+C in the
    // terminal leaves no half-written temporary file beside it.
    norvelle::removeTemporaryFilesOnSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvelle"));
    // Named as it was given, relative to the folder the program was started in.
    const std::optional<QString> document = documentArgument(QApplication::arguments());
    // The registered lists and copyright.dat are kept in the program's folder, whatever folder
    // the program was started in: from a menu, a link on the PATH, or a file manager that
    // starts it in the folder of a double-clicked document.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    // The program speaks Japanese whatever the system's locale, Qt's own buttons and file
    // dialogs included.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    // The windows were laid out in a Japanese proportional gothic; with the desktop's usual
    // Latin font the Japanese captions fall back glyph by glyph and no longer fit.
    QApplication::setFont(norvelle::PGothic(9));

    norvelle::QtPlatform platform;
    norvelle::AppState state;
    norvelle::Form1 form(platform, state);
    form.show();
    // Opened once the window is up, so a file it refuses is told about over the window.
    if (document)
        QTimer::singleShot(0, &form, [&form, path = document->toStdString()] {
            form.openDocument(path);
        });
    return QApplication::exec();
}

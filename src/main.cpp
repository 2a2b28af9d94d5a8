#include "app/AppState.h"
#include "app/Form1.h"
#include "help/WindowFont.h"
#include "platform/QtPlatform.h"
#include "text/FileIO.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    // A Readme or list being saved when the session ends or the user presses Ctrl+C in the
    // terminal leaves no half-written temporary file beside it.
    norvelle::removeTemporaryFilesOnSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvelle"));

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
    return QApplication::exec();
}

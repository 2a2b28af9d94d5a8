#include "app/AppState.h"
#include "app/Form1.h"
#include "platform/QtPlatform.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvelle"));

    // The program speaks Japanese whatever the system's locale, Qt's own buttons and file
    // dialogs included.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    norvelle::QtPlatform platform;
    norvelle::AppState state;
    norvelle::Form1 form(platform, state);
    form.show();
    return QApplication::exec();
}

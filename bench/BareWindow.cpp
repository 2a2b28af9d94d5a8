// The reference for Norvelle's start-up: a bare Qt window with one label, no more.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Norvelle"));
    label.show();
    return QApplication::exec();
}

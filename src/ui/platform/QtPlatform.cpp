#include "ui/platform/QtPlatform.h"

#include "ui/platform/QtPlatformDesktop.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <limits>

namespace norvelle {

namespace {

QMessageBox::StandardButton toStandardButton(MsgAnswer answer) {
    switch (answer) {
        case MsgAnswer::Yes:
            return QMessageBox::Yes;
        case MsgAnswer::No:
            return QMessageBox::No;
        case MsgAnswer::Cancel:
            return QMessageBox::Cancel;
        case MsgAnswer::Ok:
            break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// The program's texts break lines with a CR alone in places; a label wants LF.
QString forDisplay(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The file list of Qt's file dialog in Japanese whatever the system's locale. Qt writes sizes
// and dates in the system's locale and calls a folder "Folder" in every language; the rest
// of the dialog speaks Japanese through Qt's translation, and so does the program.
class JapaneseFileList : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() == 0)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const bool folder = files->isDir(source);
        switch (index.column()) {
            case 1:  // size
                return folder ? QString() : m_japanese.formattedDataSize(files->size(source));
            case 2:  // type: a file's comes from the MIME database, in Japanese already
                if (folder)
                    return files->fileInfo(source).isRoot() ? QStringLiteral("ドライブ")
                                                            : QStringLiteral("フォルダ");
                break;
            case 3:  // date modified
                return m_japanese.toString(files->lastModified(source), QLocale::ShortFormat);
            default:
                break;
        }
        return QIdentityProxyModel::data(index, role);
    }

private:
    const QLocale m_japanese{QLocale::Japanese, QLocale::Japan};
};

std::optional<QString> runFileDialog(QWidget* parent, const FileDialogRequest& request,
                                     QFileDialog::AcceptMode mode) {
    const bool save = mode == QFileDialog::AcceptSave;
    // The captions of a Japanese Windows' own dialogs, which Qt's translation gives its dialog
    // too; the system's dialog is handed them, since not every system names it itself.
    const QString title = save ? QStringLiteral("名前を付けて保存") : QStringLiteral("開く");
    // Either dialog, the desktop's own or Qt's, leaves the overwrite question to the program
    // and uses a name typed without extension as typed.
    std::optional<QString> chosen;
    if (desktop::systemFileDialog(parent, save, title, request, chosen)) return chosen;
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setProxyModel(new JapaneseFileList(&dialog));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(mode);
    dialog.setWindowTitle(title);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString());
    dialog.setNameFilter(qtFileFilter(request));
    if (!request.initialName.isEmpty()) dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace

QString qtFileFilter(const FileDialogRequest& request) {
    const QString inParentheses = QLatin1Char('(') + request.filterPattern + QLatin1Char(')');
    if (request.filterDescription.endsWith(inParentheses)) return request.filterDescription;
    return request.filterDescription + QLatin1Char(' ') + inParentheses;
}

MsgAnswer QtPlatform::messageBox(QWidget* parent, const MessageBoxRequest& request) {
    QMessageBox box(parent);
    box.setWindowTitle(request.title);
    box.setText(forDisplay(request.text));
    box.setIcon(toIcon(request.icon));
    switch (request.buttons) {
        case MsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
            break;
        case MsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
    }
    box.setDefaultButton(toStandardButton(request.defaultButton));
    box.exec();
    auto* clicked = box.clickedButton();
    switch (box.standardButton(clicked)) {
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        default:
            break;
    }
    return request.buttons == MsgButtons::YesNoCancel ? MsgAnswer::Cancel
           : request.buttons == MsgButtons::YesNo     ? MsgAnswer::No
                                                      : MsgAnswer::Ok;
}

QString QtPlatform::inputBox(QWidget* parent, const QString& prompt, const QString& title,
                             const QString& defaultText) {
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(forDisplay(prompt));
    dialog.setTextValue(defaultText);
    if (auto* edit = dialog.findChild<QLineEdit*>())
        edit->setMaxLength(std::numeric_limits<int>::max());
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.textValue();
}

std::optional<QString> QtPlatform::openFileName(QWidget* parent, const FileDialogRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtPlatform::saveFileName(QWidget* parent, const FileDialogRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

void QtPlatform::setClipboardText(const QString& text) {
    QApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

int QtPlatform::openWithShell(const QString& target, const QString& workingDirectory) {
    return desktop::shellOpen(target, workingDirectory);
}

void QtPlatform::writeSetting(const QString& application, const QString& section,
                              const QString& key, const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
}

QString QtPlatform::programFolder() const {
    return QCoreApplication::applicationDirPath();
}

int QtPlatform::showModal(QDialog* dialog) {
    return dialog->exec();
}

void QtPlatform::endProgram() {
    QCoreApplication::exit(0);
}

}  // namespace norvelle

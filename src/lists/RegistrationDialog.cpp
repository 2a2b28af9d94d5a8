#include "lists/RegistrationDialog.h"

#include "text/Items.h"
#include "lists/ListStorage.h"
#include "platform/Twips.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

namespace norvelle {

int selectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

RegistrationDialog::RegistrationDialog(Platform& platform, AppState& state, QWidget* parent,
                                       int widthTwips, int heightTwips)
    : QDialog(parent), m_platform(platform), m_state(state) {
    // A fixed frame with a close box only; as a child of the main window the dialog is
    // centred over it and has no task bar entry of its own.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips(widthTwips), twips(heightTwips));
}

QPushButton* RegistrationDialog::makeButton(const char* name, const QString& caption, int left,
                                            int top, int width, int height) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    // No button stands in for Enter: in the text box Enter must not clear or delete.
    button->setAutoDefault(false);
    place(button, left, top, width, height);
    return button;
}

void RegistrationDialog::loadList(QListWidget* list, const char* fileName) {
    QWidget* parent = isVisible() ? static_cast<QWidget*>(this) : parentWidget();
    const CutWarning warning = m_cutWarningShown ? CutWarning::AlreadyShown : CutWarning::Show;
    m_cutWarningShown = true;
    const RegisteredEntries loaded = loadRegisteredEntries(platform(), parent, fileName, warning);
    m_unreadEntries = loaded.unread;
    if (loaded.entries) {
        list->clear();
        list->addItems(*loaded.entries);
    }
}

bool RegistrationDialog::roomForAnother(const QListWidget* list) {
    return roomForAnotherEntry(platform(), this, list->count());
}

bool RegistrationDialog::storeList(QListWidget* list, const char* fileName) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) entries.push_back(list->item(i)->text().toStdString());

    const std::string text = formatListFile(entries);
    if (!roomInListFile(platform(), this, text)) return false;
    if (m_unreadEntries && !mayDropUnreadEntries(platform(), this, fileName)) return false;

    switch (storeRegisteredFile(platform(), this, fileName, text, QStringLiteral("登録内容"))) {
        case Stored::No:
            return false;
        case Stored::Yes:
            break;
        case Stored::WithReplacements:
            // Show what the file holds now, so the next change does not ask again.
            for (int i = 0; i < list->count(); ++i)
                list->item(i)->setText(storedForm(list->item(i)->text()));
            break;
    }
    m_unreadEntries = false;  // the file holds the list now
    return true;
}

bool RegistrationDialog::removeList(const char* fileName) {
    if (m_unreadEntries && !mayDropUnreadEntries(platform(), this, fileName)) return false;
    if (!removeRegisteredFile(platform(), this, fileName)) return false;
    m_unreadEntries = false;
    return true;
}

void RegistrationDialog::refreshOwnerAndClose() {
    // The user heard about any list read in part when the dialog opened, or at start-up.
    emit refreshMainLists();
    accept();
}

bool RegistrationDialog::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && m_focusTarget)
        m_focusTarget->setFocus(Qt::ActiveWindowFocusReason);
    return QDialog::event(event);
}

void RegistrationDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
        return;
    }
    QDialog::keyPressEvent(event);  // Escape closes the dialog like its close box
}

}  // namespace norvelle

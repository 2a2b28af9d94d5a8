#include "ui/lists/RegistrationDialog.h"

#include "core/lists/RegisteredLists.h"
#include "ui/lists/ListStorage.h"
#include "ui/platform/Messages.h"
#include "ui/platform/Twips.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <optional>
#include <string>
#include <vector>

namespace norvelle {

int selectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

namespace {

std::vector<std::string> shownEntries(const QListWidget* list) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) entries.push_back(list->item(i)->text().toStdString());
    return entries;
}

}  // namespace

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
    if (const std::optional<QStringList> entries =
            loadRegisteredEntries(platform(), parent, fileName)) {
        list->clear();
        list->addItems(*entries);
    }
}

ListChangeResult RegistrationDialog::changeList(QListWidget* list, const char* fileName,
                                                const ListChange& change) {
    using Status = ListChangeResult::Status;
    ListConsent consent;
    ListChangeResult result = changeListFile(fileName, change, consent);
    // Each question waits with the lock given back; after a Yes the change is made afresh, on
    // the file as it stands then.
    for (;;) {
        if (result.status == Status::DropsUnread && !consent.dropUnread) {
            if (!mayDropUnreadEntries(platform(), this, fileName, result)) break;
            consent.dropUnread = true;
        } else if (result.status == Status::Unencodable && !consent.replaceUnencodable) {
            if (!askReplaceUnencodable(platform(), this, QString::fromLatin1(fileName),
                                       result.unencodable))
                break;
            consent.replaceUnencodable = true;
        } else {
            break;
        }
        result = changeListFile(fileName, change, consent);
    }
    if (result.status == Status::Full) tellListFull(platform(), this);
    if (result.status == Status::Failed)
        reportListChangeFailure(platform(), this, fileName, result);
    // An entry equal to one that went must not take its selection.
    if (result.status == Status::Done && change.kind != ListChange::Kind::Register)
        list->clearSelection();
    showFile(list, fileName);
    return result;
}

void RegistrationDialog::showFile(QListWidget* list, const char* fileName) {
    // Said nothing about: the change has told what the user needs to know.
    const ListFile file = loadListFile(fileName);
    if (file.state == ListFile::State::Unreadable) return;
    const std::vector<std::string> shown = shownEntries(list);
    if (file.items == shown) return;  // the selection and the scrolling stay as they are

    const int row = selectedRow(list);
    const std::optional<ShownEntry> selected =
        row >= 0 ? std::optional(shownEntry(shown, static_cast<std::size_t>(row))) : std::nullopt;
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(file.items.size()));
    for (const std::string& item : file.items) entries.push_back(QString::fromStdString(item));
    list->clear();
    list->addItems(entries);
    if (!selected) return;
    if (const std::optional<std::size_t> again = findShownEntry(file.items, *selected))
        list->setCurrentRow(static_cast<int>(*again));
}

ListChange RegistrationDialog::registration(const QString& typed) {
    ListChange change;
    change.kind = ListChange::Kind::Register;
    change.text = typed.toStdString();
    return change;
}

ListChange RegistrationDialog::clearing(const QListWidget* list) {
    ListChange change;
    change.kind = ListChange::Kind::Clear;
    change.shown = shownEntries(list);
    change.removeFileWhenEmpty = true;
    return change;
}

ShownEntry RegistrationDialog::shownAt(const QListWidget* list, int row) {
    return shownEntry(shownEntries(list), static_cast<std::size_t>(row));
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

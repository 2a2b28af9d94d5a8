#pragma once

#include "core/lists/ListChange.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace norvelle {

class Platform;
struct AppState;

// What the registration dialogs share: a fixed-size modal window over the main window, a
// list of registered entries kept in a list file, and a text box for a new entry that takes
// the keyboard focus whenever the dialog becomes active. There is no default button: Enter
// presses the button that has the focus and nothing else.
class RegistrationDialog : public QDialog {
    Q_OBJECT

signals:
    // The exit button: the main window's lists are to follow the files again.
    void refreshMainLists();

protected:
    RegistrationDialog(Platform& platform, AppState& state, QWidget* parent, int widthTwips,
                       int heightTwips);

    Platform& platform() const { return m_platform; }
    AppState& state() const { return m_state; }

    QPushButton* makeButton(const char* name, const QString& caption, int left, int top, int width,
                            int height);
    void setFocusTarget(QLineEdit* edit) { m_focusTarget = edit; }

    // Shows the entries of the file as the dialog opens; leaves the list as it is when the
    // file is missing or cannot be read (the user is told why).
    void loadList(QListWidget* list, const char* fileName);
    // Makes one change to the file as it stands now, never to the list as it was read (another
    // window may share the file); asks first where the change would drop entries the list
    // could not show or characters Shift-JIS lacks; tells the user why it was not made; then
    // shows the file, the selected entry still selected when it is still there.
    ListChangeResult changeList(QListWidget* list, const char* fileName, const ListChange& change);
    // The change that registers `typed` (an empty text registers nothing, and the file is
    // written all the same), and the one that clears what the list shows.
    static ListChange registration(const QString& typed);
    static ListChange clearing(const QListWidget* list);
    // The entry at `row` of the list, as the change names it.
    static ShownEntry shownAt(const QListWidget* list, int row);
    // The exit button: the main window's lists follow the files, then the dialog closes.
    void refreshOwnerAndClose();

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showFile(QListWidget* list, const char* fileName);

    Platform& m_platform;
    AppState& m_state;
    QLineEdit* m_focusTarget = nullptr;
};

// The row of the selected entry, or -1 when none is selected.
int selectedRow(const QListWidget* list);

}  // namespace norvelle

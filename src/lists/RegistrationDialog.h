#pragma once

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

    // Replaces the list's entries with those of the file; leaves them when the file is
    // missing or cannot be read. Only the first reading of an opening mentions a file that
    // was read in part.
    void loadList(QListWidget* list, const char* fileName);
    // Whether the list may take one more entry; when it is full the user is told why not.
    bool roomForAnother(const QListWidget* list);
    // Rewrites the file from the list. False (after telling the user why) when the file
    // still holds what it held before: it could not be written, the list would not be read
    // back whole from it, or it holds entries the list lacks and the user keeps them.
    bool storeList(QListWidget* list, const char* fileName);
    // Deletes the file; false when it is still there: it could not be deleted (the user is
    // told why), or it holds entries the list lacks and the user keeps them.
    bool removeList(const char* fileName);
    // The exit button: the main window's lists follow the files, then the dialog closes.
    void refreshOwnerAndClose();

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Platform& m_platform;
    AppState& m_state;
    QLineEdit* m_focusTarget = nullptr;
    bool m_cutWarningShown = false;
    // The file last read holds entries the list does not show: a change asks first.
    bool m_unreadEntries = false;
};

// The row of the selected entry, or -1 when none is selected.
int selectedRow(const QListWidget* list);

}  // namespace norvelle

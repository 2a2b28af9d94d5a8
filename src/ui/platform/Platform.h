#pragma once

#include <QString>
#include <optional>

class QDialog;
class QWidget;

namespace norvelle {

enum class MsgIcon { None, Question, Critical, Exclamation, Information };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

struct MessageBoxRequest {
    QString text;
    QString title;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    MsgAnswer defaultButton = MsgAnswer::Ok;
};

// A file dialog as the program sets it up: one filter entry (its description and its
// pattern) and an initial file name. No default extension is ever added: a name typed
// without one is used as typed.
struct FileDialogRequest {
    QString filterDescription;  // e.g. "ソフトデータファイル(*.sft)"
    QString filterPattern;      // e.g. "*.sft"
    QString initialName;        // empty: none
};

// Everything modal or external that the program asks of the desktop and the OS. Windows get
// it handed in; the Qt implementation talks to the real desktop, tests script the answers.
class Platform {
public:
    virtual ~Platform() = default;

    virtual MsgAnswer messageBox(QWidget* parent, const MessageBoxRequest& request) = 0;

    // The text input box: the edited text on OK, the empty text on Cancel.
    virtual QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;

    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> openFileName(QWidget* parent,
                                                const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFileName(QWidget* parent,
                                                const FileDialogRequest& request) = 0;

    virtual void setClipboardText(const QString& text) = 0;

    // Opens a file or URL with the program the desktop associates with it. The result says
    // whether the desktop accepted it; callers do not depend on it.
    virtual int openWithShell(const QString& target, const QString& workingDirectory) = 0;

    // The per-user settings store, addressed by application name, section and key.
    virtual void writeSetting(const QString& application, const QString& section,
                              const QString& key, const QString& value) = 0;

    // The folder the program file lies in.
    virtual QString programFolder() const = 0;

    // Shows a dialog modally and returns its result code when it has closed.
    virtual int showModal(QDialog* dialog) = 0;

    // Ends the program at once, closing every window without asking anything.
    virtual void endProgram() = 0;
};

}  // namespace norvelle

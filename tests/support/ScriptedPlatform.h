#pragma once

#include "ui/platform/Platform.h"

#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace norvelle::test {

// The platform as a test drives it: every modal question takes the next answer from a
// first-in first-out queue that the test filled beforehand. A question that finds no answer
// of its kind, or an answer left over when the platform is destroyed, fails the test. Every
// question is recorded, so tests can check texts, titles, icons, buttons and defaults.
class ScriptedPlatform : public Platform {
public:
    using ModalAction = std::function<void(QDialog&)>;

    struct FileAnswer {
        std::optional<QString> path;  // nothing: the user cancelled
    };
    struct InputAnswer {
        QString text;
    };
    using Answer = std::variant<MsgAnswer, FileAnswer, InputAnswer, ModalAction>;

    struct Prompt {
        enum class Kind { Message, Input, OpenFile, SaveFile, Modal };
        Kind kind = Kind::Message;
        MessageBoxRequest message;  // Message
        FileDialogRequest file;     // OpenFile, SaveFile
        QString prompt, title, defaultText;  // Input; title also for Modal (window title)
        QString objectName;                  // Modal: the dialog's object name
    };

    struct SettingWrite {
        QString application, section, key, value;
    };

    ScriptedPlatform();
    ~ScriptedPlatform() override;

    // Queue answers, in the order the questions will come.
    ScriptedPlatform& answer(MsgAnswer a);
    ScriptedPlatform& answerFile(const QString& path);
    ScriptedPlatform& cancelFile();
    ScriptedPlatform& answerInput(const QString& text);
    // Acts on a dialog shown modally while it is open. When the action leaves it open, the
    // dialog is then closed by its close box.
    ScriptedPlatform& onModal(ModalAction action);

    std::size_t pendingAnswers() const { return m_answers.size(); }
    const std::vector<Prompt>& prompts() const { return m_prompts; }
    std::vector<MessageBoxRequest> messages() const;
    void clearRecords() { m_prompts.clear(); }

    void setProgramFolder(const QString& folder) { m_programFolder = folder; }

    // What reached the desktop.
    QString clipboardText;
    int clipboardWrites = 0;
    std::vector<std::pair<QString, QString>> shellOpens;  // target, working folder
    std::vector<SettingWrite> settingWrites;
    int endProgramCalls = 0;

    // Platform
    MsgAnswer messageBox(QWidget* parent, const MessageBoxRequest& request) override;
    QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    std::optional<QString> openFileName(QWidget* parent,
                                        const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(QWidget* parent,
                                        const FileDialogRequest& request) override;
    void setClipboardText(const QString& text) override;
    int openWithShell(const QString& target, const QString& workingDirectory) override;
    void writeSetting(const QString& application, const QString& section, const QString& key,
                      const QString& value) override;
    QString programFolder() const override { return m_programFolder; }
    int showModal(QDialog* dialog) override;
    void endProgram() override { ++endProgramCalls; }

private:
    template <typename T>
    std::optional<T> take(const char* what);

    std::deque<Answer> m_answers;
    std::vector<Prompt> m_prompts;
    QString m_programFolder;
};

}  // namespace norvelle::test

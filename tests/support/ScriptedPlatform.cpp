#include "support/ScriptedPlatform.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <gtest/gtest.h>

namespace norvelle::test {

namespace {

const char* answerName(const ScriptedPlatform::Answer& a) {
    switch (a.index()) {
        case 0: return "a message box answer";
        case 1: return "a file dialog answer";
        case 2: return "an input box answer";
        default: return "a modal dialog action";
    }
}

}  // namespace

ScriptedPlatform::ScriptedPlatform() : m_programFolder(QDir::currentPath()) {}

ScriptedPlatform::~ScriptedPlatform() {
    for (const auto& a : m_answers)
        ADD_FAILURE() << "ScriptedPlatform: " << answerName(a) << " was queued but never used";
}

ScriptedPlatform& ScriptedPlatform::answer(MsgAnswer a) {
    m_answers.emplace_back(a);
    return *this;
}
ScriptedPlatform& ScriptedPlatform::answerFile(const QString& path) {
    m_answers.emplace_back(FileAnswer{path});
    return *this;
}
ScriptedPlatform& ScriptedPlatform::cancelFile() {
    m_answers.emplace_back(FileAnswer{std::nullopt});
    return *this;
}
ScriptedPlatform& ScriptedPlatform::answerInput(const QString& text) {
    m_answers.emplace_back(InputAnswer{text});
    return *this;
}
ScriptedPlatform& ScriptedPlatform::onModal(ModalAction action) {
    m_answers.emplace_back(std::move(action));
    return *this;
}

std::vector<MessageBoxRequest> ScriptedPlatform::messages() const {
    std::vector<MessageBoxRequest> out;
    for (const auto& p : m_prompts)
        if (p.kind == Prompt::Kind::Message) out.push_back(p.message);
    return out;
}

template <typename T>
std::optional<T> ScriptedPlatform::take(const char* what) {
    if (m_answers.empty()) {
        ADD_FAILURE() << "ScriptedPlatform: " << what << " was shown but no answer was queued";
        return std::nullopt;
    }
    if (!std::holds_alternative<T>(m_answers.front())) {
        ADD_FAILURE() << "ScriptedPlatform: " << what << " was shown but the next answer is "
                      << answerName(m_answers.front());
        return std::nullopt;
    }
    T value = std::get<T>(std::move(m_answers.front()));
    m_answers.pop_front();
    return value;
}

MsgAnswer ScriptedPlatform::messageBox(QWidget*, const MessageBoxRequest& request) {
    Prompt p;
    p.kind = Prompt::Kind::Message;
    p.message = request;
    m_prompts.push_back(p);
    const std::string what = "the message box \"" + request.text.toStdString() + "\"";
    auto a = take<MsgAnswer>(what.c_str());
    if (!a) return MsgAnswer::Cancel;
    return *a;
}

QString ScriptedPlatform::inputBox(QWidget*, const QString& prompt, const QString& title,
                                   const QString& defaultText) {
    Prompt p;
    p.kind = Prompt::Kind::Input;
    p.prompt = prompt;
    p.title = title;
    p.defaultText = defaultText;
    m_prompts.push_back(p);
    auto a = take<InputAnswer>("an input box");
    return a ? a->text : QString();
}

std::optional<QString> ScriptedPlatform::openFileName(QWidget*,
                                                      const FileDialogRequest& request) {
    Prompt p;
    p.kind = Prompt::Kind::OpenFile;
    p.file = request;
    m_prompts.push_back(p);
    auto a = take<FileAnswer>("an open file dialog");
    return a ? a->path : std::nullopt;
}

std::optional<QString> ScriptedPlatform::saveFileName(QWidget*,
                                                      const FileDialogRequest& request) {
    Prompt p;
    p.kind = Prompt::Kind::SaveFile;
    p.file = request;
    m_prompts.push_back(p);
    auto a = take<FileAnswer>("a save file dialog");
    return a ? a->path : std::nullopt;
}

void ScriptedPlatform::setClipboardText(const QString& text) {
    clipboardText = text;
    ++clipboardWrites;
}

int ScriptedPlatform::openWithShell(const QString& target, const QString& workingDirectory) {
    shellOpens.emplace_back(target, workingDirectory);
    return 42;
}

void ScriptedPlatform::writeSetting(const QString& application, const QString& section,
                                    const QString& key, const QString& value) {
    settingWrites.push_back({application, section, key, value});
}

int ScriptedPlatform::showModal(QDialog* dialog) {
    Prompt p;
    p.kind = Prompt::Kind::Modal;
    p.title = dialog->windowTitle();
    p.objectName = dialog->objectName();
    m_prompts.push_back(p);
    const std::string what = "the dialog \"" + dialog->windowTitle().toStdString() + "\"";
    auto action = take<ModalAction>(what.c_str());
    dialog->setResult(0);
    dialog->show();
    dialog->activateWindow();
    QApplication::processEvents();
    if (action) (*action)(*dialog);
    if (dialog->isVisible()) dialog->close();  // the user's close box
    return dialog->result();
}

}  // namespace norvelle::test

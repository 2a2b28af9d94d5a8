#pragma once

#include "ui/platform/Platform.h"

namespace norvelle {

// The real desktop: Qt's message boxes, input box, file dialogs (the system's own on Windows,
// Qt's own elsewhere), clipboard, the shell and settings.
class QtPlatform : public Platform {
public:
    MsgAnswer messageBox(QWidget* parent, const MessageBoxRequest& request) override;
    QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    std::optional<QString> openFileName(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    void setClipboardText(const QString& text) override;
    int openWithShell(const QString& target, const QString& workingDirectory) override;
    void writeSetting(const QString& application, const QString& section, const QString& key,
                      const QString& value) override;
    QString programFolder() const override;
    int showModal(QDialog* dialog) override;
    void endProgram() override;
};

// The filter string Qt's file dialog understands for one filter entry.
QString qtFileFilter(const FileDialogRequest& request);

}  // namespace norvelle

#pragma once

#include "core/text/ReadmeFindings.h"
#include "core/text/TextEncoding.h"

#include <QDialog>
#include <QString>

class QKeyEvent;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace norvelle {

class Platform;
struct AppState;

// The preview window: the expanded Readme text, which the user may touch up, copy to the
// clipboard or save as a text file in its plugin's encoding. What the Readme rules find in the
// text is marked in it and listed below it, kept up to date as the user edits.
class Form6 : public QDialog {
    Q_OBJECT

public:
    Form6(Platform& platform, AppState& state, QWidget* parent = nullptr);
    ~Form6() override;

    QPlainTextEdit* Text1() const { return m_text1; }
    QListWidget* List1() const { return m_list1; }
    QPushButton* Command1() const { return m_command1; }
    QPushButton* Command2() const { return m_command2; }

    // Replaces the box's text. The text is kept exactly as given (CR LF, a CR alone or a LF
    // alone inside a line), so that an unedited Readme is written byte for byte as expanded.
    void setExpandedText(const QString& text);

    // How "Readme.txt作成" writes the text: in the plugin's encoding, under the name it
    // proposes. Until set: code page 932, Readme.txt. The text is checked by the rules of
    // that encoding and kind of file.
    void setReadme(TextEncoding encoding, const QString& fileName);

    // The text as it is now: the text as given while the user has not edited the box,
    // otherwise the box's lines joined with CR LF.
    QString currentText() const;

    void Command1_Click();  // copy to the clipboard
    void Command2_Click();  // save as a text file
    void List1_Click();     // go to the finding in the text

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ReadmeRules rules() const;
    void Text1_Change();
    void checkText();
    void showList(bool shown);

    Platform& m_platform;
    AppState& m_state;
    QPlainTextEdit* m_text1 = nullptr;
    QListWidget* m_list1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QTimer* m_recheck = nullptr;
    QString m_original;
    TextEncoding m_encoding = TextEncoding::Cp932;
    QString m_readmeName = QStringLiteral("Readme.txt");
};

}  // namespace norvelle

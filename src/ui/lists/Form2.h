#pragma once

#include "ui/lists/RegistrationDialog.h"

class QLabel;

namespace norvelle {

// The registered e-mail addresses (RegistrationMode 1) or home-page addresses (any other
// mode): add from the text box, delete the selected entry, or clear the list shown. Every
// change goes to the mode's file at once, as that file stands, and the list then shows the
// file; the exit button refreshes the main window's lists.
class Form2 : public RegistrationDialog {
    Q_OBJECT

public:
    Form2(Platform& platform, AppState& state, QWidget* parent);

    QLabel* Label1() const { return m_label1; }
    QListWidget* List1() const { return m_list1; }
    QLineEdit* Text1() const { return m_text1; }
    QPushButton* Command1() const { return m_command1; }  // 登録
    QPushButton* Command2() const { return m_command2; }  // 終了
    QPushButton* Command3() const { return m_command3; }  // クリア / これを削除

    void Form_Load();
    void List1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

private:
    const char* fileName() const;
    void showMode();  // caption, label and the list from the mode's file

    QLabel* m_label1 = nullptr;
    QListWidget* m_list1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
};

}  // namespace norvelle

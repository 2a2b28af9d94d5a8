#pragma once

#include "ui/lists/RegistrationDialog.h"

class QLabel;

namespace norvelle {

// The registered needed files (Needfiles.dat): add from the text box, delete the selected
// entry, or clear the list shown. Every change goes to the file at once, as that file stands,
// and the list then shows the file; the exit button refreshes the main window's lists. The
// fixed needed files are not shown here.
class Form3 : public RegistrationDialog {
    Q_OBJECT

public:
    Form3(Platform& platform, AppState& state, QWidget* parent);

    QLabel* Label1() const { return m_label1; }
    QListWidget* List1() const { return m_list1; }
    QLineEdit* Text1() const { return m_text1; }
    QPushButton* Command1() const { return m_command1; }  // クリア
    QPushButton* Command2() const { return m_command2; }  // 削除
    QPushButton* Command3() const { return m_command3; }  // 登録
    QPushButton* Command4() const { return m_command4; }  // 終了

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

private:
    QLabel* m_label1 = nullptr;
    QListWidget* m_list1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
    QPushButton* m_command4 = nullptr;
};

}  // namespace norvelle

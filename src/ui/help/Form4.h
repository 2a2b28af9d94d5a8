#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;

namespace norvelle {

class Platform;

// The welcome wizard: greets the user, says what the wizard is for and lets the user turn it
// off for the future. The program opens it nowhere at present; it is kept ready, and works
// when it is shown.
class Form4 : public QDialog {
    Q_OBJECT

public:
    Form4(Platform& platform, QWidget& owner);
    ~Form4() override;

    void Form_Load();
    void Command1_Click();  // ウィザードを閉じる
    void Command2_Click();  // 次へ>>

private:
    // A ticked box stores "1" (no wizard from next time); an unticked one stores nothing.
    void storeIfTicked();

    Platform& m_platform;
    QWidget& m_owner;
    QLabel* m_label3 = nullptr;
    QCheckBox* m_check1 = nullptr;
};

}  // namespace norvelle

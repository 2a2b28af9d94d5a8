#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace norvelle {

class Platform;
struct AppState;

// The version box: the program's title, version and icon, the maker's copyright line and two
// links, one starting a mail to the maker's support address, one opening the maker's home page.
// A clicked link turns red and stays so until the mouse moves over the box's background.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    frmAbout(Platform& platform, const AppState& state, QWidget& owner);
    ~frmAbout() override;

    void Form_Load();
    void Form_MouseMove();
    void cmdOK_Click();
    void Label4_Click();  // the mail link
    void Label5_Click();  // the home-page link

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Platform& m_platform;
    const AppState& m_state;
    QWidget& m_owner;

    QLabel* m_picIcon = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_label4 = nullptr;
    QLabel* m_label5 = nullptr;
    QPushButton* m_cmdOK = nullptr;
};

}  // namespace norvelle

#include "ui/help/Form4.h"

#include "ui/help/WizardSetting.h"
#include "ui/platform/Fonts.h"
#include "ui/platform/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace norvelle {

namespace {}  // namespace

Form4::Form4(Platform& platform, QWidget& owner)
    : QDialog(&owner), m_platform(platform), m_owner(owner) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Norvelle Easy Wizard"));
    // A fixed single border without minimize and maximize buttons; a dialog with an owner
    // opens centred over it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips(5010), twips(2880));
    setFont(PGothic(9));

    auto* label1 = new QLabel(QStringLiteral("Norvelle へようこそ。"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(label1, 120, 240, 3375, 255);

    auto* label2 = new QLabel(
        QStringLiteral("このソフトを使うと簡単に配布用Readme.txtを作成できます。"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(label2, 120, 720, 4695, 255);

    m_label3 = new QLabel(this);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(m_label3, 120, 1080, 4695, 615);

    m_check1 = new QCheckBox(QStringLiteral("次回からこのウィザードを使用しない。"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    place(m_check1, 120, 1920, 3255, 255);

    auto* command1 = new QPushButton(QStringLiteral("ウィザードを閉じる"), this);
    command1->setObjectName(QStringLiteral("Command1"));
    place(command1, 120, 2400, 1695, 375);
    connect(command1, &QPushButton::clicked, this, &Form4::Command1_Click);

    auto* command2 = new QPushButton(QStringLiteral("次へ>>"), this);
    command2->setObjectName(QStringLiteral("Command2"));
    place(command2, 3240, 2400, 1575, 375);
    connect(command2, &QPushButton::clicked, this, &Form4::Command2_Click);

    Form_Load();
}

Form4::~Form4() = default;

void Form4::Form_Load() {
    setWindowIcon(m_owner.window()->windowIcon());
    m_label3->setText(
        QStringLiteral("Norvelleのウィザードを使用すると\n"
                       "より簡単にReadme.txtを作成できます。\n"
                       "ウィザードを使用するには「次へ>>」を押してください。"));
}

void Form4::storeIfTicked() {
    if (m_check1->isChecked()) WriteWizardSetting(m_platform, QStringLiteral("1"));
}

void Form4::Command1_Click() {
    storeIfTicked();
    close();
}

// 次へ>> keeps the user's choice; the wizard stays open.
void Form4::Command2_Click() {
    storeIfTicked();
}

}  // namespace norvelle

#include "ui/lists/Form2.h"

#include "core/document/AppState.h"
#include "core/lists/RegisteredLists.h"
#include "ui/platform/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <limits>

namespace norvelle {

Form2::Form2(Platform& platform, AppState& state, QWidget* parent)
    : RegistrationDialog(platform, state, parent, 4365, 2160) {
    setObjectName(QStringLiteral("Form2"));

    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    place(m_label1, 120, 120, 4095, 255);

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setSelectionMode(QAbstractItemView::SingleSelection);
    place(m_list1, 120, 480, 4095, 600);
    m_label1->setBuddy(m_list1);

    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setMaxLength(std::numeric_limits<int>::max());
    place(m_text1, 120, 1200, 4095, 270);

    m_command3 = makeButton("Command3", QStringLiteral("クリア"), 120, 1680, 1215, 375);
    m_command1 = makeButton("Command1", QStringLiteral("登録"), 1560, 1680, 1215, 375);
    m_command2 = makeButton("Command2", QStringLiteral("終了"), 3000, 1680, 1215, 375);

    setTabOrder(m_command3, m_command1);
    setTabOrder(m_command1, m_command2);
    setTabOrder(m_command2, m_text1);
    setTabOrder(m_text1, m_list1);
    setFocusTarget(m_text1);

    connect(m_list1, &QListWidget::itemSelectionChanged, this, [this] {
        if (selectedRow(m_list1) >= 0) List1_Click();
    });
    connect(m_text1, &QLineEdit::returnPressed, this, &Form2::Command1_Click);  // Enter
    connect(m_command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(m_command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(m_command3, &QPushButton::clicked, this, &Form2::Command3_Click);

    Form_Load();
}

const char* Form2::fileName() const {
    return state().RegistrationMode == 1 ? kEmailFile : kHomePageFile;
}

void Form2::Form_Load() {
    state().ListItemSelected = 0;
    m_command3->setText(QStringLiteral("クリア"));
    showMode();
}

void Form2::showMode() {
    if (state().RegistrationMode == 1) {
        setWindowTitle(QStringLiteral("Eﾒｰﾙｱﾄﾞﾚｽの登録"));
        m_label1->setText(QStringLiteral("現在登録されているEメールアドレス"));
        m_text1->setAccessibleName(QStringLiteral("登録するEメールアドレス"));
    } else {
        setWindowTitle(QStringLiteral("ﾎｰﾑﾍﾟｰｼﾞの登録"));
        m_label1->setText(QStringLiteral("現在登録されているホームページアドレス"));
        m_text1->setAccessibleName(QStringLiteral("登録するホームページアドレス"));
    }
    m_list1->setAccessibleName(m_label1->text());
    loadList(m_list1, fileName());
}

void Form2::List1_Click() {
    m_command3->setText(QStringLiteral("これを削除"));
    state().ListItemSelected = 1;
}

void Form2::Command1_Click() {
    const QString typed = m_text1->text();
    // An empty box with the first entry selected registers nothing.
    if (typed.isEmpty() && selectedRow(m_list1) == 0) return;
    // Otherwise the typed text stays in the box unless the file took it.
    if (changeList(m_list1, fileName(), registration(typed)).status ==
        ListChangeResult::Status::Done)
        m_text1->clear();
}

void Form2::Command2_Click() {
    refreshOwnerAndClose();
}

void Form2::Command3_Click() {
    if (state().ListItemSelected != 1) {
        // Clear: what the list shows goes, without a question.
        changeList(m_list1, fileName(), clearing(m_list1));
        return;
    }

    const int row = selectedRow(m_list1);
    if (row < 0) return;  // the user took the selection away: there is nothing to delete
    // The typed text is registered in the same step, unless the entry was the last one: then
    // the file goes and the text stays in the box.
    ListChange change;
    change.kind = ListChange::Kind::Delete;
    change.entry = shownAt(m_list1, row);
    change.text = m_text1->text().toStdString();
    change.removeFileWhenEmpty = true;
    m_list1->clearSelection();
    if (changeList(m_list1, fileName(), change).added) m_text1->clear();

    state().ListItemSelected = 0;
    m_command3->setText(QStringLiteral("クリア"));
}

}  // namespace norvelle

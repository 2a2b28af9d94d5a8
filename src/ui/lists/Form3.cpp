#include "ui/lists/Form3.h"

#include "core/lists/RegisteredLists.h"
#include "ui/platform/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <limits>

namespace norvelle {

Form3::Form3(Platform& platform, AppState& state, QWidget* parent)
    : RegistrationDialog(platform, state, parent, 4575, 2625) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("必要ファイルの登録"));

    m_label1 = new QLabel(QStringLiteral("現在登録されている必要なファイル"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    place(m_label1, 120, 120, 2655, 255);
    // Some fonts need more room for the caption than it was drawn with; the space to its
    // right is free up to the list's right edge.
    m_label1->resize(std::clamp(m_label1->sizeHint().width(), m_label1->width(), twips(4335)),
                     m_label1->height());

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list1->setAccessibleName(m_label1->text());
    place(m_list1, 120, 360, 4335, 1320);
    m_label1->setBuddy(m_list1);

    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setMaxLength(std::numeric_limits<int>::max());
    m_text1->setAccessibleName(QStringLiteral("登録する必要なファイル"));
    place(m_text1, 120, 1800, 4335, 270);

    m_command1 = makeButton("Command1", QStringLiteral("クリア"), 120, 2160, 855, 375);
    m_command2 = makeButton("Command2", QStringLiteral("削除"), 1080, 2160, 975, 375);
    m_command3 = makeButton("Command3", QStringLiteral("登録"), 2160, 2160, 1095, 375);
    m_command4 = makeButton("Command4", QStringLiteral("終了"), 3360, 2160, 1095, 375);

    setTabOrder(m_command1, m_command2);
    setTabOrder(m_command2, m_command3);
    setTabOrder(m_command3, m_command4);
    setTabOrder(m_command4, m_text1);
    setTabOrder(m_text1, m_list1);
    setFocusTarget(m_text1);

    connect(m_command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(m_command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(m_command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    connect(m_command4, &QPushButton::clicked, this, &Form3::Command4_Click);

    Form_Load();
}

void Form3::Form_Load() {
    loadList(m_list1, kNeededFilesFile);
}

void Form3::Command1_Click() {
    changeList(m_list1, kNeededFilesFile, clearing(m_list1));
}

void Form3::Command2_Click() {
    // With nothing selected nothing is removed, and the file is still written. The text box
    // is left alone.
    ListChange change;
    change.kind = ListChange::Kind::Delete;
    const int row = selectedRow(m_list1);
    if (row >= 0) change.entry = shownAt(m_list1, row);
    changeList(m_list1, kNeededFilesFile, change);
}

void Form3::Command3_Click() {
    if (changeList(m_list1, kNeededFilesFile, registration(m_text1->text())).status ==
        ListChangeResult::Status::Done)
        m_text1->clear();  // otherwise the typed text stays in the box
}

void Form3::Command4_Click() {
    refreshOwnerAndClose();
}

}  // namespace norvelle

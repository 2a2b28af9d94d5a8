#include "ui/app/Form1.h"

#include "ui/platform/Twips.h"

#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QStringListModel>
#include <QMenuBar>
#include <limits>

// How the main window is laid out: its fields in twips, as the form was drawn, and its menus.

namespace norvelle {

namespace {

constexpr int kNoLengthLimit = std::numeric_limits<int>::max();

}  // namespace

void Form1::buildFields() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips(7650), twips(4545));
    setCentralWidget(client);

    auto makeLabel = [client](const QString& name, const QString& caption, int left, int top,
                              int width) {
        auto* label = new QLabel(caption, client);
        label->setObjectName(name);
        place(label, left, top, width, 255);
        return label;
    };
    auto makeText = [client](const QString& name, const QString& text, int left, int top) {
        auto* edit = new QLineEdit(text, client);
        edit->setObjectName(name);
        edit->setMaxLength(kNoLengthLimit);
        place(edit, left, top, 2535, 270);
        return edit;
    };
    // No completion: a field holds exactly what is typed. An editable combo box would build a
    // completer of its own only for it to be thrown away, half a millisecond of start-up for
    // the six; a line edit that comes with one keeps it, so they take this one in turn.
    QCompleter noCompletion;
    auto makeCombo = [this, client, &noCompletion](int index, int left, int top) {
        auto* combo = new QComboBox(client);
        combo->setObjectName(QStringLiteral("Combo1_%1").arg(index));
        combo->setModel(new QStringListModel(combo));  // see showRegisteredList
        auto* edit = new QLineEdit(combo);
        edit->setPalette(combo->palette());
        edit->setCompleter(&noCompletion);
        combo->setLineEdit(edit);  // which makes the box editable
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);  // typed text never joins the list
        combo->lineEdit()->setMaxLength(kNoLengthLimit);
        combo->setMaxVisibleItems(16);
        // The field has its place and size; measuring every entry of a registered list of
        // ten thousand addresses for a size hint nobody uses would only slow start-up.
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        if (auto* popup = qobject_cast<QListView*>(combo->view())) popup->setUniformItemSizes(true);
        place(combo, left, top, 2535, 300);
        connect(combo, &QComboBox::editTextChanged, this, [this, index] { Combo1_Change(index); });
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, index] {
            combo->lineEdit()->setCursorPosition(0);  // an entry shows from its start
            Combo1_Change(index);
        });
        return combo;
    };

    // Left column: labels at x = 120, inputs at x = 960.
    m_label1[0] = makeLabel(QStringLiteral("Label1_0"), QStringLiteral("ソフト名"), 120, 120, 840);
    m_text2[0] = makeText(QStringLiteral("Text2_0"), QString(), 960, 120);
    m_label1[1] = makeLabel(QStringLiteral("Label1_1"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), 120, 600, 840);
    m_text2[1] = makeText(QStringLiteral("Text2_1"), QStringLiteral("Ver "), 960, 600);
    m_label1[2] = makeLabel(QStringLiteral("Label1_2"), QStringLiteral("著作権"), 120, 1080, 840);
    m_text2[2] = makeText(QStringLiteral("Text2_2"), QString(), 960, 1080);
    m_label1[3] = makeLabel(QStringLiteral("Label1_3"), QStringLiteral("動作環境"), 120, 1560, 840);
    m_combo1[0] = makeCombo(0, 960, 1560);
    m_label1[4] = makeLabel(QStringLiteral("Label1_4"), QStringLiteral("動作確認"), 120, 2040, 840);
    m_combo1[1] = makeCombo(1, 960, 2040);

    // Right column: inputs at x = 4920, labels at x = 3840 (4080 for 転載).
    m_label1[5] = makeLabel(QStringLiteral("Label1_5"), QStringLiteral("転載"), 4080, 120, 840);
    m_combo1[2] = makeCombo(2, 4920, 120);
    m_label1[6] =
        makeLabel(QStringLiteral("Label1_6"), QStringLiteral("ソフトの種別"), 3840, 600, 1080);
    m_combo1[3] = makeCombo(3, 4920, 600);
    m_label1[7] =
        makeLabel(QStringLiteral("Label1_7"), QStringLiteral("ｼｪｱｳｴｱ代金"), 3840, 1080, 1080);
    m_text2[4] = makeText(QStringLiteral("Text2_4"), QStringLiteral("\\"), 4920, 1080);
    m_label1[8] =
        makeLabel(QStringLiteral("Label1_8"), QStringLiteral("Eﾒｰﾙｱﾄﾞﾚｽ"), 3840, 1560, 1080);
    m_combo1[4] = makeCombo(4, 4920, 1560);
    m_label1[9] =
        makeLabel(QStringLiteral("Label1_9"), QStringLiteral("ﾎｰﾑﾍﾟｰｼﾞ"), 3840, 2040, 1080);
    m_combo1[5] = makeCombo(5, 4920, 2040);
    setEditText(m_combo1[5], QStringLiteral("http://"));

    // The needed-files list spans both columns.
    m_list1 = new QListWidget(client);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setSelectionMode(QAbstractItemView::MultiSelection);  // a click toggles an entry
    // Every entry is one line of text: the list need not lay out ten thousand of them one by
    // one to know how tall they are.
    m_list1->setUniformItemSizes(true);
    place(m_list1, 960, 2520, 6495, 900);
    m_label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("必要ﾌｧｲﾙ"), 120, 2880, 840);

    // Additional items.
    m_label4[0] =
        makeLabel(QStringLiteral("Label4_0"), QStringLiteral("追加項目1"), 120, 3645, 840);
    m_text1[0] = makeText(QStringLiteral("Text1_0"), QString(), 960, 3600);
    m_label4[1] =
        makeLabel(QStringLiteral("Label4_1"), QStringLiteral("追加項目2"), 4080, 3645, 840);
    m_text1[1] = makeText(QStringLiteral("Text1_1"), QString(), 4920, 3600);
    m_label4[2] =
        makeLabel(QStringLiteral("Label4_2"), QStringLiteral("追加項目3"), 120, 4125, 840);
    m_text1[2] = makeText(QStringLiteral("Text1_2"), QString(), 960, 4080);
    m_label4[3] =
        makeLabel(QStringLiteral("Label4_3"), QStringLiteral("追加項目4"), 4080, 4125, 840);
    m_text1[3] = makeText(QStringLiteral("Text1_3"), QString(), 4920, 4080);

    // Each field is announced by its label's caption.
    auto announce = [](QLabel* label, QWidget* input) {
        label->setBuddy(input);
        input->setAccessibleName(label->text());
    };
    announce(m_label1[0], m_text2[0]);
    announce(m_label1[1], m_text2[1]);
    announce(m_label1[2], m_text2[2]);
    announce(m_label1[3], m_combo1[0]);
    announce(m_label1[4], m_combo1[1]);
    announce(m_label1[5], m_combo1[2]);
    announce(m_label1[6], m_combo1[3]);
    announce(m_label1[7], m_text2[4]);
    announce(m_label1[8], m_combo1[4]);
    announce(m_label1[9], m_combo1[5]);
    announce(m_label2, m_list1);
    for (int i = 0; i < 4; ++i) announce(m_label4[i], m_text1[i]);

    // Down the left column, down the right column, then the list and the additional items.
    const QWidget* order[] = {m_text2[0],  m_text2[1],  m_text2[2], m_combo1[0], m_combo1[1],
                              m_combo1[2], m_combo1[3], m_text2[4], m_combo1[4], m_combo1[5],
                              m_list1,     m_text1[0],  m_text1[1], m_text1[2],  m_text1[3]};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));

    // A dropped software data file opens wherever it lands, also over a text box, which would
    // otherwise take the file's name as text.
    setAcceptDrops(true);
    for (QWidget* child : client->findChildren<QWidget*>()) child->installEventFilter(this);

    // The window keeps its size: the client area plus the menu bar.
    adjustSize();
    setFixedSize(sizeHint());
}

QAction* Form1::addMenuCommand(QMenu* menu, const char* name, const QString& caption,
                               void (Form1::*handler)()) {
    QAction* action = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void Form1::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));

    QMenu* filee = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    filee->setObjectName(QStringLiteral("Filee"));
    filee->menuAction()->setObjectName(QStringLiteral("Filee"));
    addMenuCommand(filee, "sink", QStringLiteral("新規作成"), &Form1::sink_Click);
    addMenuCommand(filee, "softl", QStringLiteral("ソフトデータのロード"), &Form1::softl_Click);
    filee->addSeparator()->setObjectName(QStringLiteral("sen0"));
    addMenuCommand(filee, "softs", QStringLiteral("ソフトデータのセーブ"), &Form1::softs_Click);
    filee->addSeparator()->setObjectName(QStringLiteral("sen3"));
    addMenuCommand(filee, "syuu", QStringLiteral("終了"), &Form1::syuu_Click);

    addMenuCommand(nullptr, "m", QStringLiteral("作成"), &Form1::m_Click);

    QMenu* hen = bar->addMenu(QStringLiteral("編集"));
    hen->setObjectName(QStringLiteral("hen"));
    hen->menuAction()->setObjectName(QStringLiteral("hen"));
    addMenuCommand(hen, "email", QStringLiteral("Eﾒｰﾙｱﾄﾞﾚｽの登録"), &Form1::email_Click);
    addMenuCommand(hen, "hpr", QStringLiteral("ﾎｰﾑﾍﾟｰｼﾞの登録"), &Form1::hpr_Click);
    addMenuCommand(hen, "tyo", QStringLiteral("著作権の登録"), &Form1::tyo_Click);
    addMenuCommand(hen, "hitu", QStringLiteral("必要ﾌｧｲﾙの登録"), &Form1::hitu_Click);
    // The wizard entry and its separator are switched off for good: nothing switches them
    // on, so they are left out of the visible menu.
    QAction* sen4 = hen->addSeparator();
    sen4->setObjectName(QStringLiteral("sen4"));
    sen4->setEnabled(false);
    sen4->setVisible(false);
    QAction* wizard = addMenuCommand(hen, "wizard", QStringLiteral("起動時にウィザードを表示する"),
                                     &Form1::wizard_Click);
    wizard->setCheckable(true);
    wizard->setChecked(true);
    wizard->setEnabled(false);
    wizard->setVisible(false);

    QMenu* hrlp = bar->addMenu(QStringLiteral("ヘルプ"));
    hrlp->setObjectName(QStringLiteral("hrlp"));
    hrlp->menuAction()->setObjectName(QStringLiteral("hrlp"));
    addMenuCommand(hrlp, "html", QStringLiteral("ヘルプ"), &Form1::html_Click);
    addMenuCommand(hrlp, "vvv", QStringLiteral("バージョン情報"), &Form1::vvv_Click);
}

}  // namespace norvelle

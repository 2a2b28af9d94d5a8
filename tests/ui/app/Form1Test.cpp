#include "core/lists/RegisteredLists.h"
#include "support/MainWindowTest.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <filesystem>

namespace norvelle::test {
namespace {

using Form1Test = MainWindowTest;

const QStringList kFixed = {"Direct X 8.0", "Direct X 7.0", "Direct X 6.0",
                            "Visual Basicのランタイムライブラリ", "MFC42.DLL"};

TEST_F(Form1Test, FreshStartShowsTheNewDocumentWithoutAFee) {
    Form1& f = start();
    EXPECT_EQ(f.windowTitle(), QString("Norvelle  Ver 2.06 - (新規作成)"));
    EXPECT_EQ(state.AppVersion, "2.06");
    EXPECT_EQ(state.TitlePrefix, "Norvelle  Ver 2.06");

    // The preset type takes no fee; what a fresh form holds is saved byte for byte in
    // SoftwareDataCommandsTest.
    EXPECT_FALSE(f.Text2(4)->isEnabled());
    EXPECT_FALSE(f.Label1(7)->isEnabled());
    EXPECT_EQ(f.Combo1(4)->count(), 0);  // no EMAIL.dat
    EXPECT_EQ(listEntries(), kFixed);
    EXPECT_TRUE(selectedRows().empty());
    EXPECT_EQ(f.List1()->currentRow(), -1);

    // Labels: captions, and each input announced by its label.
    const QStringList captions = {"ソフト名", "ﾊﾞｰｼﾞｮﾝ", "著作権", "動作環境", "動作確認",
                                  "転載", "ソフトの種別", "ｼｪｱｳｴｱ代金", "Eﾒｰﾙｱﾄﾞﾚｽ", "ﾎｰﾑﾍﾟｰｼﾞ"};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(f.Label1(i)->text(), captions[i]);
    EXPECT_EQ(f.Label2()->text(), "必要ﾌｧｲﾙ");
    EXPECT_EQ(f.Label4(3)->text(), "追加項目4");
    EXPECT_EQ(f.Text2(0)->accessibleName(), "ソフト名");
    EXPECT_EQ(f.Combo1(3)->accessibleName(), "ソフトの種別");
    EXPECT_EQ(f.List1()->accessibleName(), "必要ﾌｧｲﾙ");
    EXPECT_EQ(f.Text1(1)->accessibleName(), "追加項目2");
    EXPECT_EQ(f.Label1(7)->buddy(), f.Text2(4));
    EXPECT_EQ(f.findChild<QLineEdit*>("Text2_4"), f.Text2(4));
    EXPECT_EQ(f.findChild<QComboBox*>("Combo1_5"), f.Combo1(5));
    EXPECT_EQ(f.findChild<QListWidget*>("List1"), f.List1());
}

TEST_F(Form1Test, RegisteredListsAndCopyrightFillTheForm) {
    writeBytes("EMAIL.dat", "x,y\r\nz@example.org\r\n");
    writeBytes("HomePage.dat", "");
    // A blank line, an entry equal to a fixed one, a ソ whose trail byte is a backslash,
    // leading spaces, a quoted comma.
    writeBytes("Needfiles.dat", sjis("A.DLL\r\n\r\nMFC42.DLL\r\nソフト\\x.dll\r\n  B.DLL\r\n\"C,D\"\r\n"));
    writeBytes("copyright.dat", sjis("\"山田, 太郎\"\r\n"));
    Form1& f = start();
    const int environments = f.Combo1(0)->count(), types = f.Combo1(3)->count();

    EXPECT_EQ(comboEntries(f.Combo1(4)), QStringList({"x", "y", "z@example.org"}));
    EXPECT_EQ(f.Combo1(4)->currentText(), "x");
    EXPECT_EQ(f.Combo1(5)->currentText(), "");  // an empty file empties the preset too
    EXPECT_EQ(f.Combo1(5)->count(), 0);
    EXPECT_EQ(listEntries(), kFixed + QStringList({"A.DLL", "", "MFC42.DLL", "ソフト\\x.dll",
                                                   "B.DLL", "C,D"}));
    EXPECT_EQ(f.List1()->currentRow(), 0);  // the focus mark, not a selection
    EXPECT_TRUE(selectedRows().empty());
    EXPECT_EQ(f.Text2(2)->text(), "山田, 太郎");

    // Start-up again (as New runs it): nothing doubles, the lists are read afresh.
    writeBytes("EMAIL.dat", "new@example.org\r\n");
    writeBytes("copyright.dat", "a,b\r\n");  // unquoted: only the first item counts
    f.List1()->item(1)->setSelected(true);
    f.Form_Load();
    EXPECT_EQ(f.Combo1(0)->count(), environments);
    EXPECT_EQ(f.Combo1(3)->count(), types);
    EXPECT_EQ(comboEntries(f.Combo1(4)), QStringList({"new@example.org"}));
    EXPECT_EQ(f.List1()->count(), 11);
    EXPECT_TRUE(selectedRows().empty());
    EXPECT_EQ(f.Text2(2)->text(), "a");
}

TEST_F(Form1Test, FilesThatCannotBeReadNeverStopStartUp) {
    std::filesystem::create_directory("EMAIL.dat");     // a folder of that name
    std::filesystem::create_directory("copyright.dat");
    writeBytes("HomePage.dat", "http://a.example.org/\r\n\x82\r\nhttp://b.example.org/\r\n");
    writeBytes("Needfiles.dat", "");  // empty: only the fixed entries, none current
    Form1& f = start();

    EXPECT_EQ(f.Combo1(4)->currentText(), "");  // left as it was
    EXPECT_EQ(f.Text2(2)->text(), "");
    // Bytes that are not code page 932 do not cost the entries around them.
    EXPECT_EQ(comboEntries(f.Combo1(5)),
              QStringList({"http://a.example.org/", QString(QChar(0xFFFD)), "http://b.example.org/"}));
    EXPECT_EQ(listEntries(), kFixed);
    EXPECT_EQ(f.List1()->currentRow(), -1);
    // The steps after the copyright holder still ran.
    EXPECT_GT(f.Combo1(3)->count(), 0);
    EXPECT_EQ(f.windowTitle(), QString("Norvelle  Ver 2.06 - (新規作成)"));
}

TEST_F(Form1Test, SoftwareTypeRuleFollowsTypedAndChosenText) {
    Form1& f = start();
    QComboBox* type = f.Combo1(3);
    f.Text2(4)->setText("\\500");

    type->setCurrentIndex(1);  // chosen from the list
    EXPECT_TRUE(f.Text2(4)->isEnabled());
    EXPECT_TRUE(f.Label1(7)->isEnabled());

    type->setCurrentIndex(2);
    EXPECT_FALSE(f.Text2(4)->isEnabled());
    EXPECT_EQ(f.Text2(4)->text(), "\\500");  // a disabled fee keeps its text

    type->lineEdit()->clear();
    type->lineEdit()->insert("シェアウエア");  // typed by hand (an input method commits it)
    EXPECT_TRUE(f.Text2(4)->isEnabled());
    QTest::keyClicks(type->lineEdit(), " ");  // a trailing space
    EXPECT_FALSE(f.Text2(4)->isEnabled());
    type->setEditText("ｼｪｱｳｴｱ");  // half-width
    EXPECT_FALSE(f.Text2(4)->isEnabled());
    type->setEditText("シェアウエア");
    EXPECT_TRUE(f.Text2(4)->isEnabled());
}

TEST_F(Form1Test, FieldsHoldLongTextAndTypedTextNeverJoinsAList) {
    Form1& f = start();
    const QString longText(40000, QChar(u'あ'));
    f.Text2(0)->setText(longText);
    EXPECT_EQ(f.Text2(0)->text(), longText);
    f.Combo1(0)->setEditText(longText);
    EXPECT_EQ(f.Combo1(0)->currentText(), longText);

    QComboBox* env = f.Combo1(0);
    env->lineEdit()->clear();
    QTest::keyClicks(env->lineEdit(), "Linux");
    QTest::keyClick(env->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(env->count(), 15);
    EXPECT_EQ(env->currentText(), "Linux");
    // No completion: typing the start of an entry keeps just what was typed. (A combo box
    // completes only while it has the keyboard focus.)
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    for (int i : {0, 1}) {
        QComboBox* combo = f.Combo1(i);
        combo->setFocus();
        combo->lineEdit()->clear();
        QTest::keyClicks(combo, "Windows 9");
        EXPECT_EQ(combo->currentText(), "Windows 9") << i;
    }
}

TEST_F(Form1Test, NeededFilesAreSelectedOneByOneWithAClick) {
    Form1& f = start();
    f.show();
    QListWidget* list = f.List1();
    auto click = [list](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    };
    click(0);
    click(2);
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 2}));
    click(0);  // toggles off
    EXPECT_EQ(selectedRows(), (std::vector<int>{2}));

    const SoftwareData d = f.softwareData();
    ASSERT_EQ(d.neededFiles.size(), 5u);
    EXPECT_EQ(d.neededFiles[2].name, "Direct X 6.0");
    EXPECT_TRUE(d.neededFiles[2].selected);
    EXPECT_FALSE(d.neededFiles[0].selected);
}

TEST_F(Form1Test, WindowLayoutMenusAndTabOrder) {
    Form1& f = start();
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    // Every control lies inside the client area, clear of every other.
    const auto controls = f.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QRect r = controls[i]->geometry();
        EXPECT_TRUE(f.centralWidget()->rect().contains(r))
            << controls[i]->objectName().toStdString();
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(r.intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " over "
                << controls[j]->objectName().toStdString();
    }

    // Every menu entry with its caption; the wizard entry cannot be chosen.
    const std::vector<std::pair<const char*, const char*>> entries = {
        {"sink", "新規作成"}, {"softl", "ソフトデータのロード"}, {"softs", "ソフトデータのセーブ"},
        {"syuu", "終了"}, {"m", "作成"}, {"email", "Eﾒｰﾙｱﾄﾞﾚｽの登録"},
        {"hpr", "ﾎｰﾑﾍﾟｰｼﾞの登録"}, {"tyo", "著作権の登録"}, {"hitu", "必要ﾌｧｲﾙの登録"},
        {"html", "ヘルプ"}, {"vvv", "バージョン情報"}, {"Filee", "ﾌｧｲﾙ"}, {"hen", "編集"},
        {"hrlp", "ヘルプ"}};
    for (const auto& [name, caption] : entries) {
        auto* action = f.findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->text(), QString(caption)) << name;
        EXPECT_TRUE(action->shortcut().isEmpty()) << name;
    }
    auto* wizard = f.findChild<QAction*>("wizard");
    ASSERT_NE(wizard, nullptr);
    EXPECT_FALSE(wizard->isEnabled());
    EXPECT_TRUE(wizard->isChecked());

    // Tab order: down the left column, down the right one, the list, the additional items.
    const std::vector<QWidget*> expected = {
        f.Text2(0),  f.Text2(1),  f.Text2(2),  f.Combo1(0), f.Combo1(1),
        f.Combo1(2), f.Combo1(3), f.Text2(4),  f.Combo1(4), f.Combo1(5),
        f.List1(),   f.Text1(0),  f.Text1(1),  f.Text1(2),  f.Text1(3)};
    std::vector<QWidget*> chain;
    QWidget* w = f.Text2(0);
    for (int guard = 0; guard < 200 && chain.size() < expected.size(); ++guard) {
        QWidget* input = w;
        for (QWidget* e : expected)
            if (w == e || e->isAncestorOf(w)) input = e;
        if (std::find(expected.begin(), expected.end(), input) != expected.end() &&
            (chain.empty() || chain.back() != input))
            chain.push_back(input);
        w = w->nextInFocusChain();
    }
    EXPECT_EQ(chain, expected);
}

}  // namespace
}  // namespace norvelle::test

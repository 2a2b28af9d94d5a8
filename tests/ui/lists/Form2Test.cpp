#include "core/text/Items.h"
#include "ui/lists/Form2.h"
#include "ui/lists/RegistrationTest.h"
#include "ui/platform/FileErrorText.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <ostream>
#include <stdexcept>

namespace norvelle::test {
namespace {

struct Mode {
    const char* action;  // the menu entry that opens the dialog
    const char* file;    // the list it edits
    const char* other;   // the list it must leave alone
    int combo;           // the main window's field filled from it
    QString caption;
    QString label;
};

const Mode kEmail{"email", "EMAIL.dat",       "HomePage.dat",
                  4,       "Eﾒｰﾙｱﾄﾞﾚｽの登録", "現在登録されているEメールアドレス"};
const Mode kHomePage{"hpr", "HomePage.dat",   "EMAIL.dat",
                     5,     "ﾎｰﾑﾍﾟｰｼﾞの登録", "現在登録されているホームページアドレス"};

void PrintTo(const Mode& m, std::ostream* os) {
    *os << m.action;
}

Form2& form2(QDialog& dialog) {
    auto* f = qobject_cast<Form2*>(&dialog);
    if (!f) throw std::runtime_error("the dialog shown is not Form2");
    return *f;
}

class Form2Test : public RegistrationTest, public ::testing::WithParamInterface<Mode> {
protected:
    // Opens the dialog from the menu and lets `action` work on it.
    void open(const std::function<void(Form2&)>& action) {
        platform.onModal([action](QDialog& d) { action(form2(d)); });
        trigger(GetParam().action);
    }
    static void type(Form2& d, const QString& text) { d.Text1()->insert(text); }
};

INSTANTIATE_TEST_SUITE_P(Modes, Form2Test, ::testing::Values(kEmail, kHomePage),
                         [](const auto& info) { return std::string(info.param.action); });

TEST_P(Form2Test, OpensInTheModeOfItsMenuEntry) {
    const Mode& m = GetParam();
    writeBytes(m.file, "one\r\ntwo,three\r\n");
    writeBytes(m.other, "elsewhere\r\n");
    start();
    state.ListItemSelected = 1;  // as a previous opening may have left it
    open([&](Form2& d) {
        EXPECT_EQ(d.windowTitle(), m.caption);
        EXPECT_EQ(d.Label1()->text(), m.label);
        EXPECT_EQ(entries(d.List1()), QStringList({"one", "two", "three"}));
        EXPECT_EQ(d.Command3()->text(), "クリア");
        EXPECT_EQ(state.ListItemSelected, 0);
        EXPECT_TRUE(d.Text1()->hasFocus());
        EXPECT_EQ(QApplication::activeWindow(), &d);
        EXPECT_EQ(d.List1()->accessibleName(), m.label);

        EXPECT_EQ(d.minimumSize(), d.maximumSize());
        EXPECT_EQ(tabOrder(d.Command3()),
                  QStringList({"Command3", "Command1", "Command2", "Text1", "List1"}));
    });
    EXPECT_EQ(platform.prompts().back().title, m.caption);
}

TEST_P(Form2Test, RegisterByButtonAndByEnterRewritesTheFileWhole) {
    const Mode& m = GetParam();
    start();
    open([&](Form2& d) {
        // An empty list and an empty box: the file is created with length zero.
        d.Command1()->click();
        EXPECT_EQ(bytesOf(m.file), "");

        type(d, "a@example.org");
        d.Command1()->click();
        EXPECT_EQ(bytesOf(m.file), "a@example.org\r\n");
        EXPECT_EQ(d.Text1()->text(), "");

        // Enter registers once; the dialog has no default button to press as well.
        QTest::keyClicks(d.Text1(), "b");
        QTest::keyClick(d.Text1(), Qt::Key_Return);
        EXPECT_EQ(bytesOf(m.file), "a@example.org\r\nb\r\n");
        EXPECT_TRUE(d.isVisible());
        type(d, "b");
        QTest::keyClick(d.Text1(), Qt::Key_Enter);  // the keypad's Enter, a duplicate
        EXPECT_EQ(bytesOf(m.file), "a@example.org\r\nb\r\nb\r\n");

        // A comma is stored as typed; the list shows the file, where it parts two entries.
        type(d, "x,y");
        d.Command1()->click();
        EXPECT_EQ(bytesOf(m.file), "a@example.org\r\nb\r\nb\r\nx,y\r\n");
        EXPECT_EQ(entries(d.List1()), QStringList({"a@example.org", "b", "b", "x", "y"}));
        type(d, "山田＠例え.jp");
        d.Command1()->click();
        EXPECT_EQ(bytesOf(m.file),
                  "a@example.org\r\nb\r\nb\r\nx\r\ny\r\n" + sjis("山田＠例え.jp\r\n"));
        EXPECT_EQ(d.Command3()->text(), "クリア");
        EXPECT_EQ(bytesOf(m.other), "(none)");
    });
    EXPECT_EQ(bytesOf(m.file), "a@example.org\r\nb\r\nb\r\nx\r\ny\r\n" + sjis("山田＠例え.jp\r\n"));
    open([&](Form2& d) {
        EXPECT_EQ(entries(d.List1()),
                  QStringList({"a@example.org", "b", "b", "x", "y", "山田＠例え.jp"}));
    });
}

TEST_P(Form2Test, RegisterWithAnEmptyBoxWritesUnlessTheFirstEntryIsSelected) {
    const Mode& m = GetParam();
    writeBytes(m.file, "first\r\nsecond\r\n");
    start();
    open([&](Form2& d) {
        clickEntry(d.List1(), 0);
        EXPECT_EQ(d.Command3()->text(), "これを削除");
        EXPECT_EQ(state.ListItemSelected, 1);
        writes.clear();
        d.Command1()->click();
        QTest::keyClick(d.Text1(), Qt::Key_Return);
        EXPECT_TRUE(writes.empty());

        // Any other entry selected: the list is written as it stands.
        QTest::keyClick(d.List1(), Qt::Key_Down);
        EXPECT_EQ(selectedRow(d.List1()), 1);
        d.Command1()->click();
        EXPECT_EQ(writes, std::vector<std::string>{std::string("open ") + m.file});
        EXPECT_EQ(bytesOf(m.file), "first\r\nsecond\r\n");
        EXPECT_EQ(d.Command3()->text(), "これを削除");  // registering keeps the state

        // With typed text the first entry being selected does not matter.
        d.List1()->setCurrentRow(0);
        type(d, "third");
        d.Command1()->click();
        EXPECT_EQ(bytesOf(m.file), "first\r\nsecond\r\nthird\r\n");
    });
}

TEST_P(Form2Test, DeleteTheSelectedEntryRegistersTypedTextAndReadsTheFileBack) {
    const Mode& m = GetParam();
    writeBytes(m.file, "a\r\nb\r\nc\r\n");
    start();
    open([&](Form2& d) {
        // Without typed text.
        clickEntry(d.List1(), 1);
        d.Command3()->click();
        EXPECT_EQ(bytesOf(m.file), "a\r\nc\r\n");
        EXPECT_EQ(entries(d.List1()), QStringList({"a", "c"}));
        EXPECT_EQ(d.Command3()->text(), "クリア");
        EXPECT_EQ(state.ListItemSelected, 0);
        EXPECT_EQ(selectedRow(d.List1()), -1);

        // With typed text: registered in the same step, then the list is read back, so an
        // entry with a comma now shows as two.
        clickEntry(d.List1(), 0);
        type(d, "x,y");
        d.Command3()->click();
        EXPECT_EQ(bytesOf(m.file), "c\r\nx,y\r\n");
        EXPECT_EQ(entries(d.List1()), QStringList({"c", "x", "y"}));
        EXPECT_EQ(d.Text1()->text(), "");

        // Back in the clear state, the button clears everything.
        d.Command3()->click();
        EXPECT_EQ(bytesOf(m.file), "(none)");
        EXPECT_EQ(d.List1()->count(), 0);
    });
}

TEST_P(Form2Test, DeletingTheOnlyEntryOrClearingDeletesTheFileWithoutAsking) {
    const Mode& m = GetParam();
    writeBytes(m.file, "only\r\n");
    writeBytes(m.other, "kept\r\n");
    start();
    open([&](Form2& d) {
        clickEntry(d.List1(), 0);
        type(d, "typed");
        d.Command3()->click();
        EXPECT_EQ(bytesOf(m.file), "(none)");
        EXPECT_EQ(d.List1()->count(), 0);
        EXPECT_EQ(d.Text1()->text(), "typed");
        EXPECT_EQ(d.Command3()->text(), "クリア");
        EXPECT_EQ(state.ListItemSelected, 0);
        d.Command3()->click();  // clearing with the file already gone is no error
        d.Command2()->click();
    });
    EXPECT_EQ(bytesOf(m.other), "kept\r\n");
    EXPECT_TRUE(platform.messages().empty());
    // The main window's field keeps what it had: there is no file to refresh it from.
    EXPECT_EQ(comboEntries(form->Combo1(m.combo)), QStringList({"only"}));
}

TEST_P(Form2Test, ExitRefreshesTheMainWindowAndTheCloseBoxDoesNot) {
    const Mode& m = GetParam();
    writeBytes(m.file, "old\r\n");
    start();
    open([&](Form2& d) {
        type(d, "new");
        d.Command1()->click();
    });  // left by the close box
    EXPECT_EQ(bytesOf(m.file), "old\r\nnew\r\n");
    EXPECT_EQ(comboEntries(form->Combo1(m.combo)), QStringList({"old"}));

    form->Combo1(m.combo)->setEditText("typed in the main window");
    open([&](Form2& d) {
        EXPECT_EQ(entries(d.List1()), QStringList({"old", "new"}));
        clickEntry(d.List1(), 0);
        d.Command3()->click();
        d.Command2()->click();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    EXPECT_EQ(comboEntries(form->Combo1(m.combo)), QStringList({"new"}));
    EXPECT_EQ(form->Combo1(m.combo)->currentText(), "new");
    EXPECT_EQ(form->Combo1(m.combo == 4 ? 5 : 4)->count(), 0);  // the other field: no file
}

TEST_P(Form2Test, AFileThatCannotBeChangedIsReportedAndNothingTypedIsLost) {
    const Mode& m = GetParam();
    failingFiles.insert(m.file);
    start();
    for (std::size_t i = 0; i < std::size(kWriteFaults); ++i) {
        const WriteFault write = kWriteFaults[i];
        const WriteFault remove = kRemoveFaults[i % std::size(kRemoveFaults)];
        SCOPED_TRACE(write.step);
        faults = {write, remove};
        writeBytes(m.file, "a\r\nb\r\n");
        const std::set<std::string> names = filesHere();
        auto expectReported = [&](const QString& what, const WriteFault& fault) {
            const auto messages = platform.messages();
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].title, "Norvelle");
            EXPECT_EQ(messages[0].icon, MsgIcon::Critical);
            EXPECT_EQ(messages[0].buttons, MsgButtons::Ok);
            EXPECT_TRUE(messages[0].text.contains(m.file)) << messages[0].text.toStdString();
            EXPECT_TRUE(messages[0].text.contains(what)) << messages[0].text.toStdString();
            EXPECT_TRUE(
                messages[0].text.contains(QString::fromStdString(describeError(fault.error))));
            EXPECT_EQ(filesHere(), names);
            platform.clearRecords();
        };
        open([&](Form2& d) {
            platform.answer(MsgAnswer::Ok);
            type(d, "c");
            d.Command1()->click();
            expectReported("保存できませんでした", write);
            EXPECT_EQ(d.Text1()->text(), "c");
            EXPECT_EQ(entries(d.List1()), QStringList({"a", "b"}));

            // Deleting with typed text: the list shows the file again, the text stays.
            platform.answer(MsgAnswer::Ok);
            clickEntry(d.List1(), 0);
            d.Command3()->click();
            expectReported("保存できませんでした", write);
            EXPECT_EQ(entries(d.List1()), QStringList({"a", "b"}));
            EXPECT_EQ(d.Text1()->text(), "c");
            EXPECT_EQ(d.Command3()->text(), "クリア");

            platform.answer(MsgAnswer::Ok);
            d.Command3()->click();
            expectReported("消去できませんでした", remove);
            EXPECT_EQ(entries(d.List1()), QStringList({"a", "b"}));
        });
        EXPECT_EQ(bytesOf(m.file), "a\r\nb\r\n");

        // The last entry whose file cannot be deleted comes back.
        writeBytes(m.file, "z\r\n");
        open([&](Form2& d) {
            platform.answer(MsgAnswer::Ok);
            clickEntry(d.List1(), 0);
            d.Command3()->click();
            expectReported("消去できませんでした", remove);
            EXPECT_EQ(entries(d.List1()), QStringList({"z"}));
        });
        EXPECT_EQ(bytesOf(m.file), "z\r\n");
        platform.clearRecords();
    }
}

TEST_P(Form2Test, EmptyEntriesKeepTheirPlaceAndAFullListTakesNoMore) {
    const Mode& m = GetParam();
    // ",," gives an empty entry; with it the file holds one entry more than is read.
    std::string registered = "a,,b\r\n";
    for (std::size_t i = 3; i <= kMaxListEntries; ++i)
        registered += "c" + std::to_string(i) + "\r\n";
    writeBytes(m.file, registered);
    writeBytes(m.other, registered);
    platform.answer(MsgAnswer::Ok);  // start-up: both files read in part
    start();
    platform.clearRecords();
    platform.answer(MsgAnswer::Ok);
    open([&](Form2& d) {
        ASSERT_EQ(platform.messages().size(), 1u);  // this dialog's file, once
        EXPECT_TRUE(platform.messages()[0].text.contains(m.file));
        EXPECT_FALSE(platform.messages()[0].text.contains(m.other));

        platform.answer(MsgAnswer::Ok);
        type(d, "new");
        writes.clear();
        d.Command1()->click();
        EXPECT_TRUE(writes.empty());
        EXPECT_EQ(d.Text1()->text(), "new");
        ASSERT_EQ(platform.messages().size(), 2u);
        EXPECT_EQ(platform.messages()[1].title, "Norvelle");
        EXPECT_EQ(platform.messages()[1].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(platform.messages()[1].text.contains("10001 件まで"));

        // A deletion makes room, but storing the list would drop the entry that was not
        // read: the user is asked first, and No keeps the file and the typed text.
        platform.answer(MsgAnswer::No);
        clickEntry(d.List1(), 2);
        d.Command3()->click();
        ASSERT_EQ(platform.messages().size(), 3u);
        EXPECT_TRUE(platform.messages()[2].text.contains(QString::fromLatin1(m.file) +
                                                         " には、読み込めなかった登録内容"));
        EXPECT_EQ(platform.messages()[2].defaultButton, MsgAnswer::No);
        EXPECT_TRUE(bytesOf(m.file) == registered);
        EXPECT_EQ(d.List1()->item(2)->text(), "b");
        EXPECT_EQ(d.Text1()->text(), "new");

        // Yes: the typed text joins in the same step, and the list read back from the file
        // is not cut any more.
        platform.answer(MsgAnswer::Yes);
        clickEntry(d.List1(), 2);
        d.Command3()->click();
        ASSERT_EQ(d.List1()->count(), 10001);
        EXPECT_EQ(d.List1()->item(1)->text(), "");
        EXPECT_EQ(d.List1()->item(10000)->text(), "new");
        d.Command2()->click();
    });
    EXPECT_EQ(platform.messages().size(), 4u);  // leaving repeats no warning
    std::string expected = "a\r\n\r\n";
    for (std::size_t i = 3; i < kMaxListEntries; ++i) expected += "c" + std::to_string(i) + "\r\n";
    EXPECT_EQ(bytesOf(m.file), expected + "new\r\n");
    EXPECT_EQ(form->Combo1(m.combo)->itemText(2), "c3");
}

TEST_P(Form2Test, CharactersShiftJisLacksAreStoredAsQuestionMarksOnlyWhenTheUserAgrees) {
    const Mode& m = GetParam();
    start();
    open([&](Form2& d) {
        platform.answer(MsgAnswer::No);
        type(d, "mail😀@example.org");
        d.Command1()->click();
        EXPECT_EQ(bytesOf(m.file), "(none)");
        EXPECT_EQ(d.Text1()->text(), "mail😀@example.org");
        EXPECT_EQ(d.List1()->count(), 0);
        ASSERT_EQ(platform.messages().size(), 1u);
        EXPECT_EQ(platform.messages()[0].buttons, MsgButtons::YesNo);
        EXPECT_TRUE(platform.messages()[0].text.contains("U+1F600"));

        platform.answer(MsgAnswer::Yes);
        d.Command1()->click();
        EXPECT_EQ(bytesOf(m.file), "mail?@example.org\r\n");
        EXPECT_EQ(entries(d.List1()), QStringList({"mail?@example.org"}));
        EXPECT_EQ(d.Text1()->text(), "");

        // The list shows what was stored, so the next change asks nothing.
        type(d, "next");
        d.Command1()->click();
        EXPECT_EQ(bytesOf(m.file), "mail?@example.org\r\nnext\r\n");
        EXPECT_EQ(platform.messages().size(), 2u);
    });
}

}  // namespace
}  // namespace norvelle::test

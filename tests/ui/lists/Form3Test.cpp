#include "core/text/Items.h"
#include "ui/lists/Form3.h"
#include "ui/lists/RegistrationTest.h"
#include "ui/platform/FileErrorText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

namespace norvelle::test {
namespace {

const QStringList kFixed = {"Direct X 8.0", "Direct X 7.0", "Direct X 6.0",
                            "Visual Basicのランタイムライブラリ", "MFC42.DLL"};

class Form3Test : public RegistrationTest {
protected:
    void open(const std::function<void(Form3&)>& action) {
        platform.onModal([action](QDialog& d) {
            auto* f = qobject_cast<Form3*>(&d);
            ASSERT_NE(f, nullptr) << "the dialog shown is not Form3";
            action(*f);
        });
        trigger("hitu");
    }
};

TEST_F(Form3Test, OpensWithTheRegisteredEntriesOnly) {
    writeBytes("Needfiles.dat", sjis("VBRUN.DLL,\"A, B\"\r\nランタイム\r\n"));
    start();
    open([&](Form3& d) {
        EXPECT_EQ(d.windowTitle(), "必要ファイルの登録");
        EXPECT_EQ(d.Label1()->text(), "現在登録されている必要なファイル");
        EXPECT_EQ(entries(d.List1()), QStringList({"VBRUN.DLL", "A, B", "ランタイム"}));
        EXPECT_EQ(d.Command2()->text(), "削除");
        EXPECT_TRUE(d.Text1()->hasFocus());
        // The caption is shown whole even where the font is wider than it was drawn for.
        EXPECT_GE(d.Label1()->width(), d.Label1()->sizeHint().width());

        EXPECT_EQ(d.minimumSize(), d.maximumSize());
        EXPECT_EQ(tabOrder(d.Command1()),
                  QStringList({"Command1", "Command2", "Command3", "Command4", "Text1", "List1"}));
    });
    EXPECT_EQ(platform.prompts().back().objectName, "Form3");
}

TEST_F(Form3Test, RegisterAlwaysRewritesAndEnterDoesNothing) {
    start();
    open([&](Form3& d) {
        QTest::keyClicks(d.Text1(), "A.DLL");
        QTest::keyClick(d.Text1(), Qt::Key_Return);
        EXPECT_EQ(bytesOf("Needfiles.dat"), "(none)");
        EXPECT_EQ(d.Text1()->text(), "A.DLL");
        EXPECT_TRUE(d.isVisible());

        d.Command3()->click();
        EXPECT_EQ(bytesOf("Needfiles.dat"), "A.DLL\r\n");
        EXPECT_EQ(d.Text1()->text(), "");

        // Unlike the address dialog, an empty box with the first entry selected writes too.
        clickEntry(d.List1(), 0);
        writes.clear();
        d.Command3()->click();
        EXPECT_EQ(writes, std::vector<std::string>{"open Needfiles.dat"});

        d.Text1()->insert("x,y");
        d.Command3()->click();
        d.Text1()->insert("A.DLL");
        d.Command3()->click();
        EXPECT_EQ(entries(d.List1()), QStringList({"A.DLL", "x", "y", "A.DLL"}));
        EXPECT_EQ(bytesOf("Needfiles.dat"), "A.DLL\r\nx\r\ny\r\nA.DLL\r\n");
        d.Command4()->click();
    });
    EXPECT_EQ(listEntries(), kFixed + QStringList({"A.DLL", "x", "y", "A.DLL"}));
}

TEST_F(Form3Test, DeleteRewritesTheFileAndLeavesTheTextBoxAlone) {
    writeBytes("Needfiles.dat", "a\r\nb\r\n");
    start();
    open([&](Form3& d) {
        d.Text1()->insert("x,y");
        d.Command3()->click();  // one line "x,y" in the file, two entries in the list

        d.Text1()->insert("typed");
        clickEntry(d.List1(), 0);
        d.Command2()->click();
        EXPECT_EQ(bytesOf("Needfiles.dat"), "b\r\nx\r\ny\r\n");
        EXPECT_EQ(entries(d.List1()), QStringList({"b", "x", "y"}));
        EXPECT_EQ(d.Text1()->text(), "typed");
        EXPECT_EQ(selectedRow(d.List1()), -1);

        // Nothing selected: nothing removed, the file rewritten all the same.
        writes.clear();
        d.Command2()->click();
        EXPECT_EQ(writes, std::vector<std::string>{"open Needfiles.dat"});
        EXPECT_EQ(entries(d.List1()), QStringList({"b", "x", "y"}));

        for (int row : {2, 1, 0}) {
            clickEntry(d.List1(), row);
            d.Command2()->click();
        }
        EXPECT_EQ(d.List1()->count(), 0);
        ASSERT_TRUE(exists("Needfiles.dat"));  // the last deletion leaves an empty file
        EXPECT_EQ(bytesOf("Needfiles.dat"), "");
        d.Command4()->click();
    });
    EXPECT_EQ(listEntries(), kFixed);
    EXPECT_EQ(form->List1()->currentRow(), -1);
}

TEST_F(Form3Test, ClearDeletesTheFileAndTheCloseBoxLeavesTheMainWindowAlone) {
    writeBytes("Needfiles.dat", "a\r\nb\r\n");
    start();
    form->List1()->item(6)->setSelected(true);
    open([&](Form3& d) {
        d.Command1()->click();
        EXPECT_EQ(bytesOf("Needfiles.dat"), "(none)");
        EXPECT_EQ(d.List1()->count(), 0);
        d.Command1()->click();  // a missing file is no error
    });
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_EQ(listEntries(), kFixed + QStringList({"a", "b"}));
    EXPECT_TRUE(form->List1()->item(6)->isSelected());

    open([&](Form3& d) {
        EXPECT_EQ(d.List1()->count(), 0);
        d.Command4()->click();
    });
    EXPECT_EQ(listEntries(), kFixed);
}

TEST_F(Form3Test, AFileThatCannotBeChangedIsReportedAndTheListMatchesIt) {
    writeBytes("Needfiles.dat", "a\r\nb\r\nc\r\n");
    failingFiles.insert("Needfiles.dat");
    start();
    const std::set<std::string> names = filesHere();
    for (std::size_t i = 0; i < std::size(kWriteFaults); ++i) {
        const WriteFault write = kWriteFaults[i];
        const WriteFault remove = kRemoveFaults[i % std::size(kRemoveFaults)];
        SCOPED_TRACE(write.step);
        faults = {write, remove};
        platform.clearRecords();
        open([&](Form3& d) {
            platform.answer(MsgAnswer::Ok).answer(MsgAnswer::Ok).answer(MsgAnswer::Ok);
            d.Text1()->insert("d");
            d.Command3()->click();
            EXPECT_EQ(d.Text1()->text(), "d");
            EXPECT_EQ(entries(d.List1()), QStringList({"a", "b", "c"}));

            clickEntry(d.List1(), 1);
            d.Command2()->click();
            EXPECT_EQ(entries(d.List1()), QStringList({"a", "b", "c"}));
            EXPECT_EQ(selectedRow(d.List1()), 1);

            d.Command1()->click();
            EXPECT_EQ(entries(d.List1()), QStringList({"a", "b", "c"}));

            const auto messages = platform.messages();
            ASSERT_EQ(messages.size(), 3u);
            for (const auto& msg : messages) {
                EXPECT_EQ(msg.title, "Norvelle");
                EXPECT_EQ(msg.icon, MsgIcon::Critical);
                EXPECT_TRUE(msg.text.startsWith("Needfiles.dat ")) << msg.text.toStdString();
            }
            const QString writeReason = QString::fromStdString(describeError(write.error));
            EXPECT_TRUE(messages[0].text.contains("保存できませんでした"));
            EXPECT_TRUE(messages[0].text.contains(writeReason));
            EXPECT_TRUE(messages[1].text.contains("保存できませんでした"));
            EXPECT_TRUE(messages[1].text.contains(writeReason));
            EXPECT_TRUE(messages[2].text.contains("消去できませんでした"));
            EXPECT_TRUE(
                messages[2].text.contains(QString::fromStdString(describeError(remove.error))));
        });
        EXPECT_EQ(bytesOf("Needfiles.dat"), "a\r\nb\r\nc\r\n");
        EXPECT_EQ(filesHere(), names);
    }

    // A file that cannot be read is reported on opening, and again by a change, which
    // writes nothing in its place: what it holds is not known to be nothing.
    failingFiles.clear();
    std::filesystem::remove("Needfiles.dat");
    std::filesystem::create_directory("Needfiles.dat");
    platform.clearRecords();
    platform.answer(MsgAnswer::Ok);
    open([&](Form3& d) {
        EXPECT_EQ(d.List1()->count(), 0);
        platform.answer(MsgAnswer::Ok);
        d.Text1()->insert("d");
        writes.clear();
        d.Command3()->click();
        EXPECT_TRUE(writes.empty());
        EXPECT_EQ(d.Text1()->text(), "d");
    });
    const auto messages = platform.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(messages[0].text.contains("Needfiles.dat を読み込めませんでした"));
    EXPECT_EQ(messages[1].icon, MsgIcon::Critical);
    EXPECT_EQ(messages[1].text,
              "Needfiles.dat を読み込めなかったため、登録内容を変更できませんでした。\n" +
                  QString::fromStdString(describeError(errnoError(EISDIR))));
}

TEST_F(Form3Test, ListsFarTooLongAreReadInPartAndTheUserIsTold) {
    // A million addresses; twice as many needed files as the program ever stores; a gigabyte
    // without a line break (sparse, so it takes no room on the disk); and a named pipe, which
    // must not block start-up.
    std::string addresses;
    for (int i = 0; i < 1000000; ++i) addresses += "user" + std::to_string(i) + "@example.org\r\n";
    writeBytes("EMAIL.dat", addresses);
    std::string needed;
    for (std::size_t i = 0; i < 2 * kMaxListEntries; ++i)
        needed += "F" + std::to_string(i) + "\r\n";
    writeBytes("Needfiles.dat", needed);
    writeBytes("HomePage.dat", "");
    resizeFile("HomePage.dat", std::int64_t{1} << 30);
    ASSERT_TRUE(makeNamedPipe("copyright.dat") || kOnWindows);

    platform.answer(MsgAnswer::Ok);
    start();
    ASSERT_EQ(platform.messages().size(), 1u);
    const MessageBoxRequest told = platform.messages()[0];
    EXPECT_EQ(told.icon, MsgIcon::Exclamation);
    EXPECT_EQ(told.title, "Norvelle");
    EXPECT_TRUE(told.text.contains("EMAIL.dat（最初の 10001 件）")) << told.text.toStdString();
    EXPECT_TRUE(told.text.contains("Needfiles.dat（最初の 10001 件）"));
    EXPECT_FALSE(told.text.contains("HomePage.dat"));
    EXPECT_EQ(form->Combo1(4)->count(), 10001);
    EXPECT_EQ(form->Combo1(4)->itemText(10000), "user10000@example.org");
    EXPECT_EQ(form->Combo1(5)->currentText(), "http://");  // unreadable: left as it was
    EXPECT_EQ(form->List1()->count(), 5 + 10001);

    // The dialog tells too; a change stores what was read, and then nothing is cut any more.
    platform.clearRecords();
    platform.answer(MsgAnswer::Ok);
    open([&](Form3& d) {
        ASSERT_EQ(platform.messages().size(), 1u);
        EXPECT_TRUE(platform.messages()[0].text.contains("Needfiles.dat（最初の 10001 件）"));
        ASSERT_EQ(d.List1()->count(), 10001);

        // A full list takes nothing more, and says so.
        platform.answer(MsgAnswer::Ok);
        writes.clear();
        d.Text1()->insert("F-new");
        d.Command3()->click();
        EXPECT_TRUE(writes.empty());
        EXPECT_EQ(d.Text1()->text(), "F-new");
        EXPECT_EQ(d.List1()->count(), 10001);
        ASSERT_EQ(platform.messages().size(), 2u);
        EXPECT_EQ(platform.messages()[1].title, "Norvelle");
        EXPECT_TRUE(platform.messages()[1].text.contains("10001 件まで"));

        // Deleting an entry stores what was read, once the user agrees to lose the rest.
        platform.answer(MsgAnswer::Yes);
        clickEntry(d.List1(), 0);
        d.Command2()->click();
        ASSERT_EQ(platform.messages().size(), 3u);
        EXPECT_EQ(platform.messages()[2].text,
                  "Needfiles.dat には、読み込めなかった登録内容が 10001 件あります。"
                  "変更すると、その登録内容は失われます。\n\n変更しますか ?");
        d.Command4()->click();  // EMAIL.dat is cut still: the user heard at start-up
    });
    std::string kept;  // what was read, without the deleted first entry
    for (std::size_t i = 1; i < kMaxListEntries; ++i) kept += "F" + std::to_string(i) + "\r\n";
    EXPECT_TRUE(bytesOf("Needfiles.dat") == kept);
    EXPECT_EQ(platform.messages().size(), 3u);
    EXPECT_EQ(form->List1()->count(), 5 + 10000);
}

}  // namespace
}  // namespace norvelle::test

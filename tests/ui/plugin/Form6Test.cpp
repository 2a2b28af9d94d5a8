#include "ui/platform/FileErrorText.h"
#include "ui/platform/Twips.h"
#include "ui/plugin/Form6.h"

#include "core/document/AppState.h"
#include "core/io/AtomicFileWriter.h"
#include "support/ScriptedPlatform.h"
#include "support/TempDir.h"
#include "support/WriteFaults.h"

#include <gtest/gtest.h>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <filesystem>

namespace norvelle::test {
namespace {

class Form6Test : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPlatform platform;
    AppState state;
    Form6 preview{platform, state};

    void TearDown() override { setWriteFaultInjector(nullptr); }

    // The user types at the end of the text.
    void typeAtEnd(const QString& keys) {
        QPlainTextEdit* box = preview.Text1();
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, keys);
    }

    // Saves under `path`, answering the questions that follow the save dialog in order.
    void save(const QString& path, std::initializer_list<MsgAnswer> answers) {
        platform.answerFile(path);
        for (MsgAnswer a : answers) platform.answer(a);
        preview.Command2()->click();
    }

    // The list's entries, each with the text its mark covers.
    using Findings = std::vector<std::pair<std::string, std::string>>;
    Findings findings() const {
        const QListWidget* list = preview.List1();
        const QList<QTextEdit::ExtraSelection> marks = preview.Text1()->extraSelections();
        Findings out;
        for (int i = 0; i < list->count(); ++i)
            out.emplace_back(
                list->item(i)->text().toStdString(),
                i < marks.size() ? marks[i].cursor.selectedText().toStdString() : "(no mark)");
        EXPECT_EQ(marks.size(), list->count());
        return out;
    }

    std::vector<QString> messageTexts() const {
        std::vector<QString> out;
        for (const auto& m : platform.messages()) out.push_back(m.text);
        return out;
    }
};

TEST_F(Form6Test, SavingWritesTheTextThenOneMoreLineBreak) {
    preview.setExpandedText("ソフト名：表示\r\n二行目\r\n");
    save(QString::fromStdString(dir.file("Readme.txt")), {MsgAnswer::Ok});

    EXPECT_EQ(readBytes("Readme.txt"), sjis("ソフト名：表示\r\n二行目\r\n\r\n"));
    EXPECT_EQ(state.CurrentFileName, dir.file("Readme.txt"));

    const auto& prompts = platform.prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].kind, ScriptedPlatform::Prompt::Kind::SaveFile);
    EXPECT_EQ(prompts[0].file.filterDescription, "ﾃｷｽﾄﾌｧｲﾙ(*.txt)");
    EXPECT_EQ(prompts[0].file.filterPattern, "*.txt");
    EXPECT_EQ(prompts[0].file.initialName, "Readme.txt");
    const MessageBoxRequest& done = prompts[1].message;
    EXPECT_EQ(done.text, "Readme.txtを作成しました");
    EXPECT_EQ(done.title, "完了");
    EXPECT_EQ(done.icon, MsgIcon::None);
    EXPECT_EQ(done.buttons, MsgButtons::Ok);

    // A name typed without an extension is used as typed; the message names the file only.
    std::filesystem::create_directory("out");
    save("out/read me", {MsgAnswer::Ok});
    EXPECT_EQ(readBytes("out/read me"), sjis("ソフト名：表示\r\n二行目\r\n\r\n"));
    EXPECT_EQ(messageTexts().back(), "read meを作成しました");
    EXPECT_EQ(preview.Text1()->toPlainText(), "ソフト名：表示\n二行目\n");  // still there
}

TEST_F(Form6Test, AnUneditedTextIsWrittenExactlyAsExpanded) {
    // A LF alone inside a line and a CR alone come from the plugin; the box shows them as
    // line breaks, but the file keeps them as they were.
    const QString text = "上\n下\r\n\r\n行\r\n";
    preview.setExpandedText(text);
    EXPECT_EQ(preview.currentText(), text);
    preview.Command1()->click();
    EXPECT_EQ(platform.clipboardText, text);

    save("Readme.txt", {MsgAnswer::Ok});
    EXPECT_EQ(readBytes("Readme.txt"), sjis("上\n下\r\n\r\n行\r\n\r\n"));
}

TEST_F(Form6Test, EditsGoToTheClipboardAndTheFile) {
    preview.setExpandedText("一\r\n二\n三\r\n");
    typeAtEnd("end");
    const QString edited = "一\r\n二\r\n三\r\nend";
    EXPECT_EQ(preview.currentText(), edited);

    preview.Command1()->click();
    EXPECT_EQ(platform.clipboardText, edited);
    EXPECT_EQ(platform.clipboardWrites, 1);
    EXPECT_TRUE(platform.messages().empty());

    save("Readme.txt", {MsgAnswer::Ok});
    EXPECT_EQ(readBytes("Readme.txt"), sjis("一\r\n二\r\n三\r\nend\r\n"));

    // A no-break space typed into the box is kept.
    typeAtEnd(QString(QChar(0x00A0)));
    EXPECT_TRUE(preview.currentText().endsWith(QChar(0x00A0)));

    // A new text is unedited again.
    preview.setExpandedText("新\n");
    EXPECT_EQ(preview.currentText(), "新\n");
}

TEST_F(Form6Test, CancelAndTheOverwriteQuestion) {
    preview.setExpandedText("新しい\r\n");
    state.CurrentFileName = "before.sft";

    platform.cancelFile();
    preview.Command2()->click();
    EXPECT_FALSE(exists("Readme.txt"));
    EXPECT_EQ(state.CurrentFileName, "before.sft");
    EXPECT_TRUE(platform.messages().empty());

    writeBytes("Readme.txt", "old contents\r\n");
    save("Readme.txt", {MsgAnswer::No});
    EXPECT_EQ(readBytes("Readme.txt"), "old contents\r\n");
    EXPECT_EQ(state.CurrentFileName, "Readme.txt");
    ASSERT_EQ(platform.messages().size(), 1u);  // the question only
    const MessageBoxRequest question = platform.messages()[0];
    EXPECT_EQ(question.text, "既存のﾌｧｲﾙを上書きしますか ?");
    EXPECT_EQ(question.title, "Norvelle");
    EXPECT_EQ(question.buttons, MsgButtons::YesNo);
    EXPECT_EQ(question.icon, MsgIcon::Question);
    EXPECT_EQ(question.defaultButton, MsgAnswer::No);

    save("Readme.txt", {MsgAnswer::Yes, MsgAnswer::Ok});
    EXPECT_EQ(readBytes("Readme.txt"), sjis("新しい\r\n\r\n"));
    EXPECT_EQ(messageTexts().back(), "Readme.txtを作成しました");
}

TEST_F(Form6Test, AFailedWriteIsReportedAndKeepsTheOldFile) {
    preview.setExpandedText("新しい\r\n");
    writeBytes("Readme.txt", "old contents\r\n");
    const std::set<std::string> names = namesIn(".");
    for (const WriteFault& fault : kWriteFaults) {
        SCOPED_TRACE(fault.step);
        platform.clearRecords();
        failWritesAt(fault);
        save("Readme.txt", {MsgAnswer::Yes, MsgAnswer::Ok});

        EXPECT_EQ(readBytes("Readme.txt"), "old contents\r\n");
        EXPECT_EQ(namesIn("."), names);
        const auto messages = platform.messages();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_TRUE(messages[1].text.contains("Readme.txt"));
        EXPECT_TRUE(messages[1].text.contains(QString::fromStdString(describeError(fault.error))));
        EXPECT_EQ(messages[1].icon, MsgIcon::Critical);
        EXPECT_EQ(messages[1].title, "Norvelle");
        for (const QString& text : messageTexts()) EXPECT_FALSE(text.contains("を作成しました"));
    }

    // Windows can take the old file away and fail to put the new one in its place: the text
    // is then in the hidden temporary file, and the message says which.
    if (kOnWindows) {
        setWriteFaultInjector([](std::string_view step, const std::string& path) {
            if (step != "rename") return std::error_code();
            std::filesystem::remove(fsPath(path));
            return errnoError(EBUSY);
        });
        platform.clearRecords();
        save("Readme.txt", {MsgAnswer::Yes, MsgAnswer::Ok});
        const std::set<std::string> left = namesIn(".");
        ASSERT_EQ(left.size(), names.size());
        const std::string kept = *left.begin();  // the one name that sorts before "Readme.txt"
        EXPECT_TRUE(kept.starts_with(".Readme.txt.") && kept.ends_with(".tmp")) << kept;
        EXPECT_EQ(readBytes(kept), sjis("新しい\r\n\r\n"));
        EXPECT_TRUE(platform.messages().back().text.contains(
            QString::fromStdString(kept + " に残っています。")))
            << platform.messages().back().text.toStdString();
    }

    // A folder that does not exist.
    setWriteFaultInjector(nullptr);
    save("missing/Readme.txt", {MsgAnswer::Ok});
    EXPECT_EQ(platform.messages().back().icon, MsgIcon::Critical);
    EXPECT_FALSE(exists("missing"));
}

TEST_F(Form6Test, CharactersThatDoNotFitAreAskedAbout) {
    preview.setExpandedText(QString::fromUtf8("café 〜 \xF0\x9F\x98\x80\r\n"));

    save("Readme.txt", {MsgAnswer::No});
    EXPECT_FALSE(exists("Readme.txt"));
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0].defaultButton, MsgAnswer::No);
    EXPECT_TRUE(platform.messages()[0].text.contains("2 文字"));

    save("Readme.txt", {MsgAnswer::Yes, MsgAnswer::Ok});
    // The wave dash an input method types is written as the code page 932 one.
    EXPECT_EQ(readBytes("Readme.txt"), "caf? \x81\x60 ?\r\n\r\n");
    EXPECT_EQ(messageTexts().back(), "Readme.txtを作成しました");

    // The clipboard gets the text unchanged.
    preview.Command1()->click();
    EXPECT_EQ(platform.clipboardText, QString::fromUtf8("café 〜 \xF0\x9F\x98\x80\r\n"));
}

TEST_F(Form6Test, EscapeKeepsTheWindowAndTheEdits) {
    preview.show();
    typeAtEnd("x");
    QTest::keyClick(preview.Text1(), Qt::Key_Escape);
    EXPECT_TRUE(preview.isVisible());
    EXPECT_EQ(preview.currentText(), "プレビューx");
}

TEST_F(Form6Test, TheReadmeRulesFindingsAreMarkedAndListed) {
    struct Case {
        const char* what;
        QString text;
        TextEncoding encoding;
        Findings expected;
        QString fileName = "Readme.txt";
    };
    const QString circled = "ソフト名：①表示\r\n";
    const QString wide = QString(41, u'あ') + "\r\n";  // 82 columns
    const auto cp932 = TextEncoding::Cp932;
    const auto utf8 = TextEncoding::Utf8;
    const Case cases[] = {
        {"a character of the NEC extensions in code page 932",
         circled,
         cp932,
         {{"1 行 6 列: 機種依存文字「①」（ほかの環境では別の文字に見えることがあります）", "①"}}},
        {"the same in UTF-8, which every system reads", circled, utf8, {}},
        {"a line too wide",
         wide,
         utf8,
         {{"1 行 41 列: 1 行の幅が 82 桁で、80 桁を超えています", "あ"}}},
        // Markdown leaves the lines' length to the author.
        {"a marker left as written",
         "名前：[$名前]\r\n" + wide,
         utf8,
         {{"1 行 4 列: 置き換えられていないマーカー [$名前]", "[$名前]"}},
         "README.md"},
        // Lines end at a CR alone and at a LF alone too; a character outside the BMP is one
        // column but two places of the text box.
        {"past a CR alone and a character outside the BMP",
         "上\r𠮷ｱ\r\n\n\a",
         cp932,
         {{"2 行 2 列: 半角カナ「ｱ」（メールや掲載先で文字化けすることがあります）", "ｱ"},
          {"4 行 1 列: 制御文字 U+0007", "\a"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // As the plugin dialog fills the window: the text first, then how it is written.
        preview.setExpandedText(c.text);
        preview.setReadme(c.encoding, c.fileName);
        EXPECT_EQ(findings(), c.expected);

        const QListWidget* list = preview.List1();
        const QRect text = preview.Text1()->geometry();
        EXPECT_EQ(list->isVisibleTo(&preview), !c.expected.empty());
        if (c.expected.empty()) {
            EXPECT_EQ(text, QRect(twips(120), twips(120), twips(7575), twips(5655)));
        } else {
            EXPECT_LT(text.bottom(), list->geometry().top());
            EXPECT_LT(list->geometry().bottom(), preview.Command1()->geometry().top());
            EXPECT_EQ(list->geometry().left(), text.left());
            EXPECT_EQ(list->geometry().right(), text.right());
        }
    }
}

TEST_F(Form6Test, AnEntryLeadsToItsPlaceAndEditsUpdateTheList) {
    preview.setExpandedText("一行目\r\nｱと①\r\n");
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&preview));
    QPlainTextEdit* text = preview.Text1();
    QListWidget* list = preview.List1();
    ASSERT_EQ(list->count(), 2);

    // A click on an entry puts the cursor before its character and gives the text the focus.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(text->textCursor().position(), 6);
    EXPECT_TRUE(text->hasFocus());

    // So does Enter, which presses no button as well, after an edit the list has not caught
    // up with yet.
    preview.Command1()->setFocus();  // now the window's default button
    text->moveCursor(QTextCursor::Start);
    text->moveCursor(QTextCursor::Down);
    QTest::keyClicks(text, "xx");
    list->setFocus();
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(text->textCursor().position(), 8);
    EXPECT_TRUE(text->hasFocus());
    EXPECT_EQ(platform.clipboardWrites, 0);

    // The user replaces the ①: once typing pauses, only the ｱ is left.
    QTextCursor cursor = text->textCursor();
    cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor);
    text->setTextCursor(cursor);
    QTest::keyClicks(text, "(1)");
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->count() == 1; }, 5000));
    const Findings left = {
        {"2 行 3 列: 半角カナ「ｱ」（メールや掲載先で文字化けすることがあります）", "ｱ"}};
    EXPECT_EQ(findings(), left);

    // And then the ｱ: the list goes, and the text has its place back.
    cursor.setPosition(6);
    text->setTextCursor(cursor);
    QTest::keyClick(text, Qt::Key_Delete);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list->isVisible(); }, 5000));
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(text->height(), twips(5655));
}

}  // namespace
}  // namespace norvelle::test

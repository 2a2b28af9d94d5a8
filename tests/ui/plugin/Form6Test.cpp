#include "ui/platform/FileErrorText.h"
#include "ui/plugin/Form6.h"

#include "core/document/AppState.h"
#include "core/io/AtomicFileWriter.h"
#include "support/ScriptedPlatform.h"
#include "support/TempDir.h"
#include "support/WriteFaults.h"

#include <gtest/gtest.h>
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

}  // namespace
}  // namespace norvelle::test

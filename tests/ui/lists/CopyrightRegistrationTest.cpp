#include "core/lists/RegisteredLists.h"
#include "ui/lists/RegistrationTest.h"
#include "ui/platform/FileErrorText.h"

#include <QLineEdit>

namespace norvelle::test {
namespace {

using CopyrightRegistrationTest = RegistrationTest;

TEST_F(CopyrightRegistrationTest, AsksWithTheFieldAsDefaultAndStoresTheAnswerQuoted) {
    start();
    form->Text2(2)->setText("山田太郎");
    platform.answerInput("山田太郎");  // OK without editing
    trigger("tyo");
    ASSERT_EQ(platform.prompts().size(), 1u);
    const auto& p = platform.prompts()[0];
    EXPECT_EQ(p.kind, ScriptedPlatform::Prompt::Kind::Input);
    EXPECT_EQ(p.prompt, "著作権を入力してください\r著作権にいつもこの名前が入ります。");
    EXPECT_EQ(p.title, "著作権を入力");
    EXPECT_EQ(p.defaultText, "山田太郎");
    EXPECT_EQ(bytesOf("copyright.dat"), sjis("\"山田太郎\"\r\n"));
    EXPECT_EQ(form->Text2(2)->text(), "山田太郎");

    // An empty answer (Cancel gives the same) changes neither the file nor the field.
    platform.answerInput("");
    trigger("tyo");
    EXPECT_EQ(bytesOf("copyright.dat"), sjis("\"山田太郎\"\r\n"));
    EXPECT_EQ(form->Text2(2)->text(), "山田太郎");
    EXPECT_EQ(writes.size(), 1u);
}

TEST_F(CopyrightRegistrationTest, AnEmptyFieldAcceptedAsItIsStoresNothing) {
    start();
    platform.answerInput("");
    trigger("tyo");
    EXPECT_EQ(platform.prompts().at(0).defaultText, "");
    EXPECT_FALSE(exists("copyright.dat"));
    EXPECT_TRUE(writes.empty());
}

TEST_F(CopyrightRegistrationTest, EveryAnswerComesBackWholeAtTheNextStart) {
    struct Case {
        QString answer;
        std::string file;
    };
    const Case cases[] = {
        {"Yamada, Taro", "\"Yamada, Taro\"\r\n"},
        {"say \"hi\"", "\"say \"\"hi\"\"\"\r\n"},
        {"\"", "\"\"\"\"\r\n"},
        {"   ", "\"   \"\r\n"},
        {" (C) 2002 ソフト工房 ", sjis("\" (C) 2002 ソフト工房 \"\r\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.toStdString());
        start();
        platform.answerInput(c.answer);
        trigger("tyo");
        EXPECT_EQ(bytesOf("copyright.dat"), c.file);
        EXPECT_EQ(form->Text2(2)->text(), c.answer);
        start();  // the next start reads it back
        EXPECT_EQ(form->Text2(2)->text(), c.answer);
    }
}

TEST_F(CopyrightRegistrationTest, AFailedWriteIsReportedAndTheAnswerStaysInTheField) {
    writeBytes("copyright.dat", "\"old\"\r\n");
    failingFiles.insert("copyright.dat");
    start();
    const std::set<std::string> names = namesIn(dir.path());
    for (const WriteFault& fault : kWriteFaults) {
        SCOPED_TRACE(fault.step);
        faults = {fault};
        platform.clearRecords();
        form->Text2(2)->setText("old");
        platform.answerInput("new").answer(MsgAnswer::Ok);
        trigger("tyo");
        const auto messages = platform.messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].title, "Norvelle");
        EXPECT_EQ(messages[0].icon, MsgIcon::Critical);
        EXPECT_TRUE(messages[0].text.contains("copyright.dat に著作権を保存できませんでした"));
        EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(describeError(fault.error))));
        EXPECT_EQ(bytesOf("copyright.dat"), "\"old\"\r\n");
        EXPECT_EQ(namesIn(dir.path()), names);
        EXPECT_EQ(form->Text2(2)->text(), "new");
    }

    // One character more than the next start reads back is refused; the largest is stored.
    failingFiles.clear();
    const QString largest(static_cast<qsizetype>(kMaxListFileSize) - 4, u'x');  // "", CR LF
    platform.clearRecords();
    platform.answerInput(largest + "x").answer(MsgAnswer::Ok);
    trigger("tyo");
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_TRUE(platform.messages()[0].text.contains(
        QString::fromStdString(describeTooLarge(kMaxListFileSize))));
    EXPECT_EQ(bytesOf("copyright.dat"), "\"old\"\r\n");
    platform.answerInput(largest);
    trigger("tyo");
    start();
    EXPECT_TRUE(form->Text2(2)->text() == largest);
    writeBytes("copyright.dat", "\"old\"\r\n");

    // Characters Shift-JIS lacks: stored as "?" only when the user agrees.
    platform.clearRecords();
    platform.answerInput("A😀B").answer(MsgAnswer::No);
    trigger("tyo");
    EXPECT_EQ(bytesOf("copyright.dat"), "\"old\"\r\n");
    EXPECT_EQ(form->Text2(2)->text(), "A😀B");
    platform.answerInput("A😀B").answer(MsgAnswer::Yes);
    trigger("tyo");
    EXPECT_EQ(bytesOf("copyright.dat"), "\"A?B\"\r\n");
    EXPECT_EQ(form->Text2(2)->text(), "A?B");
}

}  // namespace
}  // namespace norvelle::test

#include "core/document/SoftwareDataFile.h"
#include "core/io/AtomicFileWriter.h"
#include "support/MainWindowTest.h"

#include <QAction>
#include <QLabel>
#include <cerrno>

namespace norvelle::test {
namespace {

// New, Exit and closing the main window, with the save command they run.
class DocumentLifecycleTest : public MainWindowTest {
protected:
    // Closes the window as its close box does; true when it closed.
    bool closeBox() {
        form->show();
        return form->close();
    }

    void failEveryWrite() {
        setWriteFaultInjector([](std::string_view step, const std::string&) {
            return step == "write" ? errnoError(EIO) : std::error_code();
        });
    }

    QString saveTarget() const { return QString::fromStdString(dir.file("data.sft")); }

    static const QString kExitQuestion;
};

const QString DocumentLifecycleTest::kExitQuestion =
    QString(26, QLatin1Char(' ')) + QStringLiteral("セーブしますか?");

TEST_F(DocumentLifecycleTest, NewGivesBackTheFormAsItStartedWithoutAsking) {
    SoftwareData fresh = start().softwareData();
    const int environments = form->Combo1(0)->count();
    writeBytes("EMAIL.dat", "new@example.org\r\n");  // registered since start-up
    form->Text2(0)->setText("x");
    form->Text2(1)->setText("Ver 9");
    form->Text2(2)->setText("x");
    for (int i = 0; i < 6; ++i) form->Combo1(i)->setEditText("x");
    form->Combo1(3)->setEditText("シェアウエア");
    form->Text2(4)->setText("x");
    for (int i = 0; i < 4; ++i) form->Text1(i)->setText("x");
    form->List1()->item(0)->setSelected(true);
    state.CurrentFileName = "/somewhere/kept.sft";
    ASSERT_TRUE(form->Text2(4)->isEnabled());

    trigger("sink");
    EXPECT_TRUE(platform.prompts().empty());
    fresh.email = "new@example.org";  // the lists are read afresh
    EXPECT_EQ(fieldTexts(form->softwareData()), fieldTexts(fresh));
    EXPECT_EQ(form->Combo1(0)->count(), environments);
    EXPECT_FALSE(form->Text2(4)->isEnabled());
    EXPECT_FALSE(form->Label1(7)->isEnabled());
    EXPECT_TRUE(selectedRows().empty());
    EXPECT_EQ(form->windowTitle(), "Norvelle  Ver 2.06 - (新規作成)");
    EXPECT_EQ(state.CurrentFileName, "/somewhere/kept.sft");
    EXPECT_EQ(state.DataSaved, 0);
}

TEST_F(DocumentLifecycleTest, ExitAsksUntilTheFirstSave) {
    start();
    platform.answer(MsgAnswer::Cancel);
    trigger("syuu");
    ASSERT_EQ(platform.messages().size(), 1u);
    const MessageBoxRequest q = platform.messages()[0];
    EXPECT_EQ(q.text, kExitQuestion);
    EXPECT_EQ(q.title, "Norvelle");
    EXPECT_EQ(q.buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(q.icon, MsgIcon::None);
    EXPECT_EQ(q.defaultButton, MsgAnswer::Yes);
    EXPECT_EQ(platform.endProgramCalls, 0);

    // Loading a file does not count as saving.
    writeBytes("loaded.sft", "\"Norvelle Ver 2.06\"\r\n");
    platform.answerFile(QString::fromStdString(dir.file("loaded.sft")));
    trigger("softl");
    platform.answer(MsgAnswer::No);
    trigger("syuu");
    EXPECT_EQ(platform.endProgramCalls, 1);
    EXPECT_FALSE(exists("data.sft"));
    // The program is ending: the window then closes without a second question.
    platform.clearRecords();
    EXPECT_TRUE(closeBox());
    EXPECT_TRUE(platform.prompts().empty());
}

TEST_F(DocumentLifecycleTest, ExitAfterYesSavesThenEndsUnlessTheSaveFailed) {
    start();
    // Yes, then Cancel in the file dialog: the user chose not to save after all.
    platform.answer(MsgAnswer::Yes).cancelFile();
    trigger("syuu");
    EXPECT_EQ(platform.endProgramCalls, 1);
    // Yes, then No to overwriting an existing file: the same.
    writeBytes("data.sft", "old");
    platform.answer(MsgAnswer::Yes).answerFile(saveTarget()).answer(MsgAnswer::No);
    trigger("syuu");
    EXPECT_EQ(readBytes("data.sft"), "old");
    EXPECT_EQ(platform.endProgramCalls, 2);
    removeFile("data.sft");

    // Yes, then a save that cannot be written: the program stays open.
    failEveryWrite();
    platform.answer(MsgAnswer::Yes).answerFile(saveTarget()).answer(MsgAnswer::Ok);
    trigger("syuu");
    EXPECT_EQ(platform.endProgramCalls, 2);
    EXPECT_EQ(platform.messages().back().icon, MsgIcon::Critical);
    EXPECT_EQ(state.DataSaved, 0);

    // Yes, and the save works: the file is there and the program ends.
    setWriteFaultInjector(nullptr);
    platform.answer(MsgAnswer::Yes).answerFile(saveTarget());
    trigger("syuu");
    EXPECT_EQ(platform.endProgramCalls, 3);
    EXPECT_TRUE(exists("data.sft"));
    EXPECT_EQ(state.DataSaved, 1);

    // From now on Exit asks nothing, even after further edits.
    platform.clearRecords();
    form->Text2(0)->setText("edited");
    trigger("syuu");
    EXPECT_EQ(platform.endProgramCalls, 4);
    EXPECT_TRUE(platform.prompts().empty());
}

TEST_F(DocumentLifecycleTest, ClosingTheWindowAsksUntilTheFirstSave) {
    start();
    platform.answer(MsgAnswer::Cancel);
    EXPECT_FALSE(closeBox());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(platform.messages().size(), 1u);
    const MessageBoxRequest q = platform.messages()[0];
    EXPECT_EQ(q.text, "セーブしますか?");
    EXPECT_EQ(q.title, "Norvelle");
    EXPECT_EQ(q.buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(q.icon, MsgIcon::Question);
    EXPECT_EQ(q.defaultButton, MsgAnswer::Yes);

    // Yes and a failing save keep the window open.
    failEveryWrite();
    platform.answer(MsgAnswer::Yes).answerFile(saveTarget()).answer(MsgAnswer::Ok);
    EXPECT_FALSE(closeBox());
    EXPECT_FALSE(exists("data.sft"));

    // Yes and a cancelled file dialog let it close.
    setWriteFaultInjector(nullptr);
    platform.answer(MsgAnswer::Yes).cancelFile();
    EXPECT_TRUE(closeBox());

    platform.answer(MsgAnswer::No);
    EXPECT_TRUE(closeBox());
    EXPECT_FALSE(exists("data.sft"));

    platform.answer(MsgAnswer::Yes).answerFile(saveTarget());
    EXPECT_TRUE(closeBox());
    EXPECT_TRUE(exists("data.sft"));
    EXPECT_EQ(form->windowTitle(), "Norvelle  Ver 2.06 - data.sft");

    // After a save the window closes without a question.
    platform.clearRecords();
    EXPECT_TRUE(closeBox());
    EXPECT_TRUE(platform.prompts().empty());
    EXPECT_EQ(platform.endProgramCalls, 0);  // closing does not go through Exit
}

}  // namespace
}  // namespace norvelle::test

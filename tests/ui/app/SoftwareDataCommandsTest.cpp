#include "core/document/SoftwareDataFile.h"
#include "core/io/AtomicFileWriter.h"
#include "support/MainWindowTest.h"
#include "support/WriteFaults.h"
#include "ui/platform/FileErrorText.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include <cerrno>
#include <filesystem>

namespace norvelle::test {
namespace {

const QString kNewCaption = "Norvelle  Ver 2.06 - (新規作成)";

// Lines, each followed by CR LF, in code page 932.
std::string fileOf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return sjis(out);
}

// A file of the given version whose fields all differ from a fresh form's.
std::string filledFile(const std::string& version, const std::string& type,
                       const std::vector<std::string>& indexItems) {
    std::vector<std::string> l = {"\"Norvelle Ver " + version + "\"",
                                  R"("名前")",
                                  R"("Ver 1.5")",
                                  R"("作者")",
                                  R"("独自OS")",
                                  R"("Windows XPで動作確認済み")",
                                  R"("不可")",
                                  "\"" + type + "\"",
                                  R"("\1,000")",
                                  R"("a@example.org")",
                                  R"("http://example.org/")",
                                  R"("追加1")",
                                  R"("追加2")",
                                  R"("追加3")",
                                  R"("追加4")"};
    l.insert(l.end(), indexItems.begin(), indexItems.end());
    return fileOf(l);
}

class SoftwareDataCommandsTest : public MainWindowTest {
protected:
    void saveAs(const std::string& path) {
        platform.answerFile(QString::fromStdString(path));
        trigger("softs");
    }
    void load(const std::string& path) {
        platform.answerFile(QString::fromStdString(path));
        trigger("softl");
    }

    // The fourteen fields in the order of the file.
    QStringList fieldTexts() const {
        QStringList t;
        for (int i : {0, 1, 2}) t << form->Text2(i)->text();
        for (int i = 0; i < 4; ++i) t << form->Combo1(i)->currentText();
        t << form->Text2(4)->text() << form->Combo1(4)->currentText()
          << form->Combo1(5)->currentText();
        for (int i = 0; i < 4; ++i) t << form->Text1(i)->text();
        return t;
    }
};

TEST_F(SoftwareDataCommandsTest, SaveWritesTheFormAndNamesTheFile) {
    start();
    form->List1()->item(1)->setSelected(true);
    form->List1()->item(4)->setSelected(true);
    const std::string path = dir.file("soft");  // typed without extension: used as typed
    saveAs(path);

    const auto& dialog = platform.prompts().at(0);
    EXPECT_EQ(dialog.kind, ScriptedPlatform::Prompt::Kind::SaveFile);
    EXPECT_EQ(dialog.file.filterDescription, "ソフトデータファイル(*.sft)");
    EXPECT_EQ(dialog.file.filterPattern, "*.sft");
    EXPECT_EQ(dialog.file.initialName, "");
    EXPECT_EQ(
        readBytes(path),
        fileOf({R"("Norvelle Ver 2.06")", R"("")", R"("Ver ")", R"("")", R"("Windows 95/98/Me")",
                R"("Windows 98で動作確認済み")", R"("可")", R"("フリーウエア")", R"("\")", R"("")",
                R"("http://")", R"("")", R"("")", R"("")", R"("")", "1", "4"}));
    EXPECT_EQ(state.CurrentFileName, path);
    EXPECT_EQ(state.DataSaved, 1);
    EXPECT_EQ(form->windowTitle(), "Norvelle  Ver 2.06 - soft");

    // Saving over an existing file asks first, then rewrites it whole.
    form->List1()->clearSelection();
    form->Text2(0)->setText("Second");
    platform.answerFile(QString::fromStdString(path)).answer(MsgAnswer::Yes);
    trigger("softs");
    const MessageBoxRequest ask = platform.messages().at(0);
    EXPECT_EQ(ask.text, "既存のﾌｧｲﾙを上書きしますか ?");
    EXPECT_EQ(ask.title, "Norvelle");
    EXPECT_EQ(ask.buttons, MsgButtons::YesNo);
    EXPECT_EQ(ask.icon, MsgIcon::Question);
    EXPECT_EQ(ask.defaultButton, MsgAnswer::No);
    const std::string second = readBytes(path);
    EXPECT_EQ(second.substr(21, 10), "\"Second\"\r\n");
    EXPECT_EQ(second.substr(second.size() - 4), "\"\"\r\n");  // no needed file any more
}

TEST_F(SoftwareDataCommandsTest, SaveThatWritesNothingLeavesStateAndFileAlone) {
    start();
    const std::string existing = dir.file("old.sft");
    writeBytes(existing, "old bytes");

    platform.cancelFile();
    trigger("softs");
    EXPECT_EQ(state.CurrentFileName, "");

    // A declined overwrite: the name is taken all the same, nothing else changes.
    platform.answerFile(QString::fromStdString(existing)).answer(MsgAnswer::No);
    trigger("softs");
    EXPECT_EQ(state.CurrentFileName, existing);

    // A write that fails: reported with the file and the reason; the old file stays whole,
    // and nothing is left beside it.
    const std::set<std::string> names = namesIn(dir.path());
    auto expectFailed = [&](const std::string& reason) {
        ASSERT_EQ(platform.messages().size(), 2u);
        const MessageBoxRequest failure = platform.messages()[1];
        EXPECT_EQ(failure.icon, MsgIcon::Critical);
        EXPECT_EQ(failure.title, "Norvelle");
        EXPECT_TRUE(failure.text.contains(QString::fromStdString(existing)));
        EXPECT_TRUE(failure.text.contains(QString::fromStdString(reason)));
        EXPECT_EQ(readBytes(existing), "old bytes");
        EXPECT_EQ(namesIn(dir.path()), names);
        EXPECT_EQ(state.DataSaved, 0);
        EXPECT_EQ(form->windowTitle(), kNewCaption);
    };
    for (const WriteFault& fault : kWriteFaults) {
        SCOPED_TRACE(fault.step);
        platform.clearRecords();
        failWritesAt(fault);
        platform.answerFile(QString::fromStdString(existing))
            .answer(MsgAnswer::Yes)
            .answer(MsgAnswer::Ok);
        trigger("softs");
        expectFailed(describeError(fault.error));
    }

    // Data the load command would refuse as far too large is not written at all.
    setWriteFaultInjector(nullptr);
    platform.clearRecords();
    form->Text1(0)->setText(QString(static_cast<qsizetype>(kMaxSoftwareDataFileSize), u'x'));
    platform.answerFile(QString::fromStdString(existing))
        .answer(MsgAnswer::Yes)
        .answer(MsgAnswer::Ok);
    trigger("softs");
    expectFailed(describeTooLarge(kMaxSoftwareDataFileSize));
}

TEST_F(SoftwareDataCommandsTest, CharactersOutsideTheCodePageAreReplacedOnlyWithConsent) {
    start();
    form->Text1(2)->setText(QString::fromUtf8("絵文字😀と中文简体"));
    const std::string path = dir.file("emoji.sft");

    platform.answerFile(QString::fromStdString(path)).answer(MsgAnswer::No);
    trigger("softs");
    EXPECT_FALSE(exists(path));
    EXPECT_EQ(state.DataSaved, 0);
    EXPECT_TRUE(platform.messages().at(0).text.contains("U+1F600"));

    platform.answerFile(QString::fromStdString(path)).answer(MsgAnswer::Yes);
    trigger("softs");
    EXPECT_NE(readBytes(path).find(sjis("\r\n\"絵文字?と中文?体\"\r\n")), std::string::npos);
    EXPECT_EQ(state.DataSaved, 1);
}

TEST_F(SoftwareDataCommandsTest, LoadFillsTheFieldsThroughTheControls) {
    writeBytes("Needfiles.dat", "MY.DLL\r\n");  // six entries with the five fixed ones
    start();
    form->List1()->item(3)->setSelected(true);
    const std::string path = dir.file("old.sft");
    writeBytes(path, filledFile("2.00", "シェアウエア", {"0", "7"}));
    load(path);

    ASSERT_EQ(platform.prompts().size(), 1u);  // the open dialog and no question
    EXPECT_EQ(platform.prompts()[0].kind, ScriptedPlatform::Prompt::Kind::OpenFile);
    EXPECT_EQ(platform.prompts()[0].file.filterDescription, "ソフトデータファイル(*.sft)");
    EXPECT_EQ(fieldTexts(),
              QStringList({"名前", "Ver 1.5", "作者", "独自OS", "Windows XPで動作確認済み", "不可",
                           "シェアウエア", "\\1,000", "a@example.org", "http://example.org/",
                           "追加1", "追加2", "追加3", "追加4"}));
    EXPECT_EQ(selectedRows(), (std::vector<int>{0}));
    EXPECT_TRUE(form->Text2(4)->isEnabled());
    EXPECT_TRUE(form->Label1(7)->isEnabled());
    EXPECT_EQ(form->Combo1(0)->count(), 15);  // a text that is no entry does not join the list
    EXPECT_EQ(state.CurrentFileName, path);
    EXPECT_EQ(state.DataSaved, 0);
    EXPECT_EQ(form->windowTitle(), "Norvelle  Ver 2.06 - old.sft");

    // Another type switches the fee off; a file of a version line only empties every field.
    writeBytes(path, filledFile("2.03", "メールウエア", {}));
    load(path);
    EXPECT_FALSE(form->Text2(4)->isEnabled());
    EXPECT_TRUE(selectedRows().empty());
    writeBytes(path, fileOf({R"("Norvelle Ver 2.05")"}));
    load(path);
    EXPECT_EQ(fieldTexts(), QStringList(14, QString()));
}

// Dropped on the window, over a text box too, a software data file opens as the load command
// opens it; anything else dropped there is left to the control under the pointer.
TEST_F(SoftwareDataCommandsTest, ADroppedFileOpensAsTheLoadCommandOpensIt) {
    start();
    const std::string path = dir.file("dropped.sft");
    writeBytes(path, filledFile("2.06", "シェアウエア", {"2"}));
    auto drop = [this](QWidget* target, const QString& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        data.setText(file);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return enter.isAccepted() && drop.isAccepted();
    };
    EXPECT_TRUE(drop(form->Text1(2), QString::fromStdString(path)));
    EXPECT_EQ(fieldTexts()[12], "追加3");  // the text box did not take the name as text
    EXPECT_EQ(fieldTexts()[0], "名前");
    EXPECT_EQ(selectedRows(), (std::vector<int>{2}));
    EXPECT_EQ(state.CurrentFileName, path);
    EXPECT_EQ(state.DataSaved, 0);
    EXPECT_EQ(form->windowTitle(), "Norvelle  Ver 2.06 - dropped.sft");
    EXPECT_TRUE(platform.prompts().empty());

    writeBytes("Readme.txt", "text");
    EXPECT_FALSE(drop(form.get(), QString::fromStdString(dir.file("Readme.txt"))));
    platform.answer(MsgAnswer::Ok);
    writeBytes("v204.sft", filledFile("2.04", "フリーウエア", {}));
    EXPECT_TRUE(drop(form->List1(), QString::fromStdString(dir.file("v204.sft"))));
    ASSERT_EQ(platform.messages().size(), 1u);
    EXPECT_EQ(platform.messages()[0].title, "警告");
    EXPECT_EQ(fieldTexts()[0], "名前");
}

TEST_F(SoftwareDataCommandsTest, RejectedLoadWarnsAndLeavesTheFormAsItWas) {
    start();
    form->Text2(0)->setText("Mine");
    form->List1()->item(2)->setSelected(true);
    const QStringList before = fieldTexts();

    writeBytes("v204.sft", filledFile("2.04", "フリーウエア", {"0"}));
    writeBytes("empty.sft", "");
    // Neither a folder nor a named pipe is read (a pipe would block the window), and a
    // software data file of a gigabyte is no software data, however it begins.
    std::filesystem::create_directory("folder.sft");
    ASSERT_TRUE(makeNamedPipe("pipe.sft") || kOnWindows);
    writeBytes("huge.sft", filledFile("2.06", "フリーウエア", {"0"}));
    resizeFile("huge.sft", std::int64_t{1} << 30);
    for (const char* name :
         {"v204.sft", "empty.sft", "missing.sft", "folder.sft", "pipe.sft", "huge.sft"}) {
        platform.clearRecords();
        platform.answerFile(QString::fromStdString(dir.file(name))).answer(MsgAnswer::Ok);
        trigger("softl");
        ASSERT_EQ(platform.messages().size(), 1u) << name;
        const MessageBoxRequest warning = platform.messages()[0];
        EXPECT_EQ(warning.text, "これは、Norvelle Ver 2.0xのソフトデータではありません");
        EXPECT_EQ(warning.title, "警告");
        EXPECT_EQ(warning.icon, MsgIcon::Critical);
        EXPECT_EQ(warning.buttons, MsgButtons::Ok);
        EXPECT_EQ(fieldTexts(), before) << name;
        EXPECT_EQ(selectedRows(), (std::vector<int>{2})) << name;
        EXPECT_EQ(state.CurrentFileName, dir.file(name));
        EXPECT_EQ(form->windowTitle(), kNewCaption);
    }

    // Cancelling the dialog changes nothing, not even the name.
    platform.cancelFile();
    trigger("softl");
    EXPECT_EQ(state.CurrentFileName, dir.file("huge.sft"));

    // After a rejected file the next one loads normally.
    writeBytes("good.sft", filledFile("2.06", "フリーウエア", {"1"}));
    load(dir.file("good.sft"));
    EXPECT_EQ(form->Text2(0)->text(), "名前");
    EXPECT_EQ(selectedRows(), (std::vector<int>{1}));
}

TEST_F(SoftwareDataCommandsTest, EveryFieldAndSelectionSurvivesSaveNewAndLoad) {
    std::string registered;
    for (int i = 0; i < 600; ++i) registered += "LIB" + std::to_string(i) + ".DLL\r\n";
    writeBytes("Needfiles.dat", registered);
    start();
    ASSERT_EQ(form->List1()->count(), 605);

    const QStringList texts = {"  ソフト, \"改\"  ",
                               "Ver 2.0β",
                               "\"\"x\"",
                               "独自の環境",
                               "Windows 2000で動作確認済み",
                               "転載前、作者に連絡",
                               "シェアウエア",
                               "\\500",
                               "me@example.org",
                               "http://例.jp/",
                               "タブ\tあり",
                               "二, 三",
                               "\"",
                               "最後 "};
    form->Text2(0)->setText(texts[0]);
    form->Text2(1)->setText(texts[1]);
    form->Text2(2)->setText(texts[2]);
    for (int i = 0; i < 4; ++i) form->Combo1(i)->setEditText(texts[3 + i]);
    form->Text2(4)->setText(texts[7]);
    form->Combo1(4)->setEditText(texts[8]);
    form->Combo1(5)->setEditText(texts[9]);
    for (int i = 0; i < 4; ++i) form->Text1(i)->setText(texts[10 + i]);
    form->List1()->selectAll();
    form->List1()->item(5)->setSelected(false);
    const std::vector<int> selected = selectedRows();
    ASSERT_EQ(fieldTexts(), texts);

    const std::string path = dir.file("all.sft");
    saveAs(path);
    trigger("sink");
    ASSERT_NE(fieldTexts(), texts);
    ASSERT_TRUE(selectedRows().empty());

    load(path);
    EXPECT_EQ(fieldTexts(), texts);
    EXPECT_EQ(selectedRows(), selected);
    EXPECT_EQ(selected.size(), 604u);
    EXPECT_TRUE(form->Text2(4)->isEnabled());
}

}  // namespace
}  // namespace norvelle::test

#include "cli/Cli.h"

#include "core/document/SoftwareDataFile.h"
#include "core/text/Cp932.h"
#include "core/text/TextEncoding.h"
#include "support/MainWindowTest.h"
#include "support/SampleForms.h"
#include "ui/plugin/Form5.h"
#include "ui/plugin/Form6.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <sstream>

namespace norvelle::test {
namespace {

// The window and norvelle-cli side by side: the same .sft loaded, the same plugin chosen,
// the preview saved unedited. Both must give the same file, byte for byte.
class WindowParity : public MainWindowTest {
protected:
    // Loads the .sft through the File menu, creates the Readme through the preview window,
    // giving `answers` to the questions after the save dialog.
    std::string saveFromTheWindow(const std::string& pluginName, const std::string& readme,
                                  std::vector<MsgAnswer> answers = {MsgAnswer::Ok}) {
        platform.onModal([&](QDialog& d) {
            auto* dialog = qobject_cast<Form5*>(&d);
            ASSERT_NE(dialog, nullptr);
            const auto found =
                dialog->List1()->findItems(QString::fromStdString(pluginName), Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << pluginName;
            QListWidget* list = dialog->List1();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(found[0]).center());
            shownPreview = dialog->Label2()->text();
            platform.onModal([&](QDialog& p) {
                platform.answerFile(QString::fromStdString(readme));
                for (const MsgAnswer a : answers) platform.answer(a);  // "... を作成しました"
                qobject_cast<Form6*>(&p)->Command2()->click();
            });
            dialog->Command1()->click();
        });
        form->findChild<QAction*>("m")->trigger();
        return exists(readme) ? readBytes(readme) : std::string();
    }

    QString shownPreview;  // the plugin's raw text, as the selection dialog showed it

    // The save dialog the preview window showed last.
    FileDialogRequest lastSaveDialog() const {
        FileDialogRequest shown;
        for (const auto& p : platform.prompts())
            if (p.kind == ScriptedPlatform::Prompt::Kind::SaveFile) shown = p.file;
        return shown;
    }

    struct Outcome {
        int code;
        std::string out;
    };
    Outcome cli(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = cli::runCli(args, out, err);
        return {code, out.str()};
    }
    std::string render(const std::vector<std::string>& args) {
        const Outcome r = cli(args);
        EXPECT_EQ(r.code, cli::kExitOk);
        return r.out;
    }
};

TEST_F(WindowParity, TheCommandWritesWhatTheWindowSaves) {
    platform.setProgramFolder(QString::fromStdString(dir.path()));
    for (const auto& entry : std::filesystem::directory_iterator(NORVELLE_SHIPPED_PLUGINS))
        std::filesystem::copy_file(entry.path(), dir.file(entry.path().filename().string()));
    writeBytes("癖.spd", sjis("[$ソフト名]\r\n[$転載]\r[$動作確認]\nソ[$必要ファイル]ー[$\r\n") +
                             "\x81\x81[$hp]");
    // The same in UTF-8 after a mark, with bytes that are no UTF-8 and a second mark, which
    // is a character of the text.
    writeUtf8Plugin("癖8.spd",
                    std::string(kUtf8Bom) +
                        "\uFEFF[$ソフト名]\r\n[$転載]\r[$動作確認]\nソ[$必要ファイル]ー[$\r\n"
                        "\xE3\x81\xFF[$hp]");
    writeBytes("Needfiles.dat", sjis("COMCTL32.OCX\r\n自作, ライブラリ.DLL\r\n"));
    start();

    SoftwareData d = trickyForm({"COMCTL32.OCX", "自作", " ライブラリ.DLL"});
    d.neededFiles[6].selected = true;
    writeBytes("data.sft", encodeCp932(formatSoftwareDataFile(d, "2.03")).bytes);
    platform.answerFile(QString::fromStdString(dir.file("data.sft")));
    form->findChild<QAction*>("softl")->trigger();
    ASSERT_EQ(form->Text2(0)->text(), "\"引用\", 1");

    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().extension() != ".spd") continue;
        const std::string name = entry.path().stem().string();
        const std::string saved = saveFromTheWindow(name, dir.file(name + ".txt"));
        EXPECT_FALSE(saved.empty()) << name;
        EXPECT_EQ(render({"render", "--data", "data.sft", "--plugin", name + ".spd"}), saved)
            << name;
        ++compared;
    }
    EXPECT_GE(compared, 6);
}

// Plugins of each kind, each Readme made by the window and by the command line: the Readme
// is written as its plugin is unless --encoding says otherwise, and check counts columns in
// characters whatever the kind.
TEST_F(WindowParity, TheReadmeIsWrittenAsItsPluginIs) {
    platform.setProgramFolder(QString::fromStdString(dir.path()));
    const std::string mark(kUtf8Bom);
    writeBytes("sjis.spd", sjis("ソ[$Email] [$ソフト名]\r\n表\r\n"));
    writeUtf8Plugin("notepad.spd", "𠮷[$Email] [$ソフト名]\r\n表\r\n");
    writeUtf8Plugin("README.md.spd", mark + "𠮷[$Email] [$ソフト名]\r\n表\r\n");
    start();
    SoftwareData d;
    d.softwareName = "表示";
    writeBytes("data.sft", encodeCp932(formatSoftwareDataFile(d, "2.06")).bytes);
    platform.answerFile(QString::fromStdString(dir.file("data.sft")));
    form->findChild<QAction*>("softl")->trigger();

    const std::string utf8 = "𠮷[$Email] 表示\r\n表\r\n\r\n";
    const struct {
        std::string plugin;
        std::string readme;  // saved by the window, rendered by the command line
        QString proposed;
        QString filter;
        std::string asCp932;  // --encoding cp932; empty: code page 932 cannot hold it
    } rows[] = {
        {"sjis", sjis("ソ[$Email] 表示\r\n表\r\n\r\n"), "Readme.txt", "ﾃｷｽﾄﾌｧｲﾙ(*.txt)",
         sjis("ソ[$Email] 表示\r\n表\r\n\r\n")},
        {"notepad", utf8, "Readme.txt", "ﾃｷｽﾄﾌｧｲﾙ(*.txt)", ""},
        {"README.md", mark + utf8, "README.md", "Markdownﾌｧｲﾙ(*.md)", ""},
    };
    for (const auto& row : rows) {
        const std::string plugin = row.plugin + ".spd";
        EXPECT_EQ(saveFromTheWindow(row.plugin, dir.file(row.plugin + ".out")), row.readme)
            << plugin;
        EXPECT_EQ(shownPreview.toStdString(), row.plugin == "sjis"
                                                  ? "ソ[$Email] [$ソフト名]\r\n表\r\n"
                                                  : "𠮷[$Email] [$ソフト名]\r\n表\r\n");
        EXPECT_EQ(lastSaveDialog().initialName, row.proposed) << plugin;
        EXPECT_EQ(lastSaveDialog().filterDescription, row.filter) << plugin;
        EXPECT_EQ(render({"render", "--data", "data.sft", "--plugin", plugin}), row.readme);

        const Outcome cp932 =
            cli({"render", "--data", "data.sft", "--plugin", plugin, "--encoding", "cp932"});
        EXPECT_EQ(cp932.code, row.asCp932.empty() ? cli::kExitUnencodable : cli::kExitOk);
        EXPECT_EQ(cp932.out, row.asCp932) << plugin;
        const std::string asUtf8 =
            render({"render", "--data", "data.sft", "--plugin", plugin, "--encoding", "utf-8"});
        EXPECT_EQ(asUtf8, row.plugin == "sjis" ? "ソ[$Email] 表示\r\n表\r\n\r\n" : utf8);

        const Outcome check = cli({"check", plugin});
        EXPECT_EQ(check.code, cli::kExitMarkerProblems);
        EXPECT_EQ(check.out, plugin + ":1:2: unknown marker [$Email]\n");
    }

    // Typed into the form, characters code page 932 lacks go into a UTF-8 Readme as they are,
    // with no question; for a code page 932 Readme the question comes as it always did.
    form->Text2(0)->setText("𠮷😀");
    platform.clearRecords();
    EXPECT_EQ(saveFromTheWindow("notepad", dir.file("typed.txt")), "𠮷[$Email] 𠮷😀\r\n表\r\n\r\n");
    EXPECT_EQ(platform.messages().size(), 1u);  // を作成しました
    EXPECT_EQ(saveFromTheWindow("sjis", dir.file("asked.txt"), {MsgAnswer::No}), "");
    EXPECT_TRUE(platform.messages().back().text.contains("Shift-JIS で保存できない文字が 2 文字"));
}

}  // namespace
}  // namespace norvelle::test

#include "Cli.h"

#include "plugin/Form5.h"
#include "plugin/Form6.h"
#include "sftfile/SoftwareDataFile.h"
#include "support/MainWindowTest.h"
#include "support/SampleForms.h"
#include "text/Cp932.h"

#include <QAction>
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
    // Loads the .sft through the File menu, creates the Readme through the preview window.
    std::string saveFromTheWindow(const std::string& pluginName, const std::string& readme) {
        platform.onModal([&](QDialog& d) {
            auto* dialog = qobject_cast<Form5*>(&d);
            ASSERT_NE(dialog, nullptr);
            const auto found =
                dialog->List1()->findItems(QString::fromStdString(pluginName), Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << pluginName;
            QListWidget* list = dialog->List1();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(found[0]).center());
            platform.onModal([&](QDialog& p) {
                platform.answerFile(QString::fromStdString(readme));
                platform.answer(MsgAnswer::Ok);  // "... を作成しました"
                qobject_cast<Form6*>(&p)->Command2()->click();
            });
            dialog->Command1()->click();
        });
        form->findChild<QAction*>("m")->trigger();
        return readBytes(readme);
    }

    std::string render(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::runCli(args, out, err), cli::kExitOk) << err.str();
        return out.str();
    }
};

TEST_F(WindowParity, TheCommandWritesWhatTheWindowSaves) {
    platform.setProgramFolder(QString::fromStdString(dir.path()));
    for (const auto& entry : std::filesystem::directory_iterator(NORVELLE_SHIPPED_PLUGINS))
        std::filesystem::copy_file(entry.path(), dir.file(entry.path().filename().string()));
    writeBytes("癖.spd", sjis("[$ソフト名]\r\n[$転載]\r[$動作確認]\nソ[$必要ファイル]ー[$\r\n") +
                             "\x81\x81[$hp]");
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
    EXPECT_GE(compared, 4);
}

}  // namespace
}  // namespace norvelle::test

#include "ui/platform/FileErrorText.h"
#include "ui/plugin/Form5.h"

#include "core/plugin/ExpandPlugin.h"
#include "core/text/TextEncoding.h"
#include "support/MainWindowTest.h"
#include "ui/plugin/Form6.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <functional>

namespace norvelle::test {
namespace {

// The main window in a fresh folder; the plugins lie in its subfolder "prog", the program's
// folder, which is not the working directory at first.
class Form5Test : public MainWindowTest {
protected:
    std::string prog;

    void SetUp() override {
        prog = dir.file("prog");
        std::filesystem::create_directory(prog);
        platform.setProgramFolder(QString::fromStdString(prog));
        start();
    }

    void plugin(const std::string& name, std::string_view bytes) {
        writeBytes(prog + "/" + name, bytes);
    }

    // The Create command, with `action` run on the plugin dialog while it is open.
    void create(std::function<void(Form5&)> action) {
        platform.onModal([action](QDialog& d) {
            auto* dialog = qobject_cast<Form5*>(&d);
            ASSERT_NE(dialog, nullptr);
            action(*dialog);
        });
        form->findChild<QAction*>("m")->trigger();
    }

    // Clicks an entry of the plugin list as the user would.
    static void click(Form5& d, int row) {
        QListWidget* list = d.List1();
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static QStringList entries(const Form5& d) {
        QStringList out;
        for (int i = 0; i < d.List1()->count(); ++i) out << d.List1()->item(i)->text();
        return out;
    }

    int modalsShown() const {
        int n = 0;
        for (const auto& p : platform.prompts())
            if (p.kind == ScriptedPlatform::Prompt::Kind::Modal) ++n;
        return n;
    }
};

TEST_F(Form5Test, ListsThePluginsOfTheProgramFolder) {
    plugin("標準.spd", "");
    plugin("b.SPD", "upper case");
    plugin("A.spd", "");
    plugin("notes.txt", "");
    plugin("old.spd.bak", "");
    std::filesystem::create_directory(prog + "/folder.spd");
    ASSERT_TRUE(makeNamedPipe(prog + "/pipe.spd") || kOnWindows);  // opening it would block
    writeBytes("here.spd", "");  // in the working directory, not in the program's folder

    bool opened = false;
    create([&](Form5& d) {
        opened = true;
        EXPECT_EQ(d.windowTitle(), "プラグイン選択");
        EXPECT_EQ(d.parentWidget(), form.get());
        EXPECT_EQ(d.Label1()->buddy(), d.List1());

        EXPECT_EQ(entries(d), QStringList({"A", "b", "標準"}));
        EXPECT_TRUE(d.List1()->selectedItems().isEmpty());
        EXPECT_EQ(d.Label2()->text(), "");

        // The entry opens the file as it is named, whatever the case of its extension.
        click(d, 1);
        EXPECT_EQ(d.Label2()->text(), "upper case\r\n");
    });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(platform.messages().empty());
}

TEST_F(Form5Test, NoPluginsIsToldBeforeTheEmptyDialogOpens) {
    plugin("readme.txt", "");
    platform.answer(MsgAnswer::Ok);
    create([&](Form5& d) {
        EXPECT_EQ(d.List1()->count(), 0);
        d.Command1()->click();  // nothing to expand
        EXPECT_EQ(modalsShown(), 1);
    });
    const auto& prompts = platform.prompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].kind, ScriptedPlatform::Prompt::Kind::Message);
    EXPECT_EQ(prompts[1].kind, ScriptedPlatform::Prompt::Kind::Modal);
    const MessageBoxRequest& m = prompts[0].message;
    EXPECT_EQ(m.text, "プラグインが１つも見つかりません。");
    EXPECT_EQ(m.title, "Norvelle");
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
}

TEST_F(Form5Test, SelectingPreviewsTheRawTextEachTimeAfresh) {
    plugin("a.spd", sjis("一 [$ソフト名]\r二\n表\r\n"));
    plugin("b.spd", sjis("[$add1]"));
    const QString progFolder = QString::fromStdString(prog);

    create([&](Form5& d) {
        EXPECT_NE(QDir::currentPath(), progFolder);

        click(d, 0);
        EXPECT_EQ(QDir::currentPath(), progFolder);
        EXPECT_EQ(d.Label2()->text(), "一 [$ソフト名]\r\n二\n表\r\n");

        d.List1()->setCurrentRow(1);  // as by the arrow keys
        EXPECT_EQ(d.Label2()->text(), "[$add1]\r\n");

        // Clicking the selected entry again shows the file as it is now, once.
        plugin("b.spd", sjis("新しい行\r\n"));
        click(d, 1);
        EXPECT_EQ(d.Label2()->text(), "新しい行\r\n");

        click(d, 0);
        EXPECT_EQ(d.Label2()->text(), "一 [$ソフト名]\r\n二\n表\r\n");

        // A plugin that has gone leaves the preview empty, silently.
        std::filesystem::remove(prog + "/b.spd");
        click(d, 1);
        EXPECT_EQ(d.Label2()->text(), "");
        EXPECT_EQ(d.List1()->currentRow(), 1);
    });
    EXPECT_TRUE(platform.messages().empty());
}

TEST_F(Form5Test, OkExpandsTheSelectedPluginWithTheFormAsItIsThen) {
    plugin("a.spd", sjis("名前：[$ソフト名]\r\n[$email]"));
    plugin("b.spd", sjis("B"));
    form->Text2(0)->setText("最初");
    form->Combo1(4)->setEditText("a@example.org");

    QStringList shown;
    auto capture = [&](QDialog& d) {
        auto* preview = qobject_cast<Form6*>(&d);
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->windowTitle(), "プレビュー");
        shown << preview->Text1()->toPlainText();
        EXPECT_EQ(preview->currentText(), shown.size() == 1 ? "名前：最初\r\na@example.org\r\n"
                                                            : "名前：次\r\na@example.org\r\n");
    };
    create([&](Form5& d) {
        d.Command1()->click();  // nothing selected yet
        EXPECT_EQ(modalsShown(), 1);

        click(d, 0);
        platform.onModal([&](QDialog& p) {
            EXPECT_EQ(p.parentWidget(), &d);  // the preview stands over this dialog
            capture(p);
        });
        d.Command1()->click();

        // The dialog stays with its selection; the second OK sees the changed form.
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.List1()->currentRow(), 0);
        EXPECT_TRUE(d.List1()->item(0)->isSelected());
        form->Text2(0)->setText("次");
        platform.onModal(capture);
        d.Command1()->click();
    });
    EXPECT_EQ(shown, QStringList({"名前：最初\na@example.org\n", "名前：次\na@example.org\n"}));
    EXPECT_EQ(modalsShown(), 3);
}

// Plugins of each kind: the dialog shows each as written, and the preview saves its Readme as
// its plugin is written, under the name and the filter of its kind.
TEST_F(Form5Test, EachPluginIsShownAndItsReadmeSavedInThePluginsEncoding) {
    const std::string mark(kUtf8Bom);
    const std::string unicode = "𠮷[$Email] [$ソフト名]\r\n表\r\n";
    plugin("sjis.spd", sjis("ソ[$Email] [$ソフト名]\r\n表\r\n"));
    writeUtf8Plugin(prog + "/notepad.spd", unicode);
    writeUtf8Plugin(prog + "/README.md.spd", mark + unicode);
    writePlugin(prog + "/le.spd", encodeText(unicode, TextEncoding::Utf16Le).bytes,
                TextEncoding::Utf16Le);
    writePlugin(prog + "/be.spd", encodeText(unicode, TextEncoding::Utf16Be).bytes,
                TextEncoding::Utf16Be);
    form->Text2(0)->setText("表示");

    // Saves the unedited preview of `name` as `file`, giving `answers` after the save dialog.
    QString shownPlugin;
    FileDialogRequest saveDialog;
    auto save = [&](const QString& name, const std::string& file,
                    std::vector<MsgAnswer> answers = {MsgAnswer::Ok}) {
        create([&](Form5& d) {
            const auto found = d.List1()->findItems(name, Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << name.toStdString();
            click(d, d.List1()->row(found[0]));
            shownPlugin = d.Label2()->text();
            platform.onModal([&](QDialog& p) {
                platform.answerFile(QString::fromStdString(file));
                for (const MsgAnswer a : answers) platform.answer(a);  // "... を作成しました"
                qobject_cast<Form6*>(&p)->Command2()->click();
            });
            d.Command1()->click();
        });
        for (const auto& p : platform.prompts())
            if (p.kind == ScriptedPlatform::Prompt::Kind::SaveFile) saveDialog = p.file;
        return exists(file) ? readBytes(file) : std::string();
    };

    const std::string utf8 = "𠮷[$Email] 表示\r\n表\r\n\r\n";
    const struct {
        QString plugin;
        std::string readme;
        QString proposed;
        QString filter;
    } rows[] = {
        {"sjis", sjis("ソ[$Email] 表示\r\n表\r\n\r\n"), "Readme.txt", "ﾃｷｽﾄﾌｧｲﾙ(*.txt)"},
        {"notepad", utf8, "Readme.txt", "ﾃｷｽﾄﾌｧｲﾙ(*.txt)"},
        // Notepad's UTF-16, either byte order: the Readme the same, mark and all.
        {"le", encodeText(utf8, TextEncoding::Utf16Le).bytes, "Readme.txt", "ﾃｷｽﾄﾌｧｲﾙ(*.txt)"},
        {"be", encodeText(utf8, TextEncoding::Utf16Be).bytes, "Readme.txt", "ﾃｷｽﾄﾌｧｲﾙ(*.txt)"},
        // A Markdown file ends with its last line's line break.
        {"README.md", mark + "𠮷[$Email] 表示\r\n表\r\n", "README.md", "Markdownﾌｧｲﾙ(*.md)"},
    };
    for (const auto& row : rows) {
        const std::string name = row.plugin.toStdString();
        EXPECT_EQ(save(row.plugin, dir.file(name + ".out")), row.readme) << name;
        EXPECT_EQ(shownPlugin.toStdString(),
                  row.plugin == "sjis" ? "ソ[$Email] [$ソフト名]\r\n表\r\n" : unicode);
        EXPECT_EQ(saveDialog.initialName, row.proposed) << name;
        EXPECT_EQ(saveDialog.filterDescription, row.filter) << name;
    }

    // Typed into the form, characters code page 932 lacks go into a UTF-8 Readme as they are,
    // with no question; for a code page 932 Readme the question comes as it always did.
    form->Text2(0)->setText("𠮷😀");
    platform.clearRecords();
    EXPECT_EQ(save("notepad", dir.file("typed.txt")), "𠮷[$Email] 𠮷😀\r\n表\r\n\r\n");
    EXPECT_EQ(platform.messages().size(), 1u);  // を作成しました
    EXPECT_EQ(save("sjis", dir.file("asked.txt"), {MsgAnswer::No}), "");
    EXPECT_TRUE(platform.messages().back().text.contains("Shift-JIS で保存できない文字が 2 文字"));

    // UTF-16 without its mark is no plugin: the preview says why, OK shows no Readme. A
    // UTF-8 plugin with a stray byte is read as code page 932, and the preview says where.
    plugin("nomark.spd", std::string("R\0e\0a\0d\0\r\0\n\0", 12));
    plugin("stray.spd", "こんにちは\r\n世界\x83です\r\n");  // read as code page 932
    platform.clearRecords();
    create([&](Form5& d) {
        const auto shown = [&](const QString& name) {
            click(d, d.List1()->row(d.List1()->findItems(name, Qt::MatchExactly)[0]));
            return d.Label2()->text();
        };
        EXPECT_TRUE(shown("nomark").contains("BOM なしの UTF-16"));
        platform.answer(MsgAnswer::Ok);
        d.Command1()->click();
        EXPECT_EQ(modalsShown(), 1);
        EXPECT_TRUE(platform.messages().back().text.contains("BOM なしの UTF-16"));
        EXPECT_TRUE(shown("stray").startsWith(
            "※ 2 行 3 文字目のバイト 0x83 が UTF-8 ではないため、シフト JIS (コードページ 932) "
            "として読み込みました。\r\n\r\n"));
    });
}

TEST_F(Form5Test, APluginThatCannotBeReadOnOkIsReported) {
    plugin("消えた.spd", sjis("[$ソフト名]"));
    form->Text2(0)->setText("名前");
    create([&](Form5& d) {
        click(d, 0);
        std::filesystem::remove(fsPath(prog + "/消えた.spd"));
        platform.answer(MsgAnswer::Ok);
        d.Command1()->click();
        EXPECT_EQ(modalsShown(), 1);  // no preview
        EXPECT_TRUE(d.List1()->item(0)->isSelected());
    });
    const auto messages = platform.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("消えた.spd")) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].title, "Norvelle");
    EXPECT_EQ(messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(form->Text2(0)->text(), "名前");
}

TEST_F(Form5Test, PluginsAndReadmesFarTooLargeAreRefusedWithAMessage) {
    // A gigabyte without a line break, sparse so that it takes no room on the disk.
    plugin("huge.spd", sjis("[$ソフト名]"));
    resizeFile(prog + "/huge.spd", std::int64_t{1} << 30);
    // A small plugin that repeats a long field more often than a Readme can hold.
    std::string lines;
    for (int i = 0; i < 200; ++i) lines += "[$add1]\r\n";
    plugin("long.spd", lines);
    form->Text1(0)->setText(QString(8192, u'長'));  // 24 KB in UTF-8, 200 times

    auto expectRefused = [&](const QString& file, const QString& reason) {
        const auto messages = platform.messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].text.contains(file)) << messages[0].text.toStdString();
        EXPECT_TRUE(messages[0].text.contains(reason)) << messages[0].text.toStdString();
        EXPECT_EQ(messages[0].title, "Norvelle");
        EXPECT_EQ(messages[0].icon, MsgIcon::Critical);
        platform.clearRecords();
    };
    const QString tooLarge =
        QString::fromStdString(describeTooLarge(kPluginDialogLimits.pluginSize));
    create([&](Form5& d) {
        platform.clearRecords();
        platform.answer(MsgAnswer::Ok);
        click(d, 0);
        expectRefused("huge.spd", tooLarge);
        EXPECT_EQ(d.Label2()->text(), "");

        platform.answer(MsgAnswer::Ok);
        d.Command1()->click();
        expectRefused("huge.spd", tooLarge);

        click(d, 1);
        EXPECT_TRUE(d.Label2()->text().startsWith("[$add1]\r\n"));
        platform.answer(MsgAnswer::Ok);
        d.Command1()->click();
        expectRefused("long.spd", "Readme が大きすぎる");
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_EQ(modalsShown(), 0);  // the records were cleared with the dialog open: no preview
}

TEST_F(Form5Test, AnEmptyPluginOpensAnEmptyPreview) {
    plugin("空.spd", "");
    bool previewed = false;
    create([&](Form5& d) {
        click(d, 0);
        platform.onModal([&](QDialog& p) {
            previewed = true;
            EXPECT_EQ(qobject_cast<Form6*>(&p)->currentText(), "");
        });
        d.Command1()->click();
    });
    EXPECT_TRUE(previewed);
}

TEST_F(Form5Test, ChangingTextsReachAScreenReaderAsTheControlsShowThem) {
    plugin("a.spd", sjis("名前：[$ソフト名]\r\n"));
    form->Text2(0)->setText("道具");
    struct Read {
        QString control, name, value, description;
    };
    std::vector<Read> read;
    auto readAloud = [&](const char* control, QWidget* widget) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(a, nullptr) << control;
        read.push_back({control, a->text(QAccessible::Name), a->text(QAccessible::Value),
                        a->text(QAccessible::Description)});
    };
    create([&](Form5& d) {
        click(d, 0);
        readAloud("Form5 Label2", d.Label2());
        platform.onModal(
            [&](QDialog& p) { readAloud("Form6 Text1", qobject_cast<Form6*>(&p)->Text1()); });
        d.Command1()->click();
    });
    platform.onModal([&](QDialog& box) {
        for (const char* name : {"lblTitle", "lblVersion", "Label4", "Label5"})
            readAloud(name, box.findChild<QLabel*>(QString::fromLatin1(name)));
    });
    form->findChild<QAction*>("vvv")->trigger();

    const std::vector<Read> expected = {
        {"Form5 Label2", "名前：[$ソフト名]\r\n", "", "プラグインプレビュー"},
        {"Form6 Text1", "プレビュー", "名前：道具\n", ""},
        {"lblTitle", "Norvelle", "", ""},
        {"lblVersion", "Ver 2.06", "", ""},
        {"Label4", "info@example.org", "", "メールを送ります"},
        {"Label5", "http://example.org/", "", "ホームページを開きます"},
    };
    ASSERT_EQ(read.size(), expected.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].control, expected[i].control);
        EXPECT_EQ(read[i].name, expected[i].name) << read[i].control.toStdString();
        EXPECT_EQ(read[i].value, expected[i].value) << read[i].control.toStdString();
        EXPECT_EQ(read[i].description, expected[i].description) << read[i].control.toStdString();
    }
}

}  // namespace
}  // namespace norvelle::test

// Two windows on one folder share its list files: every change is made to the file as it
// stands, so neither loses what the other registered.

#include "core/lists/ListChange.h"
#include "core/lists/RegisteredLists.h"
#include "ui/lists/Form2.h"
#include "ui/lists/Form3.h"
#include "ui/lists/RegistrationTest.h"
#include "ui/platform/FileErrorText.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <ostream>

namespace norvelle::test {
namespace {

struct SharedList {
    const char* file;
    int mode;  // RegistrationMode of the address dialog; 0 for the needed-files dialog
    const char* registerButton;
    const char* deleteButton;  // after an entry is selected
    const char* clearButton;   // with none selected
};

void PrintTo(const SharedList& l, std::ostream* os) {
    *os << l.file;
}

class SharedListsTest : public RegistrationTest, public ::testing::WithParamInterface<SharedList> {
protected:
    // The dialog another window of the program would show, with that window's own state.
    std::unique_ptr<QDialog> open(AppState& windowState) {
        const SharedList& l = GetParam();
        windowState.RegistrationMode = l.mode;
        std::unique_ptr<QDialog> d;
        if (l.mode != 0)
            d = std::make_unique<Form2>(platform, windowState, nullptr);
        else
            d = std::make_unique<Form3>(platform, windowState, nullptr);
        d->show();
        return d;
    }
    static QListWidget* list(QDialog& d) { return d.findChild<QListWidget*>("List1"); }
    static void click(QDialog& d, const char* button) {
        d.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }
};

INSTANTIATE_TEST_SUITE_P(
    Lists, SharedListsTest,
    ::testing::Values(SharedList{kEmailFile, 1, "Command1", "Command3", "Command3"},
                      SharedList{kHomePageFile, 2, "Command1", "Command3", "Command3"},
                      SharedList{kNeededFilesFile, 0, "Command3", "Command2", "Command1"}),
    [](const auto& info) { return std::string(info.param.file).substr(0, 4); });

TEST_P(SharedListsTest, TwoDialogsOnOneFolderLoseNothingOfEachOther) {
    const SharedList& l = GetParam();
    AppState stateA;
    AppState stateB;
    const std::unique_ptr<QDialog> a = open(stateA);
    const std::unique_ptr<QDialog> b = open(stateB);

    enum Action { Register, Delete, Clear, RegisterWhileLocked };
    struct Step {
        char who;
        Action action;
        const char* text;  // Register: typed; Delete: the selected entry's text, at `row`
        int row;
        std::string file;  // the file's bytes afterwards
        QStringList shownA;
        QStringList shownB;
    };
    const Step steps[] = {
        {'A', Register, "x", 0, "x\r\n", {"x"}, {}},
        {'B', Register, "a", 0, "x\r\na\r\n", {"x"}, {"x", "a"}},
        {'A', Register, "y", 0, "x\r\na\r\ny\r\n", {"x", "a", "y"}, {"x", "a"}},
        {'A', Register, "a", 0, "x\r\na\r\ny\r\na\r\n", {"x", "a", "y", "a"}, {"x", "a"}},
        // The second of two equal entries is the one that goes.
        {'A', Delete, "a", 3, "x\r\na\r\ny\r\n", {"x", "a", "y"}, {"x", "a"}},
        // One deletes what the other shows; the other then finds it gone and removes nothing.
        {'B', Delete, "x", 0, "a\r\ny\r\n", {"x", "a", "y"}, {"a", "y"}},
        {'A', Delete, "x", 0, "a\r\ny\r\n", {"a", "y"}, {"a", "y"}},
        // Clearing takes what that dialog shows; what the other registered meanwhile stays.
        {'B', Register, "z", 0, "a\r\ny\r\nz\r\n", {"a", "y"}, {"a", "y", "z"}},
        {'A', Clear, "", 0, "z\r\n", {"z"}, {"a", "y", "z"}},
        {'B', Clear, "", 0, "(none)", {"z"}, {}},
        // Another process holding the lock too long: told, nothing written, text kept.
        {'A', RegisterWhileLocked, "w", 0, "(none)", {}, {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(1, step.who) + " " + step.text + " " +
                     std::to_string(step.action));
        QDialog& d = step.who == 'A' ? *a : *b;
        auto* text = d.findChild<QLineEdit*>("Text1");
        switch (step.action) {
            case RegisterWhileLocked:
                failingFiles = {kListLockFile};
                faults = {{"lock", FileErrc::LockTimeout}};
                platform.answer(MsgAnswer::Ok);
                [[fallthrough]];
            case Register:
                text->insert(step.text);
                click(d, l.registerButton);
                break;
            case Delete:
                ASSERT_EQ(list(d)->item(step.row)->text(), step.text);
                clickEntry(list(d), step.row);
                click(d, l.deleteButton);
                break;
            case Clear:
                click(d, l.clearButton);
                break;
        }
        EXPECT_EQ(bytesOf(l.file), step.file);
        EXPECT_EQ(entries(list(*a)), step.shownA);
        EXPECT_EQ(entries(list(*b)), step.shownB);
        if (step.action != RegisterWhileLocked) {
            EXPECT_EQ(text->text(), "");
            EXPECT_TRUE(platform.messages().empty());
            continue;
        }
        EXPECT_EQ(text->text(), step.text);
        ASSERT_EQ(platform.messages().size(), 1u);
        EXPECT_EQ(platform.messages()[0].icon, MsgIcon::Critical);
        EXPECT_EQ(platform.messages()[0].text,
                  QString::fromLatin1(l.file) + " の登録内容を変更できませんでした。\n" +
                      QString::fromStdString(describeError(FileErrc::LockTimeout)));
    }
}

TEST_P(SharedListsTest, ALockFileOrAListThatCannotBeUsedIsNamedAndNothingIsWritten) {
    const SharedList& l = GetParam();
    writeBytes(l.file, "a\r\n");
    AppState state;
    const std::unique_ptr<QDialog> d = open(state);
    auto* text = d->findChild<QLineEdit*>("Text1");
    const QString remedy = "\nこれは Norvelle が登録内容を変更するときに使うファイルです。"
                           "削除してから、もう一度やり直してください。";
    const QString headline = QString::fromLatin1(l.file) + " の登録内容を変更できませんでした。\n";
    const struct {
        std::error_code lockAnswer;  // what locking answers; none: the list is a folder by now
        QString message;
    } cases[] = {
        {errnoError(ELOOP), headline + "ロックファイル .norvelle.lock がシンボリックリンクになっています。" + remedy},
        {errnoError(EISDIR), headline + "ロックファイル .norvelle.lock がフォルダになっています。" + remedy},
        {FileErrc::NotRegularFile,
         headline + "ロックファイル .norvelle.lock が通常のファイルではありません"
                    "（名前付きパイプかデバイスです）。" + remedy},
        {{}, QString::fromLatin1(l.file) +
                " を読み込めなかったため、登録内容を変更できませんでした。\nフォルダです。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lockAnswer);
        platform.clearRecords();
        failingFiles = {kListLockFile};
        faults = {{"lock", c.lockAnswer}};
        if (!c.lockAnswer) {
            std::filesystem::remove(l.file);
            std::filesystem::create_directory(l.file);
        }
        platform.answer(MsgAnswer::Ok);
        text->insert("b");
        click(*d, l.registerButton);
        EXPECT_EQ(text->text(), "b");
        text->clear();
        ASSERT_EQ(platform.messages().size(), 1u);
        EXPECT_EQ(platform.messages()[0].icon, MsgIcon::Critical);
        EXPECT_EQ(platform.messages()[0].text, c.message);
        if (c.lockAnswer) {
            EXPECT_EQ(bytesOf(l.file), "a\r\n");
        }
    }
    // The list shows what the file held when it could last be read.
    EXPECT_EQ(entries(list(*d)), QStringList({"a"}));
}

// One of the two processes below: registers NORVELLE_TEST_COUNT entries named
// NORVELLE_TEST_PREFIX and a number, one after another, as fast as it can.
TEST(SharedListsProcess, DISABLED_Registers) {
    const std::string prefix = qEnvironmentVariable("NORVELLE_TEST_PREFIX").toStdString();
    const int count = qEnvironmentVariableIntValue("NORVELLE_TEST_COUNT");
    ASSERT_FALSE(prefix.empty());
    for (int i = 0; i < count; ++i) {
        ListChange change;
        change.text = prefix + std::to_string(i);
        ASSERT_EQ(changeListFile(kEmailFile, change, {}).status, ListChangeResult::Status::Done)
            << change.text;
    }
}

TEST(SharedListsProcess, TwoProcessesRegisteringAtOnceKeepEveryEntry) {
    TempDir dir;
    constexpr int kEach = 300;
    const char* prefixes[] = {"a", "b"};
    std::unique_ptr<QProcess> workers[2];
    for (int w = 0; w < 2; ++w) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NORVELLE_TEST_PREFIX", prefixes[w]);
        env.insert("NORVELLE_TEST_COUNT", QString::number(kEach));
        workers[w] = std::make_unique<QProcess>();
        workers[w]->setProcessEnvironment(env);
        workers[w]->setWorkingDirectory(QString::fromStdString(dir.path()));
        workers[w]->setProcessChannelMode(QProcess::MergedChannels);
        workers[w]->start(QCoreApplication::applicationFilePath(),
                          {"--gtest_filter=SharedListsProcess.DISABLED_Registers",
                           "--gtest_also_run_disabled_tests"});
    }
    for (auto& worker : workers) {
        ASSERT_TRUE(worker->waitForFinished(120000));
        EXPECT_EQ(worker->exitCode(), 0) << worker->readAll().toStdString();
    }

    // Every entry once, each process's in the order it registered them.
    const ListFile file = loadListFile(dir.file(kEmailFile));
    EXPECT_EQ(file.items.size(), 2u * kEach);
    for (const char* prefix : prefixes) {
        std::vector<std::string> own;
        for (const std::string& item : file.items)
            if (item.starts_with(prefix)) own.push_back(item);
        std::vector<std::string> expected(kEach);
        for (int i = 0; i < kEach; ++i) expected[i] = prefix + std::to_string(i);
        EXPECT_EQ(own, expected) << prefix;
    }
}

}  // namespace
}  // namespace norvelle::test

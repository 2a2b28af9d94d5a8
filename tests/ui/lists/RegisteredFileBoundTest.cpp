#include "core/lists/RegisteredLists.h"
#include "ui/lists/RegistrationTest.h"
#include "ui/platform/FileErrorText.h"

#include <QLineEdit>
#include <QPushButton>

namespace norvelle::test {
namespace {

using RegisteredFileBoundTest = RegistrationTest;

// Long entries registered one by one, in each registration dialog, until the list file is
// about to grow past what is read of it: every entry a dialog accepted must come back from
// the file, at the next start and at the next opening alike.
TEST_F(RegisteredFileBoundTest, EveryEntryADialogAcceptsIsReadBackWhole) {
    struct Dialog {
        const char* action;
        const char* file;
        const char* registerButton;
        const char* exitButton;
    };
    const Dialog dialogs[] = {
        {"email", kEmailFile, "Command1", "Command2"},
        {"hpr", kHomePageFile, "Command1", "Command2"},
        {"hitu", kNeededFilesFile, "Command3", "Command4"},
    };
    // 1,000 bytes in Shift-JIS (1,498 in UTF-8), then CR LF. The file starts five lines
    // short of the bound: five more entries fit, the sixth does not.
    const auto entry = [](std::size_t i) {
        return QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')) + QString(498, QChar(0x3042));
    };
    const std::size_t seeded = kMaxListFileSize / 1002 - 5;
    std::string seed;
    for (std::size_t i = 0; i < seeded; ++i) seed += sjis(entry(i).toStdString()) + "\r\n";

    for (const Dialog& dialog : dialogs) {
        SCOPED_TRACE(dialog.action);
        writeBytes(dialog.file, seed);
        start();
        platform.clearRecords();
        QStringList accepted;
        platform.onModal([&](QDialog& d) {
            auto* text = d.findChild<QLineEdit*>(QStringLiteral("Text1"));
            auto* list = d.findChild<QListWidget*>(QStringLiteral("List1"));
            ASSERT_TRUE(text && list);
            platform.answer(MsgAnswer::Ok);
            for (std::size_t i = seeded; i < seeded + 6; ++i) {
                text->insert(entry(i));
                d.findChild<QPushButton*>(QString::fromLatin1(dialog.registerButton))->click();
            }
            EXPECT_EQ(text->text(), entry(seeded + 5));  // refused, and kept for the user
            accepted = entries(list);
            d.findChild<QPushButton*>(QString::fromLatin1(dialog.exitButton))->click();
        });
        trigger(dialog.action);

        EXPECT_EQ(accepted.size(), static_cast<qsizetype>(seeded + 5));
        const ListFile back = loadListFile(dialog.file);
        EXPECT_FALSE(back.truncated);
        QStringList read;
        for (const std::string& item : back.items) read << QString::fromStdString(item);
        EXPECT_EQ(read.size(), accepted.size());
        EXPECT_TRUE(read == accepted);

        // Worded as every registered file's, copyright.dat's too.
        const auto messages = platform.messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(messages[0].text, QString::fromLatin1(dialog.file) +
                                        " に登録内容を保存できませんでした。\n" +
                                        QString::fromStdString(describeTooLarge(kMaxListFileSize)));
    }
}

}  // namespace
}  // namespace norvelle::test

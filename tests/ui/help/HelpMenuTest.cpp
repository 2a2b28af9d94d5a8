#include "support/MainWindowTest.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <ostream>

// Colours print as #rrggbb in failure messages.
static void PrintTo(const QColor& color, std::ostream* os) {
    *os << color.name().toStdString();
}

namespace norvelle::test {
namespace {

class HelpMenuTest : public MainWindowTest {
protected:
    void choose(const char* entry) {
        QAction* action = form->findChild<QAction*>(QString::fromLatin1(entry));
        ASSERT_NE(action, nullptr) << entry;
        action->trigger();
    }
    static QLabel* label(QDialog& box, const char* name) {
        auto* l = box.findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(l, nullptr) << name;
        return l;
    }
    static QColor textColor(const QLabel* l) { return l->palette().color(QPalette::WindowText); }
};

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

TEST_F(HelpMenuTest, HelpOpensTheProgramFoldersHelpFileFromAnyWorkingFolder) {
    namespace fs = std::filesystem;
    fs::create_directory(dir.file("program"));
    fs::create_directory(dir.file("elsewhere"));
    const QString programFolder = QString::fromStdString(dir.file("program"));
    platform.setProgramFolder(programFolder);
    start();

    fs::current_path(dir.file("elsewhere"));
    choose("html");
    // The working folder moves, as it does once a plugin has been picked; the path stays.
    fs::current_path(dir.path());
    choose("html");

    ASSERT_EQ(platform.shellOpens.size(), 2u);
    for (const auto& [target, workingFolder] : platform.shellOpens) {
        EXPECT_EQ(target, QDir::toNativeSeparators(programFolder + "/norvelle.txt"));
        EXPECT_EQ(workingFolder, programFolder);
    }
    // The file is missing here: nothing is reported, the desktop simply opens nothing.
    EXPECT_TRUE(platform.prompts().empty());
}

TEST_F(HelpMenuTest, VersionBoxShowsTitleVersionIconAndBlueLinks) {
    Form1& f = start();
    // The program's icon is set on the main window in every size a desktop asks for.
    const QList<QSize> sizes = f.windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(256, 256)));

    bool shown = false;
    platform.onModal([&](QDialog& box) {
        shown = true;
        EXPECT_EQ(box.objectName(), "frmAbout");
        EXPECT_EQ(box.windowTitle(), "Norvelleのﾊﾞｰｼﾞｮﾝ情報");
        EXPECT_EQ(label(box, "lblTitle")->text(), "Norvelle");
        EXPECT_TRUE(label(box, "lblTitle")->font().bold());
        EXPECT_EQ(label(box, "lblVersion")->text(), "Ver 2.06");

        // The box and its picture show the main window's icon.
        EXPECT_EQ(box.windowIcon().cacheKey(), f.windowIcon().cacheKey());
        const QImage picture = label(box, "picIcon")->pixmap().toImage();
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(
            picture.convertToFormat(QImage::Format_ARGB32),
            f.windowIcon().pixmap(picture.size()).toImage().convertToFormat(QImage::Format_ARGB32));

        for (const char* name : {"Label4", "Label5"}) {
            QLabel* link = label(box, name);
            EXPECT_EQ(textColor(link), kBlue) << name;
            EXPECT_TRUE(link->font().underline()) << name;
            EXPECT_EQ(link->cursor().shape(), Qt::BitmapCursor) << name;
            EXPECT_EQ(link->cursor().pixmap().size(), QSize(32, 32)) << name;
        }
        EXPECT_TRUE(box.findChild<QPushButton*>("cmdOK")->isDefault());
    });
    choose("vvv");
    EXPECT_TRUE(shown);
}

TEST_F(HelpMenuTest, LinksOpenWithTheShellTurnRedAndTurnBlueOverTheBackground) {
    start();
    QString mailAddress, homePage;
    platform.onModal([&](QDialog& box) {
        QLabel* mail = label(box, "Label4");
        QLabel* web = label(box, "Label5");
        mailAddress = mail->text();
        homePage = web->text();

        QTest::mouseClick(mail, Qt::LeftButton);
        EXPECT_EQ(textColor(mail), kRed);
        EXPECT_EQ(textColor(web), kBlue);
        QTest::mouseClick(web, Qt::LeftButton);
        EXPECT_EQ(textColor(web), kRed);

        // Over a label the links stay red; over the box's own background both turn blue.
        QTest::mouseMove(web, web->rect().center());
        QTest::mouseMove(label(box, "Label1"), QPoint(2, 2));
        EXPECT_EQ(textColor(mail), kRed);
        EXPECT_EQ(textColor(web), kRed);
        QTest::mouseMove(&box, QPoint(4, box.height() - 4));
        EXPECT_EQ(textColor(mail), kBlue);
        EXPECT_EQ(textColor(web), kBlue);

        // A click with the right button is no click on the link.
        QTest::mouseClick(mail, Qt::RightButton);
        EXPECT_EQ(textColor(mail), kBlue);
    });
    choose("vvv");

    ASSERT_EQ(platform.shellOpens.size(), 2u);
    EXPECT_EQ(platform.shellOpens[0].first,
              "mailto:" + mailAddress + "?Subject=Norvelle Ver 2.06 について");
    EXPECT_TRUE(mailAddress.contains('@'));
    EXPECT_EQ(platform.shellOpens[1].first, homePage);
    EXPECT_TRUE(homePage.startsWith("http://"));
    for (const auto& open : platform.shellOpens) EXPECT_EQ(open.second, platform.programFolder());

    // Opened again the box is loaded anew: blue links, and the version the program runs as.
    state.AppVersion = "2.10";
    platform.shellOpens.clear();
    platform.onModal([&](QDialog& box) {
        EXPECT_EQ(textColor(label(box, "Label4")), kBlue);
        EXPECT_EQ(label(box, "lblVersion")->text(), "Ver 2.10");
        QTest::mouseClick(label(box, "Label4"), Qt::LeftButton);
    });
    choose("vvv");
    ASSERT_EQ(platform.shellOpens.size(), 1u);
    EXPECT_TRUE(platform.shellOpens[0].first.endsWith("?Subject=Norvelle Ver 2.10 について"));
}

TEST_F(HelpMenuTest, EnterAndEscCloseTheVersionBoxLikeOk) {
    start();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        bool closedByKey = false;
        platform.onModal([&](QDialog& box) {
            QWidget* focus = box.focusWidget() ? box.focusWidget() : &box;
            QTest::keyClick(focus, key);
            closedByKey = !box.isVisible();
        });
        choose("vvv");
        EXPECT_TRUE(closedByKey) << "key " << key;
    }
    bool closedByOk = false;
    platform.onModal([&](QDialog& box) {
        QTest::mouseClick(box.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        closedByOk = !box.isVisible();
    });
    choose("vvv");
    EXPECT_TRUE(closedByOk);
    EXPECT_TRUE(platform.shellOpens.empty());
}

}  // namespace
}  // namespace norvelle::test

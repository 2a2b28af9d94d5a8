#include "support/MainWindowTest.h"
#include "ui/help/Form4.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace norvelle::test {
namespace {

class WizardTest : public MainWindowTest {
protected:
    // The values stored under Norvelle / Setting / Wizard, in order; any other write fails.
    QStringList storedValues() const {
        QStringList values;
        for (const auto& w : platform.settingWrites) {
            EXPECT_EQ(w.application, "Norvelle");
            EXPECT_EQ(w.section, "Setting");
            EXPECT_EQ(w.key, "Wizard");
            values << w.value;
        }
        return values;
    }
    static void click(Form4& wizard, const char* button) {
        QTest::mouseClick(wizard.findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }
};

TEST_F(WizardTest, MenuEntryStoresOneThenZeroAndItsCheckMarkFollows) {
    Form1& f = start();
    // Start-up neither stores the setting nor opens the wizard.
    EXPECT_TRUE(platform.settingWrites.empty());
    EXPECT_TRUE(platform.prompts().empty());

    QAction* entry = f.findChild<QAction*>("wizard");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isCheckable());
    EXPECT_TRUE(entry->isChecked());
    EXPECT_FALSE(entry->isEnabled());

    f.wizard_Click();
    EXPECT_EQ(storedValues(), QStringList({"1"}));
    EXPECT_FALSE(entry->isChecked());
    f.wizard_Click();
    EXPECT_EQ(storedValues(), QStringList({"1", "0"}));
    EXPECT_TRUE(entry->isChecked());
    f.wizard_Click();
    EXPECT_EQ(storedValues(), QStringList({"1", "0", "1"}));
    EXPECT_FALSE(entry->isChecked());
}

// Should the entry ever be switched on, a click on it toggles once: the mark Qt flips by itself
// must not be flipped back.
TEST_F(WizardTest, ChoosingTheSwitchedOnEntryTogglesOnce) {
    Form1& f = start();
    QAction* entry = f.findChild<QAction*>("wizard");
    ASSERT_NE(entry, nullptr);
    entry->setEnabled(true);
    entry->trigger();
    EXPECT_EQ(storedValues(), QStringList({"1"}));
    EXPECT_FALSE(entry->isChecked());
    entry->trigger();
    EXPECT_EQ(storedValues(), QStringList({"1", "0"}));
    EXPECT_TRUE(entry->isChecked());
}

TEST_F(WizardTest, WizardWindowGreetsWithItsTextsAndTheMainWindowsIcon) {
    Form1& f = start();
    Form4 wizard(platform, f);
    EXPECT_EQ(wizard.windowTitle(), "Norvelle Easy Wizard");
    EXPECT_EQ(wizard.windowIcon().cacheKey(), f.windowIcon().cacheKey());
    EXPECT_EQ(
        wizard.findChild<QLabel*>("Label3")->text().split('\n'),
        QStringList({"Norvelleのウィザードを使用すると", "より簡単にReadme.txtを作成できます。",
                     "ウィザードを使用するには「次へ>>」を押してください。"}));
    EXPECT_FALSE(wizard.findChild<QCheckBox*>("Check1")->isChecked());
    EXPECT_TRUE(platform.settingWrites.empty());
}

TEST_F(WizardTest, ButtonsStoreOneOnlyWhileTheBoxIsTickedAndNeverZero) {
    Form1& f = start();
    {
        // Unticked: neither button stores anything; 次へ>> leaves the wizard open.
        Form4 wizard(platform, f);
        wizard.show();
        click(wizard, "Command2");
        EXPECT_TRUE(wizard.isVisible());
        click(wizard, "Command1");
        EXPECT_FALSE(wizard.isVisible());
        EXPECT_TRUE(platform.settingWrites.empty());
    }
    {
        Form4 wizard(platform, f);
        wizard.show();
        QTest::mouseClick(wizard.findChild<QCheckBox*>("Check1"), Qt::LeftButton);
        click(wizard, "Command2");
        EXPECT_TRUE(wizard.isVisible());
        EXPECT_EQ(storedValues(), QStringList({"1"}));
        click(wizard, "Command2");
        EXPECT_EQ(storedValues(), QStringList({"1", "1"}));
        click(wizard, "Command1");
        EXPECT_FALSE(wizard.isVisible());
        EXPECT_EQ(storedValues(), QStringList({"1", "1", "1"}));
        // The menu's check mark is the menu's own: the wizard leaves it alone.
        EXPECT_TRUE(f.findChild<QAction*>("wizard")->isChecked());
    }
    {
        // Ticked and unticked again before closing: nothing, and in particular no "0".
        Form4 wizard(platform, f);
        wizard.show();
        auto* check = wizard.findChild<QCheckBox*>("Check1");
        QTest::mouseClick(check, Qt::LeftButton);
        QTest::mouseClick(check, Qt::LeftButton);
        click(wizard, "Command1");
        EXPECT_EQ(storedValues(), QStringList({"1", "1", "1"}));
    }
}

}  // namespace
}  // namespace norvelle::test

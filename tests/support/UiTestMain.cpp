#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

// Window tests run on the offscreen platform, never touch the real settings or clipboard of a
// desktop, and answer every modal question through ScriptedPlatform.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "support/TempDir.h"
#include "ui/help/OpenWithShell.h"
#include "ui/platform/QtPlatform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <cstdio>

namespace norvelle::test {
namespace {

// Puts a fake desktop opener first on the PATH while it lives: it writes the folder it was
// started in and its arguments, one a line, to `record`.
class FakeOpener {
public:
    FakeOpener(const std::string& folder, const std::string& record) : m_path(qgetenv("PATH")) {
        const std::string opener = folder + "/xdg-open";
        writeBytes(opener, "#!/bin/sh\n{ pwd -P; printf '%s\\n' \"$@\"; } > '" + record +
                               ".part' && mv '" + record + ".part' '" + record + "'\n");
        ::chmod(opener.c_str(), 0755);
        qputenv("PATH", QByteArray::fromStdString(folder) + ':' + m_path);
    }
    ~FakeOpener() { qputenv("PATH", m_path); }
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

private:
    QByteArray m_path;
};

TEST(OpenWithShell, TheDesktopsOpenerStartsInTheProgramFolder) {
    TempDir dir;  // the working directory, which is not the program's folder
    const std::string record = dir.file("opened");
    FakeOpener opener(dir.path(), record);
    QtPlatform platform;
    const std::string programFolder = QDir(platform.programFolder()).canonicalPath().toStdString();
    ASSERT_NE(programFolder, QDir::current().canonicalPath().toStdString());

    // What the help command and the version box's links hand over: one argument each, spaces
    // and Japanese included.
    for (const QString& target :
         {platform.programFolder() + "/norvelle.txt",
          QStringLiteral("mailto:info@example.org?Subject=Norvelle Ver 2.06 について"),
          QStringLiteral("http://example.org/")}) {
        SCOPED_TRACE(target.toStdString());
        std::remove(record.c_str());
        EXPECT_EQ(OpenWithShell(platform, target), 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return exists(record); }, 10000));
        EXPECT_EQ(readBytes(record), programFolder + "\n" + target.toStdString() + "\n");
    }
}

}  // namespace
}  // namespace norvelle::test

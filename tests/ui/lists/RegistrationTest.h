#pragma once

#include "core/io/AtomicFileWriter.h"
#include "core/lists/ListChange.h"
#include "support/MainWindowTest.h"
#include "support/WriteFaults.h"

#include <QAction>
#include <QDialog>
#include <QListWidget>
#include <QTest>
#include <set>
#include <string>
#include <vector>

namespace norvelle::test {

// A main window whose registration commands are driven as a user would: menu entries,
// clicks and typing. Every file write and removal is recorded, and chosen files can be
// made to fail as a read-only folder would.
class RegistrationTest : public MainWindowTest {
protected:
    std::vector<std::string> writes;     // "open <file>" and "remove <file>", in order
    std::set<std::string> failingFiles;  // these files can be neither written nor removed
    // How they fail: the first fault whose step comes; a fault without a step fails any.
    std::vector<WriteFault> faults = {{{}, errnoError(EACCES)}};

    void SetUp() override {
        setWriteFaultInjector([this](std::string_view step, const std::string& path) {
            if (step == "open" || step == "remove")
                writes.push_back(std::string(step) + " " + path);
            if (!failingFiles.count(path)) return std::error_code();
            for (const WriteFault& f : faults)
                if (f.step.empty() || f.step == step) return f.error;
            return std::error_code();
        });
    }

    // Selects an entry with the mouse.
    static void clickEntry(QListWidget* list, int row) {
        QListWidgetItem* item = list->item(row);
        ASSERT_NE(item, nullptr) << "row " << row;
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(item).center());
        ASSERT_TRUE(item->isSelected()) << "row " << row;
    }

    static QStringList entries(const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }

    // The object names of the controls that take the focus, in tab order from `first`.
    static QStringList tabOrder(QWidget* first) {
        QStringList names;
        QWidget* w = first;
        do {
            if (w->focusPolicy() & Qt::TabFocus) names << w->objectName();
            w = w->nextInFocusChain();
        } while (w != first);
        return names;
    }

    // The files in the test's folder but the lock file, which the first change makes and
    // every later one leaves: what a failed write must leave as it was.
    std::set<std::string> filesHere() const {
        std::set<std::string> names = namesIn(dir.path());
        names.erase(kListLockFile);
        return names;
    }

    std::string bytesOf(const char* name) const {
        return exists(name) ? readBytes(name) : "(none)";
    }
};

}  // namespace norvelle::test

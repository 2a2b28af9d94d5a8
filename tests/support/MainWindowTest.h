#pragma once

#include "core/document/AppState.h"
#include "core/io/AtomicFileWriter.h"
#include "support/ScriptedPlatform.h"
#include "support/TempDir.h"
#include "ui/app/Form1.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QStringList>
#include <memory>

namespace norvelle::test {

// A main window in a fresh folder that is both the working directory and the program
// folder, answered through a ScriptedPlatform.
class MainWindowTest : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPlatform platform;
    AppState state;
    std::unique_ptr<Form1> form;

    // No test leaves a write fault behind for the next one.
    void TearDown() override { setWriteFaultInjector(nullptr); }

    // Chooses a menu command the way a user does.
    void trigger(const char* menuCommand) {
        QAction* action = form->findChild<QAction*>(QString::fromLatin1(menuCommand));
        ASSERT_NE(action, nullptr) << menuCommand;
        action->trigger();
    }

    // The window as the user first meets it: built, and through one turn of the event loop,
    // where it takes its icon.
    Form1& start() {
        form = std::make_unique<Form1>(platform, state);
        QCoreApplication::processEvents();
        return *form;
    }

    static QStringList comboEntries(const QComboBox* combo) {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
        return out;
    }
    QStringList listEntries() const {
        QStringList out;
        for (int i = 0; i < form->List1()->count(); ++i) out << form->List1()->item(i)->text();
        return out;
    }
    std::vector<int> selectedRows() const {
        std::vector<int> rows;
        for (int i = 0; i < form->List1()->count(); ++i)
            if (form->List1()->item(i)->isSelected()) rows.push_back(i);
        return rows;
    }
};

}  // namespace norvelle::test

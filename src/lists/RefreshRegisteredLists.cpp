#include "lists/RefreshRegisteredLists.h"

#include "app/Form1.h"
#include "lists/ListStorage.h"
#include "lists/RegisteredLists.h"

#include <QComboBox>
#include <QListWidget>
#include <QStringList>

namespace norvelle {

namespace {

void refreshCombo(QComboBox* combo, const char* fileName, QStringList& cut) {
    const ListFile file = loadListFile(fileName);
    noteCutList(cut, fileName, file);
    switch (file.state) {
        case ListFile::State::Missing:
        case ListFile::State::Unreadable:
            return;  // the field keeps its list and its text
        case ListFile::State::Empty:
            clearCombo(combo);
            return;
        case ListFile::State::Items: {
            clearCombo(combo);
            QStringList entries;
            entries.reserve(static_cast<qsizetype>(file.items.size()));
            for (const auto& item : file.items) entries.push_back(QString::fromStdString(item));
            combo->addItems(entries);
            combo->setCurrentIndex(0);
            return;
        }
    }
}

}  // namespace

void RefreshRegisteredLists(Form1& form, CutWarning warning) {
    QStringList cut;
    refreshCombo(form.Combo1(4), kEmailFile, cut);
    refreshCombo(form.Combo1(5), kHomePageFile, cut);

    QListWidget* list = form.List1();
    list->clear();
    const ListFile registered = loadListFile(kNeededFilesFile);
    noteCutList(cut, kNeededFilesFile, registered);
    QStringList entries;
    for (const auto& entry : neededFileEntries(registered))
        entries.push_back(QString::fromStdString(entry));
    list->addItems(entries);
    if (registered.state == ListFile::State::Items)
        list->setCurrentRow(0, QItemSelectionModel::NoUpdate);  // the focus mark, no selection

    list->update();
    form.Combo1(4)->update();
    form.Combo1(5)->update();
    if (warning == CutWarning::Show) reportCutLists(form.platform(), &form, cut);
}

}  // namespace norvelle

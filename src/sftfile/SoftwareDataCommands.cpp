#include "sftfile/SoftwareDataCommands.h"

#include "app/CommonMessages.h"
#include "app/FileTitle.h"
#include "app/Form1.h"
#include "platform/Platform.h"
#include "sftfile/SoftwareDataFile.h"
#include "text/Cp932.h"
#include "text/FileIO.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

namespace norvelle {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

FileDialogRequest softwareDataDialog() {
    return {QStringLiteral("ソフトデータファイル(*.sft)"), QStringLiteral("*.sft"), QString()};
}

void warnNotSoftwareData(Form1& form) {
    MessageBoxRequest r;
    r.text = QStringLiteral("これは、Norvelle Ver 2.0xのソフトデータではありません");
    r.title = QStringLiteral("警告");
    r.buttons = MsgButtons::Ok;
    r.icon = MsgIcon::Critical;
    r.defaultButton = MsgAnswer::Ok;
    form.platform().messageBox(&form, r);
}

// Puts a file's fields into the form through its controls, so the form reacts as it does to
// typing: a loaded software type switches the fee field on or off.
void showFields(Form1& form, const SoftwareDataFields& f) {
    form.Text2(0)->setText(q(f[0]));
    form.Text2(1)->setText(q(f[1]));
    form.Text2(2)->setText(q(f[2]));
    for (int i = 0; i < 4; ++i) setEditText(form.Combo1(i), q(f[3 + i]));
    form.Text2(4)->setText(q(f[7]));
    setEditText(form.Combo1(4), q(f[8]));
    setEditText(form.Combo1(5), q(f[9]));
    for (int i = 0; i < 4; ++i) form.Text1(i)->setText(q(f[10 + i]));
}

}  // namespace

SaveOutcome saveSoftwareData(Form1& form) {
    Platform& platform = form.platform();
    AppState& state = form.state();

    const std::optional<QString> chosen = platform.saveFileName(&form, softwareDataDialog());
    if (!chosen) return SaveOutcome::Cancelled;
    state.CurrentFileName = chosen->toStdString();
    if (chosen->isEmpty()) return SaveOutcome::Cancelled;
    const std::string path = state.CurrentFileName;

    if (fileExists(path) && !askOverwrite(platform, &form)) return SaveOutcome::Declined;

    const EncodeResult encoded =
        encodeCp932(formatSoftwareDataFile(form.softwareData(), state.AppVersion));
    // A file the load command would refuse is not written at all.
    if (encoded.bytes.size() > kMaxSoftwareDataFileSize) {
        reportWriteFailure(platform, &form, *chosen, describeTooLarge(kMaxSoftwareDataFileSize));
        return SaveOutcome::Failed;
    }
    if (!encoded.unencodable.empty() &&
        !askReplaceUnencodable(platform, &form, *chosen, encoded.unencodable))
        return SaveOutcome::Failed;

    const WriteResult written = writeFileAtomic(path, encoded.bytes);
    if (!written.ok) {
        reportWriteFailure(platform, &form, *chosen, written.error);
        return SaveOutcome::Failed;
    }
    state.DataSaved = 1;
    form.setDocumentTitle(q(FileTitleFromPath(path)));
    return SaveOutcome::Saved;
}

void loadSoftwareData(Form1& form) {
    AppState& state = form.state();

    const std::optional<QString> chosen = form.platform().openFileName(&form, softwareDataDialog());
    if (!chosen) return;
    state.CurrentFileName = chosen->toStdString();
    if (chosen->isEmpty()) return;

    // A file that is missing, cannot be read or is far too large is not software data
    // either. A rejected file leaves the form as it was, needed-file selection included.
    QListWidget* list = form.List1();
    const ReadResult read = readTextFile(state.CurrentFileName, kMaxSoftwareDataFileSize);
    const SoftwareDataFile file = read.ok() && !read.truncated
                                      ? parseSoftwareDataFile(read.bytes, list->count())
                                      : SoftwareDataFile{};
    if (!file.versionAccepted) {
        warnNotSoftwareData(form);
        return;
    }

    showFields(form, file.fields);
    list->clearSelection();
    for (std::size_t position : file.selectedPositions)
        list->item(static_cast<int>(position))->setSelected(true);

    form.setDocumentTitle(q(FileTitleFromPath(state.CurrentFileName)));
}

}  // namespace norvelle

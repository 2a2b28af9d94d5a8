#include "ui/app/SoftwareDataCommands.h"

#include "core/document/AppState.h"
#include "core/document/SoftwareDataFile.h"
#include "core/document/SoftwareDataLoad.h"
#include "core/io/FileReader.h"
#include "ui/platform/Messages.h"
#include "ui/platform/Platform.h"
#include "ui/platform/SaveTextFile.h"

namespace norvelle {

namespace {

FileDialogRequest softwareDataDialog() {
    return {QStringLiteral("ソフトデータファイル(*.sft)"), QStringLiteral("*.sft"), QString()};
}

void warnNotSoftwareData(Platform& platform, QWidget* parent) {
    MessageBoxRequest r;
    r.text = QStringLiteral("これは、Norvelle Ver 2.0xのソフトデータではありません");
    r.title = QStringLiteral("警告");
    r.buttons = MsgButtons::Ok;
    r.icon = MsgIcon::Critical;
    r.defaultButton = MsgAnswer::Ok;
    platform.messageBox(parent, r);
}

}  // namespace

SaveOutcome saveSoftwareData(Platform& platform, AppState& state, QWidget* parent,
                             const SoftwareData& form) {
    const std::optional<QString> chosen = platform.saveFileName(parent, softwareDataDialog());
    if (!chosen) return SaveOutcome::Cancelled;
    state.CurrentFileName = chosen->toStdString();
    if (chosen->isEmpty()) return SaveOutcome::Cancelled;
    const std::string path = state.CurrentFileName;

    if (fileExists(path) && !askOverwrite(platform, parent)) return SaveOutcome::Declined;

    // A file the load command would refuse is not written at all.
    if (saveTextFile(platform, parent, path, formatSoftwareDataFile(form, state.AppVersion),
                     cannotWriteHeadline(*chosen), kMaxSoftwareDataFileSize) == Saved::No)
        return SaveOutcome::Failed;
    state.DataSaved = 1;
    return SaveOutcome::Saved;
}

std::optional<SoftwareData> openSoftwareData(Platform& platform, AppState& state, QWidget* parent,
                                             const SoftwareData& form) {
    const std::optional<QString> chosen = platform.openFileName(parent, softwareDataDialog());
    if (!chosen) return std::nullopt;
    state.CurrentFileName = chosen->toStdString();
    if (chosen->isEmpty()) return std::nullopt;
    return openSoftwareDataFile(platform, state, parent, state.CurrentFileName, form);
}

std::optional<SoftwareData> openSoftwareDataFile(Platform& platform, AppState& state,
                                                 QWidget* parent, const std::string& path,
                                                 const SoftwareData& form) {
    state.CurrentFileName = path;
    // Whatever the reason, a refused file is no software data to the user. It leaves the form
    // as it was, needed-file selection included.
    const LoadedSoftwareData loaded =
        loadSoftwareDataFile(path, form.neededFiles.size(), PipesAndDevices::Refused);
    if (loaded.status != LoadedSoftwareData::Status::Loaded) {
        warnNotSoftwareData(platform, parent);
        return std::nullopt;
    }
    SoftwareData data = form;
    applySoftwareDataFile(loaded.file, data);
    return data;
}

}  // namespace norvelle

#include "ui/lists/ListStorage.h"

#include "core/document/AppState.h"
#include "core/lists/ListChange.h"
#include "core/lists/RegisteredLists.h"
#include "core/text/Cp932.h"
#include "core/text/Items.h"
#include "core/io/FileResult.h"
#include "ui/platform/FileErrorText.h"
#include "ui/platform/Messages.h"
#include "ui/platform/Platform.h"

#include <cerrno>

namespace norvelle {

namespace {

// Why the lock file beside the lists could not be used, naming it: the list itself is fine,
// and that file is the one to look at.
std::string describeLockFileError(const std::error_code& error) {
    const std::string name = kListLockFile;
    const std::string remedy =
        "\nこれは Norvelle が登録内容を変更するときに使うファイルです。"
        "削除してから、もう一度やり直してください。";
    if (error == FileErrc::LockTimeout) return describeError(error);
    if (error == std::errc::is_a_directory)
        return "ロックファイル " + name + " がフォルダになっています。" + remedy;
    if (error == std::errc::too_many_symbolic_link_levels)
        return "ロックファイル " + name + " がシンボリックリンクになっています。" + remedy;
    if (error == FileErrc::NotRegularFile)
        return "ロックファイル " + name +
               " が通常のファイルではありません（名前付きパイプかデバイスです）。" + remedy;
    return "ロックファイル " + name + " を使えません。" + describeError(error);
}

}  // namespace

QString registeredFileHeadline(const char* fileName, const QString& what) {
    return QStringLiteral("%1 に%2を保存できませんでした。")
        .arg(QString::fromLatin1(fileName), what);
}

Stored storeRegisteredFile(Platform& platform, QWidget* parent, const char* fileName,
                           std::string_view text, const QString& what) {
    return saveTextFile(platform, parent, fileName, text, registeredFileHeadline(fileName, what),
                        kMaxListFileSize);
}

std::optional<QStringList> loadRegisteredEntries(Platform& platform, QWidget* parent,
                                                 const char* fileName) {
    const ListFile file = loadListFile(fileName);
    switch (file.state) {
        case ListFile::State::Missing:
            return std::nullopt;
        case ListFile::State::Unreadable:
            reportFailure(platform, parent, cannotReadHeadline(QString::fromLatin1(fileName)),
                          describeFileError(file.error, kMaxListFileSize));
            return std::nullopt;
        case ListFile::State::Empty:
        case ListFile::State::Items:
            break;
    }
    QStringList cut;
    noteCutList(cut, fileName, file);
    reportCutLists(platform, parent, cut);
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(file.items.size()));
    for (const auto& item : file.items) entries.push_back(QString::fromStdString(item));
    return entries;
}

void tellListFull(Platform& platform, QWidget* parent) {
    MessageBoxRequest r;
    r.text = QStringLiteral(
                 "登録できるのは %1 件までです。新しく登録するには、先にどれかを削除してください。")
                 .arg(kMaxListEntries);
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::Ok;
    r.icon = MsgIcon::Exclamation;
    platform.messageBox(parent, r);
}

bool mayDropUnreadEntries(Platform& platform, QWidget* parent, const char* fileName,
                          const ListChangeResult& result) {
    MessageBoxRequest r;
    r.text = QStringLiteral("%1 には、読み込めなかった登録内容が %2 件%3あります。"
                            "変更すると、その登録内容は失われます。\n\n変更しますか ?")
                 .arg(QString::fromLatin1(fileName))
                 .arg(result.dropped)
                 .arg(result.droppedAtLeast ? QStringLiteral("以上") : QString());
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::YesNo;
    r.icon = MsgIcon::Exclamation;
    r.defaultButton = MsgAnswer::No;
    return platform.messageBox(parent, r) == MsgAnswer::Yes;
}

void reportListChangeFailure(Platform& platform, QWidget* parent, const char* fileName,
                             const ListChangeResult& result) {
    const QString name = QString::fromLatin1(fileName);
    switch (result.step) {
        case ListChangeResult::Step::Lock:
            reportFailure(platform, parent,
                          QStringLiteral("%1 の登録内容を変更できませんでした。").arg(name),
                          describeLockFileError(result.error));
            break;
        case ListChangeResult::Step::Read:
            reportFailure(
                platform, parent,
                QStringLiteral("%1 を読み込めなかったため、登録内容を変更できませんでした。")
                    .arg(name),
                describeFileError(result.error, kMaxListFileSize));
            break;
        case ListChangeResult::Step::Write:
            reportFailure(platform, parent,
                          registeredFileHeadline(fileName, QStringLiteral("登録内容")),
                          describeFileError(result.error, kMaxListFileSize));
            break;
        case ListChangeResult::Step::Remove:
            reportFailure(
                platform, parent,
                QStringLiteral("%1 を削除できなかったため、登録内容を消去できませんでした。")
                    .arg(name),
                describeError(result.error));
            break;
    }
}

void noteCutList(QStringList& cut, const char* fileName, const ListFile& file) {
    if (file.truncated) {
        cut << QStringLiteral("%1（最初の %2 件）")
                   .arg(QString::fromLatin1(fileName))
                   .arg(file.items.size());
    }
}

void reportCutLists(Platform& platform, QWidget* parent, const QStringList& cut) {
    if (cut.isEmpty()) return;
    MessageBoxRequest r;
    r.text = QStringLiteral("次のファイルは大きすぎるため、最初の部分だけを読み込みました。\n") +
             cut.join(QLatin1Char('\n')) +
             QStringLiteral("\n登録内容を変更すると、読み込んだ部分だけが保存されます。");
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::Ok;
    r.icon = MsgIcon::Exclamation;
    platform.messageBox(parent, r);
}

QString storedForm(const QString& text) {
    return QString::fromStdString(decodeCp932(encodeCp932(text.toStdString()).bytes));
}

}  // namespace norvelle

#include "lists/ListStorage.h"

#include "core/AppState.h"
#include "platform/FileErrorText.h"
#include "platform/Messages.h"
#include "text/Items.h"
#include "lists/RegisteredLists.h"
#include "platform/Platform.h"
#include "platform/SaveTextFile.h"
#include "text/Cp932.h"
#include "text/FileIO.h"

namespace norvelle {

Stored storeRegisteredFile(Platform& platform, QWidget* parent, const char* fileName,
                           std::string_view text, const QString& what) {
    const QString name = QString::fromLatin1(fileName);
    return saveTextFile(platform, parent, fileName, text,
                        QStringLiteral("%1 に%2を保存できませんでした。").arg(name, what),
                        kMaxListFileSize);
}

bool removeRegisteredFile(Platform& platform, QWidget* parent, const char* fileName) {
    const WriteResult removed = removeFile(fileName);
    if (!removed.ok) {
        reportFailure(platform, parent,
                      QStringLiteral("%1 を削除できなかったため、登録内容を消去できませんでした。")
                          .arg(QString::fromLatin1(fileName)),
                      describeErrno(removed.errnum));
    }
    return removed.ok;
}

RegisteredEntries loadRegisteredEntries(Platform& platform, QWidget* parent, const char* fileName,
                                        CutWarning warning) {
    const ListFile file = loadListFile(fileName);
    switch (file.state) {
        case ListFile::State::Missing:
            return {};
        case ListFile::State::Unreadable:
            reportFailure(platform, parent, cannotReadHeadline(QString::fromLatin1(fileName)),
                          describeFileError(file.errnum, kMaxListFileSize));
            return {std::nullopt, true};
        case ListFile::State::Empty:
        case ListFile::State::Items:
            break;
    }
    if (warning == CutWarning::Show) {
        QStringList cut;
        noteCutList(cut, fileName, file);
        reportCutLists(platform, parent, cut);
    }
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(file.items.size()));
    for (const auto& item : file.items) entries.push_back(QString::fromStdString(item));
    return {std::move(entries), file.truncated};
}

bool roomForAnotherEntry(Platform& platform, QWidget* parent, qsizetype count) {
    if (static_cast<std::size_t>(count) < kMaxListEntries) return true;
    MessageBoxRequest r;
    r.text = QStringLiteral(
                 "登録できるのは %1 件までです。新しく登録するには、先にどれかを削除してください。")
                 .arg(kMaxListEntries);
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::Ok;
    r.icon = MsgIcon::Exclamation;
    platform.messageBox(parent, r);
    return false;
}

bool roomInListFile(Platform& platform, QWidget* parent, std::string_view text) {
    if (fitsRegisteredFile(text)) return true;
    MessageBoxRequest r;
    r.text = QStringLiteral("登録できるのは、ファイルの大きさにして %1 までです。"
                            "新しく登録するには、先にどれかを削除してください。")
                 .arg(QString::fromStdString(describeSize(kMaxListFileSize)));
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::Ok;
    r.icon = MsgIcon::Exclamation;
    platform.messageBox(parent, r);
    return false;
}

bool mayDropUnreadEntries(Platform& platform, QWidget* parent, const char* fileName) {
    MessageBoxRequest r;
    r.text = QStringLiteral("%1 には、読み込めなかった登録内容があります。"
                            "変更すると、その登録内容は失われます。\n\n変更しますか ?")
                 .arg(QString::fromLatin1(fileName));
    r.title = QString::fromLatin1(kAppTitle);
    r.buttons = MsgButtons::YesNo;
    r.icon = MsgIcon::Exclamation;
    r.defaultButton = MsgAnswer::No;
    return platform.messageBox(parent, r) == MsgAnswer::Yes;
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
